// Reading files: line splitting, the line rules, continuation joining and
// hostile input.
#include <cstdio>
#include <string>
#include <vector>

#include "data/ini.h"
#include "data/ini_detail.h"
#include "tests/data/ini_test_util.h"

namespace lq {
namespace {

using ini_test::IniFileTest;
using ini_test::WriteBytes;

std::string Get(IniDocument* doc, const std::string& section, const std::string& tag,
                int* result = nullptr) {
    char buf[4096];
    const int r = Ini_GetStringIntoBuffer(doc, section, tag, buf, sizeof buf);
    if (result) *result = r;
    return buf;
}

// ---- line splitting ------------------------------------------------------

class IniLineFile : public IniFileTest {
  protected:
    std::vector<std::string> Lines(const std::string& bytes) {
        const std::string path = Path("lines");
        WriteBytes(path, bytes);
        std::vector<std::string> lines;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        EXPECT_NE(f, nullptr);
        if (!f) return lines;
        ini_detail::LineFile lf(f);
        std::string line;
        int r;
        while ((r = lf.ReadLine(line)) == 1) lines.push_back(line);
        EXPECT_EQ(r, 0);
        std::fclose(f);
        return lines;
    }
};

TEST_F(IniLineFile, LineEnds) {
    using V = std::vector<std::string>;
    const std::string nul(1, '\0');
    struct Case {
        std::string bytes;
        V lines;
    };
    const Case cases[] = {
        {"", V{}},
        {"a", V{"a"}},
        {"a\r\nb\r\n", V{"a", "b"}},
        {"a\nb\n", V{"a", "b"}},
        {"a\rb\r", V{"a", "b"}},
        {"a\n\rb\n\r", V{"a", "b"}},
        {"a" + nul + "b" + nul, V{"a", "b"}},
        {"a\r\n\r\nb", V{"a", "", "b"}},  // CR LF CR LF after a line: one empty line
        {"a\n\nb", V{"a", "", "b"}},
        {"a\r\rb", V{"a", "", "b"}},
        {"a\r\n\nb", V{"a", "", "b"}},
        {"a\r" + nul + "b", V{"a", "b"}},  // any two different line-end bytes pair up
        {"a\r\n\r\n\r\n", V{"a", "", ""}},
        {"\nfirst", V{"first"}},  // differs from the NUL assumed at the start
        {nul + "first", V{"", "first"}},
        {"\r\nfirst", V{"", "first"}},  // only the CR is taken as a second half
        {"\n\nfirst", V{"", "first"}},
        {"last\r\n", V{"last"}},
        {"last\r", V{"last"}},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (char ch : c.bytes)
            shown += ch == '\r'   ? "<CR>"
                     : ch == '\n' ? "<LF>"
                     : ch == 0    ? "<0>"
                                  : std::string(1, ch);
        EXPECT_EQ(Lines(c.bytes), c.lines) << shown;
    }
}

TEST_F(IniLineFile, LongLinesKeep1024CharactersAcrossBlocks) {
    std::string a(1500, 'a');
    a[1023] = 'Z';
    a[1024] = '!';
    const std::string b(3000, 'b');  // spans two read blocks
    const auto lines = Lines(a + "\r\n" + b + "\r\nc");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], a.substr(0, 1024));
    EXPECT_EQ(lines[1], std::string(1024, 'b'));
    EXPECT_EQ(lines[2], "c");
}

TEST_F(IniLineFile, TwoCharacterLineEndSplitByABlockBoundary) {
    std::string first(2047, 'x');  // its CR is the last byte of the first block
    const auto lines = Lines(first + "\r\nnext\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 1024u);
    EXPECT_EQ(lines[1], "next");
}

// ---- line rules ----------------------------------------------------------

class IniRead : public IniFileTest {};

TEST_F(IniRead, ReadsWhatWasWritten) {
    IniHandle out = Ini_NewHandle();
    Ini_PutString(out.get(), "GENERAL INFO", "FILE TYPE:", "Parameter File");
    Ini_PutInt(out.get(), "PARAMETER", "POWER", -500);
    const std::string path = Path("p.ini");
    ASSERT_EQ(Ini_WriteToFile(out.get(), path), 0);

    IniHandle in = Ini_NewHandle();
    ASSERT_EQ(Ini_ReadFromFile(in.get(), path), 0);
    ASSERT_EQ(in->sections.size(), 2u);
    EXPECT_EQ(in->sections[0].name, "GENERAL INFO");
    EXPECT_EQ(in->sections[0].items[0].tag, "FILE TYPE:");
    EXPECT_EQ(in->sections[0].items[0].value, "Parameter File");
    EXPECT_TRUE(in->sections[0].items[0].quoted);
    EXPECT_FALSE(in->sections[1].items[0].quoted);
    EXPECT_EQ(Ini_Format(in.get()), Ini_Format(out.get()));
}

TEST_F(IniRead, MissingFile) {
    IniHandle doc = Ini_NewHandle();
    EXPECT_EQ(Ini_ReadFromFile(doc.get(), Path("nothing.ini")), INI_CANNOT_OPEN);
    EXPECT_TRUE(doc->sections.empty());
    EXPECT_EQ(Ini_ReadFromFile(nullptr, Path("nothing.ini")), INI_NULL_ARGUMENT);
}

TEST_F(IniRead, DirectoryIsAReadError) {
    IniHandle doc = Ini_NewHandle();
    EXPECT_EQ(Ini_ReadFromFile(doc.get(), dir_), INI_READ_ERROR);
    EXPECT_TRUE(doc->sections.empty());
}

TEST_F(IniRead, SectionHeaders) {
    struct Case {
        const char* line;
        const char* name;  // nullptr: not a header
    };
    const Case cases[] = {
        {"[GENERAL INFO]", "GENERAL INFO"},
        {"  [  GENERAL INFO  ]  \t", "GENERAL INFO"},
        {"[a]b]", "a]b"},
        {"[[x]]", "[x]"},
        {"[x] trailing", nullptr},
        {"[x] ; comment", nullptr},
        {"[]", nullptr},
        {"[   ]", nullptr},
        {"[", nullptr},
        {"[no end", nullptr},
        {"[x = 1", nullptr},
        {"x [y]", nullptr},
    };
    for (const Case& c : cases) {
        IniHandle doc = ReadText(std::string(c.line) + "\r\n");
        if (c.name) {
            ASSERT_EQ(doc->sections.size(), 1u) << c.line;
            EXPECT_EQ(doc->sections[0].name, c.name);
        } else {
            EXPECT_TRUE(doc->sections.empty()) << c.line;
        }
    }
}

TEST_F(IniRead, ItemLines) {
    struct Case {
        const char* line;
        const char* tag;  // nullptr: not an item
        const char* value;
        bool quoted;
    };
    const Case cases[] = {
        {"POWER = 500", "POWER", "500", false},
        {"\t POWER\t=\t500 \t", "POWER", "500", false},
        {"POWER=500", "POWER", "500", false},
        {"A = b = c", "A", "b = c", false},
        {"FILE TYPE: = \"Parameter File\"", "FILE TYPE:", "Parameter File", true},
        {"P = \"\"", "P", "", true},
        {"P = \"", "P", "\"", false},
        {"P = \"abc", "P", "\"abc", false},
        {"P = abc\"", "P", "abc\"", false},
        {"P = \"a\"b\"", "P", "a\"b", true},
        {"P = \" padded \"", "P", " padded ", true},
        {"P = 12 ; note", "P", "12 ; note", false},
        {"POWER =", nullptr, nullptr, false},
        {"POWER =   ", nullptr, nullptr, false},
        {"= 500", nullptr, nullptr, false},
        {"   = 500", nullptr, nullptr, false},
        {"no separator", nullptr, nullptr, false},
        {"; POWER = 1", nullptr, nullptr, false},
        {"  ;POWER = 1", nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        IniHandle doc = ReadText("[S]\r\n" + std::string(c.line) + "\r\n");
        ASSERT_EQ(doc->sections.size(), 1u);
        const auto& items = doc->sections[0].items;
        if (c.tag) {
            ASSERT_EQ(items.size(), 1u) << c.line;
            EXPECT_EQ(items[0].tag, c.tag) << c.line;
            EXPECT_EQ(items[0].value, c.value) << c.line;
            EXPECT_EQ(items[0].quoted, c.quoted) << c.line;
        } else {
            EXPECT_TRUE(items.empty()) << c.line;
        }
    }
}

TEST_F(IniRead, LowerCaseNamesAnswerTheUsualLookups) {
    IniHandle doc = ReadText("[general info]\r\nfile type: = \"Parameter File\"\r\n");
    int r = 0;
    EXPECT_EQ(Get(doc.get(), "GENERAL INFO", "FILE TYPE:", &r), "Parameter File");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Get(doc.get(), " General Info ", "File Type:", &r), "Parameter File");
    EXPECT_EQ(r, 1);
}

TEST_F(IniRead, ItemBeforeTheFirstSectionIsDropped) {
    IniHandle doc = ReadText("POWER = 1\r\n[S]\r\nGAIN = 2\r\n");
    ASSERT_EQ(doc->sections.size(), 1u);
    ASSERT_EQ(doc->sections[0].items.size(), 1u);
    EXPECT_EQ(doc->sections[0].items[0].tag, "GAIN");
}

TEST_F(IniRead, InvalidHeaderLeavesItemsInThePreviousSection) {
    IniHandle doc = ReadText("[A]\r\nX = 1\r\n[B] extra\r\nY = 2\r\n");
    ASSERT_EQ(doc->sections.size(), 1u);
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "A", "Y", &v), 1);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(Ini_GetInt(doc.get(), "B", "Y", &v), 0);
}

TEST_F(IniRead, CommentLinesCreateNothingAndAreKeptWithTheNextEntry) {
    IniHandle doc = ReadText("; top\r\n[S]\r\n; POWER = 1\r\n  ; [T]\r\nGAIN = 2\r\n; tail\r\n");
    ASSERT_EQ(doc->sections.size(), 1u);
    EXPECT_EQ(doc->sections[0].comment, "; top");
    ASSERT_EQ(doc->sections[0].items.size(), 1u);
    EXPECT_EQ(doc->sections[0].items[0].tag, "GAIN");
    EXPECT_EQ(doc->sections[0].items[0].comment, "; POWER = 1\n; [T]");
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "POWER", &v), 0);
}

TEST_F(IniRead, FirstOfDuplicateSectionsAndItemsWins) {
    IniHandle doc = ReadText("[S]\r\nA = 1\r\nA = 2\r\n[s]\r\nA = 3\r\nB = 4\r\n");
    ASSERT_EQ(doc->sections.size(), 2u);
    EXPECT_EQ(doc->sections[0].items.size(), 2u);
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "A", &v), 1);
    EXPECT_EQ(v, 1);
    // B lives only in the second section of that name, which lookups never reach.
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "B", &v), 0);
}

TEST_F(IniRead, LineOf1500CharactersKeepsItsFirst1024) {
    const std::string value(1500 - 4, 'v');
    IniHandle doc = ReadText("[S]\r\nT = " + value + "\r\nU = 1\r\n");
    EXPECT_EQ(Get(doc.get(), "S", "T"), std::string(1024 - 4, 'v'));
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "U", &v), 1);
}

TEST_F(IniRead, AddsToADocumentAndKeepsItsSections) {
    IniHandle doc = Ini_NewHandle();
    Ini_PutInt(doc.get(), "OLD", "A", 1);
    WriteBytes(Path("f.ini"), "B = 0\r\n[NEW]\r\nA Line0001 = 2\r\n");
    ASSERT_EQ(Ini_ReadFromFile(doc.get(), Path("f.ini")), 0);
    ASSERT_EQ(doc->sections.size(), 2u);
    EXPECT_EQ(doc->sections[0].items.size(), 1u);  // B did not land in OLD
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "NEW", "A", &v), 1);
    EXPECT_EQ(v, 2);
}

// ---- continuation lines --------------------------------------------------

TEST_F(IniRead, ContinuationRuns) {
    struct Case {
        const char* body;
        std::vector<std::pair<std::string, std::string>> items;  // tag, stored value
    };
    const Case cases[] = {
        {"T Line0001 = \"ab\"\r\nT Line0002 = \"cd\"\r\nT Line0003 = \"e\"\r\n", {{"T", "abcde"}}},
        {"T Line0001 = x\r\n", {{"T", "x"}}},
        {"T Line1 = a\r\nT Line02 = b\r\n", {{"T", "ab"}}},
        // A run takes any following piece numbered other than 1, whatever its tag.
        {"T Line0001 = a\r\nU Line0007 = b\r\nV Line0000 = c\r\n", {{"T", "abc"}}},
        // A new piece 1 starts a new run; a plain item ends the run.
        {"T Line0001 = a\r\nU Line0001 = b\r\nW = w\r\nT Line0002 = c\r\n",
         {{"T", "a"}, {"U", "b"}, {"W", "w"}, {"T Line0002", "c"}}},
        // Not continuation tags.
        {"T Line = a\r\nT Line0x1 = b\r\nT LINE0001 = c\r\nT Line0001x = d\r\n",
         {{"T Line", "a"}, {"T Line0x1", "b"}, {"T LINE0001", "c"}, {"T Line0001x", "d"}}},
        {"Line0001 = a\r\n", {{"Line0001", "a"}}},
        {"A Line B Line0001 = a\r\nA Line0002 = b\r\n", {{"A Line B", "ab"}}},
        {"T Line00000000000000000000001 = a\r\nT Line99999999999999999999999 = b\r\n",
         {{"T", "ab"}}},
    };
    for (const Case& c : cases) {
        IniHandle doc = ReadText(std::string("[S]\r\n") + c.body);
        ASSERT_EQ(doc->sections.size(), 1u);
        std::vector<std::pair<std::string, std::string>> got;
        for (const IniItem& item : doc->sections[0].items) got.emplace_back(item.tag, item.value);
        EXPECT_EQ(got, c.items) << c.body;
    }
}

TEST_F(IniRead, ContinuationTakesTheQuotedFlagAndCommentOfItsFirstPiece) {
    IniHandle doc = ReadText("[S]\r\n; note\r\nT Line0001 = \"ab\"\r\nT Line0002 = cd\r\n");
    ASSERT_EQ(doc->sections[0].items.size(), 1u);
    const IniItem& item = doc->sections[0].items[0];
    EXPECT_EQ(item.value, "abcd");
    EXPECT_TRUE(item.quoted);
    EXPECT_EQ(item.comment, "; note");
}

TEST_F(IniRead, RunsDoNotCrossSections) {
    IniHandle doc = ReadText("[A]\r\nT Line0001 = a\r\n[B]\r\nT Line0002 = b\r\n");
    EXPECT_EQ(Get(doc.get(), "A", "T"), "a");
    EXPECT_EQ(Get(doc.get(), "B", "T Line0002"), "b");
}

// ---- hostile input -------------------------------------------------------

TEST_F(IniRead, ArbitraryBytesGiveADocument) {
    const std::string nul(1, '\0');
    const std::string inputs[] = {
        "[",
        "[" + nul + "]\r\nA = 1",
        "[S]\r\nA = \"unterminated\r\nB = \"\r\n",
        "[S]\r\nA = \"x\\\"\r\nB = \\x\r\nC = \"\\x4\"\r\n",
        "[S]" + nul + "A = 1" + nul + nul + "B" + nul + "= 2",
        // Lines of nearly 1 MiB, the largest file the store reads.
        "[S]\r\n" + std::string((1 << 20) - 64, 'x') + " = 1\r\nA = 2\r\n",
        "[S]\r\nA = " + std::string((1 << 20) - 64, '"') + "\r\n",
        "[S]\r\n" + std::string(300, 'T') + " = 1\r\n[" + std::string(300, 'N') + "]\r\nX = 2",
        std::string(5000, '\r') + std::string(5000, '\n') + std::string(5000, '\0'),
        std::string(5000, '='),
        "\xff\xfe[\x80]\r\n\xe4 = \xf6\r\n",
    };
    for (const std::string& in : inputs) {
        int r = 1;
        IniHandle doc = ReadText(in, &r);
        EXPECT_EQ(r, 0);
        for (const char* section : {"S", "N", "\x80", ""}) {
            for (const char* tag : {"A", "B", "C", "X", "\xe4"}) {
                char small[4];
                int32_t v = 0;
                Ini_GetStringIntoBuffer(doc.get(), section, tag, small, sizeof small);
                EXPECT_LT(std::char_traits<char>::length(small), sizeof small);
                Ini_GetInt(doc.get(), section, tag, &v);
            }
        }
        (void)Ini_Format(doc.get());
    }
}

TEST_F(IniRead, LongNamesAreKeptWhole) {
    const std::string tag(300, 'T');
    const std::string name(400, 'N');
    IniHandle doc = ReadText("[" + name + "]\r\n" + tag + " = 7\r\n");
    ASSERT_EQ(doc->sections.size(), 1u);
    EXPECT_EQ(doc->sections[0].name, name);
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), name, tag, &v), 1);
    EXPECT_EQ(v, 7);
}

TEST_F(IniRead, ManySectionsReadInOnePass) {
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "[S" + std::to_string(i) + "]\r\nA = " + std::to_string(i) + "\r\n";
    int r = 1;
    // About 2 MB: more than the store takes from a file, so under a raised limit.
    IniHandle doc = ReadText(text, &r, 4 << 20);
    EXPECT_EQ(r, 0);
    ASSERT_EQ(doc->sections.size(), 100000u);
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "S99999", "A", &v), 1);
    EXPECT_EQ(v, 99999);
}

}  // namespace
}  // namespace lq
