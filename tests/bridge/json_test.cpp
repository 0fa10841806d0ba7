// The bridge's JSON: what the writer emits for the program's texts and
// numbers, and what the reader accepts from the network and what it refuses.
#include "bridge/json.h"

#include <gtest/gtest.h>

#include <string>

namespace lq::bridge {
namespace {

TEST(JsonWriter, ObjectsArraysAndSeparators) {
    JsonWriter w;
    w.BeginObject()
        .Key("a")
        .Int(-3)
        .Key("b")
        .BeginArray()
        .Bool(true)
        .Null()
        .BeginArray()
        .EndArray()
        .EndArray();
    w.Key("c")
        .BeginObject()
        .EndObject()
        .Key("d")
        .Number(0.5)
        .Key("e")
        .Number(1.0 / 0.0)
        .EndObject();
    EXPECT_EQ(w.Text(), R"({"a":-3,"b":[true,null,[]],"c":{},"d":0.5,"e":null})");
}

TEST(JsonWriter, ProgramTextsBecomeEscapedUtf8) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"TIMEOUT! \nNO DATA RECEIVED! ", R"("TIMEOUT! \nNO DATA RECEIVED! ")"},
        {"a\"b\\c\td\r", R"("a\"b\\c\td\r")"},
        {std::string("x\x01y\x7f", 4), R"("x\u0001y\u007f")"},
        // Windows-1252: Latin-1 letters, the euro sign and an unassigned byte.
        {"Voulez-vous envoyer les param\xE8tres par d\xE9"
         "faut",
         "\"Voulez-vous envoyer les param\xC3\xA8tres par d\xC3\xA9"
         "faut\""},
        {"\x80 \x81", "\"\xE2\x82\xAC \xEF\xBF\xBD\""},
        {"\xBF"
         "Desea",
         "\"\xC2\xBF"
         "Desea\""},
    };
    for (const Case& c : cases) {
        JsonWriter w;
        w.String(c.in);
        EXPECT_EQ(w.Text(), c.out);
        // What the writer emits reads back as the UTF-8 of the text.
        JsonValue v;
        std::string error;
        ASSERT_TRUE(ParseJson(w.Text(), v, error)) << error;
        EXPECT_EQ(v.text, Cp1252ToUtf8(c.in));
    }
}

TEST(JsonWriter, NumbersReadBackExactly) {
    for (double d : {0.0, 390.5882352941176, 1e-7, 123456789.125, -2.5, 5000.0}) {
        JsonWriter w;
        w.Number(d);
        JsonValue v;
        std::string error;
        ASSERT_TRUE(ParseJson(w.Text(), v, error)) << w.Text();
        EXPECT_EQ(v.number, d) << w.Text();
    }
}

TEST(JsonReader, AcceptsStrictJson) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(
        R"( {"id":"a\u00e9\ud83d\ude00","n":-0.5e+2,"l":[1,2,{"x":null}],"t":true} )", v, error))
        << error;
    ASSERT_TRUE(v.IsObject());
    EXPECT_EQ(v.Find("id")->text, "a\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(v.Find("n")->number, -50);
    EXPECT_EQ(v.Find("l")->items.size(), 3u);
    EXPECT_EQ(v.Find("l")->items[2].Find("x")->type, JsonValue::Type::Null);
    EXPECT_TRUE(v.Find("t")->boolean);
    EXPECT_EQ(v.Find("missing"), nullptr);
}

TEST(JsonReader, RefusesMalformedText) {
    const char* bad[] = {
        "",          "   ",     "{",          "{\"a\":}",    "{\"a\" 1}",   "{a:1}",
        "[1,]",      "[1 2]",   "{\"a\":1,}", "01",          "1.",          ".5",
        "-",         "1e",      "+1",         "tru",         "nul",         "\"abc",
        "\"a\x01\"", "\"\\x\"", "\"\\u12\"",  "\"\\ud800\"", "\"\\udc00\"", "{} {}",
        "NaN",       "1e999",   "'a'",
    };
    for (const char* text : bad) {
        JsonValue v;
        std::string error;
        EXPECT_FALSE(ParseJson(text, v, error)) << text;
        EXPECT_NE(error.find("at byte"), std::string::npos) << text << " -> " << error;
    }
}

TEST(JsonReader, DepthIsLimited) {
    std::string deep(40, '[');
    deep += std::string(40, ']');
    JsonValue v;
    std::string error;
    EXPECT_FALSE(ParseJson(deep, v, error));
    EXPECT_NE(error.find("too deep"), std::string::npos);
    std::string fine(20, '[');
    fine += std::string(20, ']');
    EXPECT_TRUE(ParseJson(fine, v, error)) << error;
}

TEST(JsonValue, IntegersWithinRange) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson("[0, 65535, 65536, -1, 1.5, \"7\"]", v, error));
    const bool expected[] = {true, true, false, false, false, false};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(v.items[i].IsInteger(0, 65535), expected[i]) << i;
}

}  // namespace
}  // namespace lq::bridge
