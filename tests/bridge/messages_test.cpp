// What the bridge publishes and how it reads commands: the configuration's
// JSON round trip, and every way a command payload can be wrong.
#include "bridge/messages.h"

#include <gtest/gtest.h>

#include <string>

#include "data/paramfile_doc.h"

namespace lq::bridge {
namespace {

ParaBlock SomePara() {
    ParaBlock p;
    for (int i = 0; i < kParaWords; ++i) p[i] = static_cast<uint16_t>(100 + i * 7);
    p[0] = 65535;
    return p;
}

TeachTable SomeTeach() {
    TeachTable t;
    for (int v = 0; v < kTeachVectors; ++v)
        for (int k = 0; k < kTeachWords; ++k) t[v][k] = static_cast<uint16_t>(v * 8 + k);
    return t;
}

TEST(ConfigJson, RoundTripKeepsEveryWordAndLeavesTheUpperVectors) {
    const ParaBlock p = SomePara();
    const TeachTable t = SomeTeach();
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(ConfigJson(p, t), v, error)) << error;
    EXPECT_EQ(v.Find("parameters")->Find("POWER")->number, 65535);
    ParaBlock p2;
    TeachTable t2;
    for (int k = 0; k < kTeachWords; ++k) t2[40][k] = 9;
    ASSERT_TRUE(ConfigFromJson(v, p2, t2, error)) << error;
    EXPECT_EQ(p2.w, p.w);
    for (int i = 0; i < kSensorTeachVectors; ++i) EXPECT_EQ(t2[i].w, t[i].w) << i;
    EXPECT_EQ(t2[40][0], 9);  // never sent to the sensor, never touched
}

TEST(LiveJson, RecordFieldsAndUtcTime) {
    LiveRecord r;
    const int16_t words[] = {100, 200, 300, 1500, -20, 4000, 0, 3};
    for (int i = 0; i < 8; ++i) r.w[static_cast<size_t>(i)] = words[i];
    EXPECT_EQ(
        LiveJson(r, 1765470013.25),
        R"({"time":"2025-12-11T16:20:13.250Z","R":100,"G":200,"B":300,"X":1500,"Y":-20,"INT":4000,"C-No":3})");
}

TEST(StatusJson, OnlineAndOffline) {
    SensorIdentity id;
    id.model = "LUMIQUAD QX V1.";
    id.firmware = "LUMIQUAD QX V1.5.7 ABC";
    id.name = "N\xE9";
    id.serial = 65535;
    EXPECT_EQ(StatusOnline(id, "tcp 127.0.0.1:5000"),
              "{\"status\":\"online\",\"model\":\"LUMIQUAD QX V1.\",\"firmware\":\"LUMIQUAD QX "
              "V1.5.7 ABC\","
              "\"name\":\"N\xC3\xA9\",\"serial\":65535,\"address\":\"tcp 127.0.0.1:5000\"}");
    EXPECT_EQ(StatusOffline("TIMEOUT! \nNO DATA"),
              R"({"status":"offline","reason":"TIMEOUT! \nNO DATA"})");
}

TEST(Commands, WellFormedPayloads) {
    Command c;
    std::string error;
    ASSERT_TRUE(ParseCommand(CommandKind::Get, "", c, error)) << error;
    EXPECT_EQ(c.idJson, "null");
    EXPECT_FALSE(c.eeprom);
    ASSERT_TRUE(ParseCommand(CommandKind::Get, R"({"id":"g-1","eeprom":true})", c, error)) << error;
    EXPECT_EQ(c.idJson, "\"g-1\"");
    EXPECT_TRUE(c.eeprom);
    ASSERT_TRUE(ParseCommand(CommandKind::Freq, R"({"id":42})", c, error)) << error;
    EXPECT_EQ(c.idJson, "42");

    const std::string config = ConfigJson(SomePara(), SomeTeach());
    ASSERT_TRUE(ParseCommand(CommandKind::Send,
                             R"({"id":"s","eeprom":true,"config":)" + config + "}", c, error))
        << error;
    EXPECT_TRUE(c.hasConfig);
    EXPECT_TRUE(c.eeprom);
    EXPECT_EQ(c.para.w, SomePara().w);

    // A parameter file's text, as the program writes it.
    JsonWriter w;
    w.BeginObject().Key("file").String(FormatParameterFile(SomePara(), SomeTeach())).EndObject();
    ASSERT_TRUE(ParseCommand(CommandKind::Send, w.Text(), c, error)) << error;
    EXPECT_EQ(c.para.w, SomePara().w);
    EXPECT_EQ(c.teach[31].w, SomeTeach()[31].w);
    EXPECT_TRUE(c.messages.empty());
}

TEST(Commands, ParameterFileWithGapsFallsBackAndSaysSo) {
    Command c;
    std::string error;
    const std::string text =
        "[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\nKELVO VERSION: = \"LUMIQUAD TALVERN "
        "Kelvo V1.2\"\r\n"
        "[PARAMETER]\r\nPOWER = 321\r\n";
    JsonWriter w;
    w.BeginObject().Key("file").String(text).EndObject();
    ASSERT_TRUE(ParseCommand(CommandKind::Send, w.Text(), c, error)) << error;
    EXPECT_EQ(c.para[POWER], 321);
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_EQ(c.messages[0].rfind(kParaReportHeading, 0), 0u);
    EXPECT_EQ(c.messages[1].rfind(kTeachReportHeading, 0), 0u);
}

struct BadPayload {
    CommandKind kind;
    std::string payload;
    const char* says;
    const char* id;  // the id the reply can still carry
};

TEST(Commands, MalformedPayloadsAreRefusedWithAReason) {
    const std::string config = ConfigJson(SomePara(), SomeTeach());
    std::string tooBig = config;
    tooBig.replace(tooBig.find("\"POWER\":65535"), 13, "\"POWER\":65536");
    std::string unknown = config;
    unknown.replace(unknown.find("\"POWER\""), 7, "\"POWAR\"");
    std::string shortTeach = config;
    shortTeach.replace(shortTeach.find("[0,1,2,3,4,5,6,7]"), 17, "[0,1,2,3,4,5,6]");
    std::string missing = config;
    missing.replace(missing.find("\"GAIN\":"), 7, "\"gain\":");
    const BadPayload cases[] = {
        {CommandKind::Get, "get please", "payload is not JSON", "null"},
        {CommandKind::Get, "[1]", "payload must be a JSON object", "null"},
        {CommandKind::Get, R"({"id":"x","eeprom":"yes"})", "eeprom must be true or false", "\"x\""},
        {CommandKind::Get, R"({"id":"x","store":true})", "unknown member 'store' for get", "\"x\""},
        {CommandKind::Freq, R"({"id":[1]})", "id must be a string", "null"},
        {CommandKind::Freq, R"({"id":1.5})", "id must be a string", "null"},
        {CommandKind::Freq, R"({"id":"f","eeprom":true})", "unknown member 'eeprom' for freq",
         "\"f\""},
        {CommandKind::Send, "", "payload is not JSON", "null"},
        {CommandKind::Send, R"({"id":"s"})", "exactly one of config", "\"s\""},
        {CommandKind::Send, R"({"id":"s","config":{},"file":""})", "exactly one of config",
         "\"s\""},
        {CommandKind::Send, R"({"id":"s","config":[]})", "config must be an object", "\"s\""},
        {CommandKind::Send, R"({"id":"s","config":{"parameters":{}}})",
         "config.teach must be an array", "\"s\""},
        {CommandKind::Send, R"({"id":"s","config":)" + tooBig + "}",
         "parameter 'POWER' must be a whole number", "\"s\""},
        {CommandKind::Send, R"({"id":"s","config":)" + unknown + "}", "unknown parameter 'POWAR'",
         "\"s\""},
        {CommandKind::Send, R"({"id":"s","config":)" + missing + "}", "unknown parameter 'gain'",
         "\"s\""},
        {CommandKind::Send, R"({"id":"s","config":)" + shortTeach + "}",
         "teach vector 0 must be an array of 8", "\"s\""},
        {CommandKind::Send, R"({"id":"s","file":17})", "file must be the text of a parameter file",
         "\"s\""},
        {CommandKind::Send, R"({"id":"s","file":"[X]\r\nA = 1\r\n"})",
         "Selected file is not a parameter file! \nDo you want to proceed anyway?", "\"s\""},
        {CommandKind::Send,
         R"({"id":"s","file":"[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\n"})",
         "Selected file and kelvo version do not match!", "\"s\""},
    };
    for (const BadPayload& b : cases) {
        Command c;
        std::string error;
        EXPECT_FALSE(ParseCommand(b.kind, b.payload, c, error)) << b.payload;
        EXPECT_NE(error.find(b.says), std::string::npos) << b.payload << " -> " << error;
        EXPECT_EQ(c.idJson, b.id) << b.payload;
        EXPECT_FALSE(c.hasConfig) << b.payload;
    }
}

TEST(Commands, ForceTakesAFileOfAnotherKind) {
    Command c;
    std::string error;
    ASSERT_TRUE(ParseCommand(CommandKind::Send,
                             R"({"file":"[PARAMETER]\r\nPOWER = 9\r\n","force":true})", c, error))
        << error;
    EXPECT_EQ(c.para[POWER], 9);
}

TEST(Replies, CarryIdResultMessagesAndExtras) {
    EXPECT_EQ(ReplyJson("\"a\"", "freq", "ok", {}, "\"frequency\":5"),
              R"({"id":"a","command":"freq","result":"ok","messages":[],"frequency":5})");
    EXPECT_EQ(ReplyJson("null", "get", "failed", {"TIMEOUT! \n"}),
              R"({"id":null,"command":"get","result":"failed","messages":["TIMEOUT! \n"]})");
}

}  // namespace
}  // namespace lq::bridge
