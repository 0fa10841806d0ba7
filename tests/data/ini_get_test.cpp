// Gets: integer validity, string decoding, buffer handling and round trips
// through a file.
#include <cstring>
#include <string>

#include "data/ini.h"
#include "data/ini_detail.h"
#include "tests/data/ini_test_util.h"

namespace lq {
namespace {

using ini_test::IniFileTest;

// A document with one section S holding one item T with this stored value.
IniHandle OneItem(const std::string& stored, bool quoted = false) {
    IniHandle doc = Ini_NewHandle();
    doc->sections.push_back(IniSection{"S", {IniItem{"T", stored, quoted, {}}}, {}});
    return doc;
}

TEST(IniGetInt, AcceptAndReject) {
    constexpr int kUnchanged = 4711;
    struct Case {
        const char* stored;
        int result;
        int32_t value;
    };
    const Case cases[] = {
        {"0", 1, 0},
        {"500", 1, 500},
        {" -12 ", 1, -12},
        {"\t-12\t", 1, -12},
        {"+7", 1, 7},
        {"007", 1, 7},
        {"2147483647", 1, 2147483647},
        {"-2147483648", 1, INT32_MIN},
        {"", 0, kUnchanged},
        {"   ", 0, kUnchanged},
        {"2147483648", INI_INVALID_INTEGER, kUnchanged},
        {"-2147483649", INI_INVALID_INTEGER, kUnchanged},
        {"4294967296", INI_INVALID_INTEGER, kUnchanged},
        {"99999999999999999999999999", INI_INVALID_INTEGER, kUnchanged},
        {"12a", INI_INVALID_INTEGER, kUnchanged},
        {"0x10", INI_INVALID_INTEGER, kUnchanged},
        {"1.5", INI_INVALID_INTEGER, kUnchanged},
        {"- 12", INI_INVALID_INTEGER, kUnchanged},
        {"12-", INI_INVALID_INTEGER, kUnchanged},
        {"+-1", INI_INVALID_INTEGER, kUnchanged},
        {"--1", INI_INVALID_INTEGER, kUnchanged},
        {"+", INI_INVALID_INTEGER, kUnchanged},
        {"-", INI_INVALID_INTEGER, kUnchanged},
        {"1 2", INI_INVALID_INTEGER, kUnchanged},
        {"12 ; comment", INI_INVALID_INTEGER, kUnchanged},
        {"\"12\"", INI_INVALID_INTEGER, kUnchanged},
        {"\xb2", INI_INVALID_INTEGER, kUnchanged},  // superscript two is no digit
    };
    for (const Case& c : cases) {
        IniHandle doc = OneItem(c.stored);
        int32_t v = kUnchanged;
        EXPECT_EQ(Ini_GetInt(doc.get(), "S", "T", &v), c.result) << '"' << c.stored << '"';
        EXPECT_EQ(v, c.value) << '"' << c.stored << '"';
    }
}

TEST(IniGetInt, MissingSectionOrTagAndNoPlace) {
    IniHandle doc = OneItem("5");
    int32_t v = 9;
    EXPECT_EQ(Ini_GetInt(doc.get(), "X", "T", &v), 0);
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "X", &v), 0);
    EXPECT_EQ(v, 9);
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "T", nullptr), INI_NULL_ARGUMENT);
    EXPECT_EQ(Ini_GetInt(nullptr, "S", "T", &v), INI_NULL_ARGUMENT);
}

TEST(IniGetInt, ReadsTheStoredFormOfAStringItem) {
    IniHandle doc = Ini_NewHandle();
    Ini_PutString(doc.get(), "S", "A", " 42 ");
    Ini_PutString(doc.get(), "S", "B", "4\t2");  // stored as 4\t2, not decoded
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "A", &v), 1);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "B", &v), INI_INVALID_INTEGER);
}

TEST(IniGetString, Decoding) {
    struct Case {
        std::string stored;
        std::string text;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"a\\tb\\nc\\rd", "a\tb\nc\rd"},
        {"\\\"q\\\"", "\"q\""},
        {"C:\\\\Data\\\\", "C:\\Data\\"},
        {"\\x41\\x7a\\x7A\\x7f", "Az\x7a\x7f"},
        {"\\xe4\\xE4", "\xe4\xe4"},
        {"\\x01\\x1f", "\x01\x1f"},
        {"\\q\\[", "q["},  // any other character stands for itself
        {"end\\", "end"},  // a trailing backslash gives nothing
        {"\\x", "x"},      // a short or non-hexadecimal \x gives the x
        {"\\x4", "x4"},
        {"\\x4g", "x4g"},
        {"\\xg4", "xg4"},
        {"\\x\\x41", "xA"},
        {"\\\\x41", "\\x41"},
        {"unclosed \"quote", "unclosed \"quote"},
    };
    for (const Case& c : cases) {
        IniHandle doc = OneItem(c.stored, true);
        char buf[64];
        EXPECT_EQ(Ini_GetStringIntoBuffer(doc.get(), "S", "T", buf, sizeof buf), 1) << c.stored;
        EXPECT_EQ(std::string(buf), c.text) << c.stored;
    }
}

TEST(IniGetString, ZeroByteFromAnEscape) {
    IniHandle doc = OneItem("a\\x00b");
    char buf[8];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(Ini_GetStringIntoBuffer(doc.get(), "S", "T", buf, sizeof buf), 1);
    EXPECT_EQ(std::string(buf, 4), std::string("a\0b\0", 4));
    EXPECT_EQ(buf[4], '#');
}

TEST(IniGetString, CutToBufferSizeAndNeverWritesBeyondIt) {
    IniHandle doc = OneItem("abc\\x41\\n\\");  // decodes to "abcA\n"
    struct Case {
        size_t size;
        std::string text;
    };
    const Case cases[] = {{1, ""},       {2, "a"},      {4, "abc"},     {5, "abcA"},
                          {6, "abcA\n"}, {7, "abcA\n"}, {100, "abcA\n"}};
    for (const Case& c : cases) {
        char buf[128];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(Ini_GetStringIntoBuffer(doc.get(), "S", "T", buf, c.size), 1);
        EXPECT_EQ(std::string(buf), c.text) << c.size;
        EXPECT_EQ(buf[c.size], '#') << c.size;
    }
}

TEST(IniGetString, MissingItemEmptiesTheBuffer) {
    IniHandle doc = OneItem("v");
    char buf[8] = "old";
    EXPECT_EQ(Ini_GetStringIntoBuffer(doc.get(), "S", "X", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    std::strcpy(buf, "old");
    EXPECT_EQ(Ini_GetStringIntoBuffer(doc.get(), "X", "T", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    std::strcpy(buf, "old");
    EXPECT_EQ(Ini_GetStringIntoBuffer(nullptr, "S", "T", buf, sizeof buf), INI_NULL_ARGUMENT);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(Ini_GetStringIntoBuffer(doc.get(), "S", "T", nullptr, 8), INI_NULL_ARGUMENT);
    std::strcpy(buf, "old");
    EXPECT_EQ(Ini_GetStringIntoBuffer(doc.get(), "S", "T", buf, 0), INI_NULL_ARGUMENT);
    EXPECT_STREQ(buf, "old");  // no room even for the terminator
}

TEST(IniLookup, RemembersTheLastSectionButFirstMatchWins) {
    IniHandle doc = Ini_NewHandle();
    Ini_PutInt(doc.get(), "A", "X", 1);
    Ini_PutInt(doc.get(), "B", "X", 2);
    doc->sections.push_back(IniSection{"a", {IniItem{"X", "3", false, {}}}, {}});
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "B", "X", &v), 1);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(doc->lastFoundSection, 1);
    EXPECT_EQ(Ini_GetInt(doc.get(), "a", "X", &v), 1);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(doc->lastFoundSection, 0);
}

// ---- round trips through a file ------------------------------------------

class IniRoundTrip : public IniFileTest {
  protected:
    // Puts `text` as a string, writes, reads back into a fresh document and
    // returns the decoded text (and the raw file through `file`).
    std::string RoundTrip(const std::string& text, std::string* file = nullptr) {
        IniHandle out = Ini_NewHandle();
        EXPECT_EQ(Ini_PutString(out.get(), "SECTION", "TAG", text), 0);
        const std::string path = Path("round.ini");
        EXPECT_EQ(Ini_WriteToFile(out.get(), path), 0);
        if (file) *file = ini_test::ReadBytes(path);
        IniHandle in = Ini_NewHandle();
        EXPECT_EQ(Ini_ReadFromFile(in.get(), path), 0);
        std::string buf(text.size() + 16, '#');
        EXPECT_EQ(Ini_GetStringIntoBuffer(in.get(), "SECTION", "TAG", buf.data(), buf.size()), 1);
        return buf.substr(0, text.size() + 1);
    }
};

TEST_F(IniRoundTrip, EveryEscapeAndEveryByte) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    const std::string cases[] = {
        "tab\there",        "lf\nhere",         "cr\rhere", "quote\"here",
        "back\\slash",      "\x01\x02\x1b\x7f", "\"",       "\\",
        " lead and trail ", "= ; [x]",          all,        std::string("nul\0inside", 10),
    };
    for (const std::string& text : cases) {
        EXPECT_EQ(RoundTrip(text), text + '\0') << text;
    }
}

TEST_F(IniRoundTrip, ValuesOf80And81Characters) {
    std::string file;
    const std::string v80(80, 'a');
    EXPECT_EQ(RoundTrip(v80, &file), v80 + '\0');
    EXPECT_EQ(file, "[SECTION]\r\nTAG = \"" + v80 + "\"\r\n\r\n");

    const std::string v81 = v80 + "b";
    EXPECT_EQ(RoundTrip(v81, &file), v81 + '\0');
    EXPECT_EQ(file, "[SECTION]\r\nTAG Line0001 = \"" + v80 + "\"\r\nTAG Line0002 = \"b\"\r\n\r\n");
}

TEST_F(IniRoundTrip, EscapeSplitAcrossContinuationLines) {
    const std::string text = std::string(79, 'a') + "\t" + std::string(100, '\x01');
    std::string file;
    EXPECT_EQ(RoundTrip(text, &file), text + '\0');
    EXPECT_NE(file.find(std::string(79, 'a') + "\\\"\r\nTAG Line0002 = \"t\\x01"),
              std::string::npos);
}

TEST_F(IniRoundTrip, LongValuesRunOverManyLines) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += static_cast<char>('A' + i % 26);
    std::string file;
    EXPECT_EQ(RoundTrip(text, &file), text + '\0');
    EXPECT_NE(file.find("TAG Line0038 = "), std::string::npos);
}

TEST_F(IniRoundTrip, PathKeepsItsBackslashes) {
    std::string file;
    EXPECT_EQ(RoundTrip("C:\\Data\\", &file), std::string("C:\\Data\\") + '\0');
    EXPECT_EQ(file, "[SECTION]\r\nTAG = \"C:\\\\Data\\\\\"\r\n\r\n");
}

TEST_F(IniRoundTrip, PowerWithNothingOrWithEmptyQuotes) {
    // POWER = with nothing after it is no item at all.
    IniHandle bare = ReadText("[PARAMETER]\r\nPOWER =\r\n");
    int32_t v = 77;
    char buf[8] = "old";
    EXPECT_EQ(Ini_GetInt(bare.get(), "PARAMETER", "POWER", &v), 0);
    EXPECT_EQ(Ini_GetStringIntoBuffer(bare.get(), "PARAMETER", "POWER", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");

    // POWER = "" is an item with an empty value.
    IniHandle quotes = ReadText("[PARAMETER]\r\nPOWER = \"\"\r\n");
    std::strcpy(buf, "old");
    EXPECT_EQ(Ini_GetStringIntoBuffer(quotes.get(), "PARAMETER", "POWER", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(Ini_GetInt(quotes.get(), "PARAMETER", "POWER", &v), 0);
    EXPECT_EQ(v, 77);
}

TEST_F(IniRoundTrip, IntegerExtremes) {
    IniHandle out = Ini_NewHandle();
    Ini_PutInt(out.get(), "PARAMETER", "LOW", INT32_MIN);
    Ini_PutInt(out.get(), "PARAMETER", "HIGH", INT32_MAX);
    ASSERT_EQ(Ini_WriteToFile(out.get(), Path("i.ini")), 0);
    IniHandle in = Ini_NewHandle();
    ASSERT_EQ(Ini_ReadFromFile(in.get(), Path("i.ini")), 0);
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(in.get(), "PARAMETER", "LOW", &v), 1);
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_EQ(Ini_GetInt(in.get(), "PARAMETER", "HIGH", &v), 1);
    EXPECT_EQ(v, INT32_MAX);
}

}  // namespace
}  // namespace lq
