// Where each section and item of a read file came from, and reading INI text
// held in memory.
#include <string>
#include <vector>

#include "data/ini.h"
#include "tests/data/ini_test_util.h"

namespace lq {
namespace {

using ini_test::IniFileTest;
using ini_test::WriteBytes;

// "section:line" and "section/tag:line" for everything in the document.
std::vector<std::string> Lines(const IniDocument& doc) {
    std::vector<std::string> out;
    for (const IniSection& s : doc.sections) {
        out.push_back(s.name + ":" + std::to_string(s.line));
        for (const IniItem& i : s.items)
            out.push_back(s.name + "/" + i.tag + ":" + std::to_string(i.line));
    }
    return out;
}

struct LineCase {
    const char* text;
    std::vector<std::string> expected;
};

class IniLines : public IniFileTest {};

TEST_F(IniLines, SectionsAndItemsKeepTheLineTheyWereReadFrom) {
    const LineCase cases[] = {
        // Blank lines, comments and an item before the first section still count.
        {"; c\r\n\r\nX = 1\r\n[A]\r\n\r\nb = 2\r\n; note\r\nc = 3\r\n", {"A:4", "A/b:6", "A/c:8"}},
        // Bare LF, bare CR and mixed line ends are one line each.
        {"[A]\nb = 1\rc = 2\r\n[B]\n\nd = 4\n", {"A:1", "A/b:2", "A/c:3", "B:4", "B/d:6"}},
        // Lines the parser drops (no '=', empty value, broken header) still count.
        {"[A]\njunk\nb =\n[broken\nc = 5\n", {"A:1", "A/c:5"}},
        // A continuation run is joined into the item of its first piece.
        {"[A]\nT Line0001 = a\nT Line0002 = b\nu = 1\n", {"A:1", "A/T:2", "A/u:4"}},
    };
    for (const LineCase& c : cases) {
        WriteBytes(Path("f.ini"), c.text);
        IniHandle doc = Ini_NewHandle();
        ASSERT_EQ(Ini_ReadFromFile(doc.get(), Path("f.ini")), INI_OK);
        EXPECT_EQ(Lines(*doc), c.expected) << c.text;
        // The same text from memory gives the same document.
        IniHandle fromText = Ini_NewHandle();
        ASSERT_EQ(Ini_ReadFromText(fromText.get(), c.text), INI_OK);
        EXPECT_EQ(Lines(*fromText), c.expected) << c.text;
    }
}

TEST(IniText, ValuesDecodeAsFromAFileAndEmptyTextIsAnEmptyDocument) {
    IniHandle doc = Ini_NewHandle();
    ASSERT_EQ(Ini_ReadFromText(doc.get(), "[S]\r\nname = \"a\\tb\"\r\nn = -7\r\n"), INI_OK);
    char buf[16];
    EXPECT_EQ(Ini_GetStringIntoBuffer(doc.get(), "S", "name", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "a\tb");
    int32_t n = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "n", &n), 1);
    EXPECT_EQ(n, -7);

    IniHandle empty = Ini_NewHandle();
    EXPECT_EQ(Ini_ReadFromText(empty.get(), ""), INI_OK);
    EXPECT_TRUE(empty->sections.empty());
    EXPECT_EQ(Ini_ReadFromText(nullptr, "[S]"), INI_NULL_ARGUMENT);
}

// Text from the network has the same bound as a file: one byte over it is
// refused whole, with the cause, and leaves the document as it was.
TEST(IniText, TextOverTheFileSizeLimitIsRefusedWhole) {
    const std::string line = "[S]\nk = v\n";
    std::string atLimit;
    while (atLimit.size() + line.size() <= static_cast<size_t>(kMaxIniFileSize)) atLimit += line;
    atLimit.append(static_cast<size_t>(kMaxIniFileSize) - atLimit.size(), ' ');

    IniHandle ok = Ini_NewHandle();
    EXPECT_EQ(Ini_ReadFromText(ok.get(), atLimit), INI_OK);
    EXPECT_FALSE(ok->sections.empty());

    IniHandle over = Ini_NewHandle();
    IniFileCause cause;
    EXPECT_EQ(Ini_ReadFromText(over.get(), atLimit + " ", &cause), INI_READ_ERROR);
    EXPECT_EQ(cause.kind, IniFileCause::kTooLarge);
    EXPECT_TRUE(over->sections.empty());
}

}  // namespace
}  // namespace lq
