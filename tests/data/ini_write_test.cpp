// Puts, the written text and the replacement of the target file.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "data/ini.h"
#include "data/ini_detail.h"
#include "tests/data/ini_test_util.h"

namespace lq {
namespace {

using ini_test::Exists;
using ini_test::IniFileTest;
using ini_test::ListDir;
using ini_test::ReadBytes;
using ini_test::WriteBytes;

constexpr char kTen[] = "0123456789";

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(IniFormat, WholeTextOfASmallDocument) {
    IniHandle doc = Ini_NewHandle();
    ASSERT_EQ(Ini_PutString(doc.get(), "GENERAL INFO", "FILE TYPE:", "Parameter File"), 0);
    ASSERT_EQ(Ini_PutString(doc.get(), "GENERAL INFO", "PATH", "C:\\Sensor\\Data\\"), 0);
    ASSERT_EQ(Ini_PutString(doc.get(), "GENERAL INFO", "LONG", Repeat(kTen, 9)), 0);
    ASSERT_EQ(Ini_PutInt(doc.get(), "PARAMETER", "POWER", 500), 0);
    ASSERT_EQ(Ini_PutInt(doc.get(), "PARAMETER", "OFFSET", -12), 0);
    ASSERT_EQ(Ini_PutString(doc.get(), "EMPTY", "NOTHING", ""), 0);

    const std::string expected =
        "[GENERAL INFO]\r\n"
        "FILE TYPE: = \"Parameter File\"\r\n"
        R"(PATH = "C:\\Sensor\\Data\\")"
        "\r\n"
        "LONG Line0001 = "
        "\"01234567890123456789012345678901234567890123456789012345678901234567890123456789\"\r\n"
        "LONG Line0002 = \"0123456789\"\r\n"
        "\r\n"
        "[PARAMETER]\r\n"
        "POWER = 500\r\n"
        "OFFSET = -12\r\n"
        "\r\n"
        "[EMPTY]\r\n"
        "NOTHING = \"\"\r\n"
        "\r\n";
    EXPECT_EQ(Ini_Format(doc.get()), expected);
}

TEST(IniFormat, SectionWithoutItemsAndEmptyDocument) {
    IniHandle doc = Ini_NewHandle();
    EXPECT_EQ(Ini_Format(doc.get()), "");
    doc->sections.push_back(IniSection{"ALONE", {}, {}});
    EXPECT_EQ(Ini_Format(doc.get()), "[ALONE]\r\n\r\n");
}

TEST(IniFormat, EscapeTable) {
    struct Case {
        std::string text;
        std::string stored;
    };
    const Case cases[] = {
        {"a\tb", "a\\tb"},
        {"a\nb", "a\\nb"},
        {"a\rb", "a\\rb"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"C:\\Data\\", "C:\\\\Data\\\\"},
        {std::string("\0", 1), "\\x00"},
        {"\x01\x1f\x7f", "\\x01\\x1f\\x7f"},
        {"\x1b[0m", "\\x1b[0m"},
        {"\x80\xe4\xff ;=[]", "\x80\xe4\xff ;=[]"},  // other bytes stay as they are
    };
    for (const Case& c : cases) {
        IniHandle doc = Ini_NewHandle();
        ASSERT_EQ(Ini_PutString(doc.get(), "S", "T", c.text), 0);
        ASSERT_EQ(doc->sections.size(), 1u);
        ASSERT_EQ(doc->sections[0].items.size(), 1u);
        EXPECT_EQ(doc->sections[0].items[0].value, c.stored) << c.stored;
        EXPECT_TRUE(doc->sections[0].items[0].quoted);
    }
}

TEST(IniFormat, PathStoredAsTenCharactersBetweenQuotes) {
    IniHandle doc = Ini_NewHandle();
    ASSERT_EQ(Ini_PutString(doc.get(), "S", "PATH", "C:\\Data\\"), 0);
    EXPECT_EQ(doc->sections[0].items[0].value.size(), 10u);
    EXPECT_EQ(Ini_Format(doc.get()), "[S]\r\nPATH = \"C:\\\\Data\\\\\"\r\n\r\n");
}

TEST(IniFormat, ValueLengthsAroundTheLineLimit) {
    const std::string v80 = Repeat(kTen, 8);
    const std::string v81 = v80 + "X";
    const std::string v161 = v80 + v80 + "Y";
    struct Case {
        std::string value;
        std::string lines;
    };
    const Case cases[] = {
        {v80, "T = \"" + v80 + "\"\r\n"},
        {v81, "T Line0001 = \"" + v80 + "\"\r\nT Line0002 = \"X\"\r\n"},
        {v161,
         "T Line0001 = \"" + v80 + "\"\r\nT Line0002 = \"" + v80 + "\"\r\nT Line0003 = \"Y\"\r\n"},
    };
    for (const Case& c : cases) {
        IniHandle doc = Ini_NewHandle();
        ASSERT_EQ(Ini_PutString(doc.get(), "S", "T", c.value), 0);
        EXPECT_EQ(Ini_Format(doc.get()), "[S]\r\n" + c.lines + "\r\n") << c.value.size();
    }
}

TEST(IniFormat, UnquotedLongValueAndDisabledSplitting) {
    IniHandle doc = Ini_NewHandle();
    doc->sections.push_back(IniSection{"S", {IniItem{"N", Repeat("1", 85), false, {}}}, {}});
    EXPECT_EQ(Ini_Format(doc.get()),
              "[S]\r\nN Line0001 = " + Repeat("1", 80) + "\r\nN Line0002 = 11111\r\n\r\n");
    doc->maxValueLineLength = 0;
    EXPECT_EQ(Ini_Format(doc.get()), "[S]\r\nN = " + Repeat("1", 85) + "\r\n\r\n");
}

TEST(IniFormat, LongTagsAreCut) {
    const std::string tag(300, 'T');
    IniHandle doc = Ini_NewHandle();
    ASSERT_EQ(Ini_PutInt(doc.get(), "S", tag, 1), 0);
    ASSERT_EQ(Ini_PutString(doc.get(), "S", tag + "L", Repeat(kTen, 9)), 0);
    const std::string text = Ini_Format(doc.get());
    EXPECT_NE(text.find("\r\n" + std::string(255, 'T') + " = 1\r\n"), std::string::npos);
    EXPECT_EQ(text.find(std::string(256, 'T')), std::string::npos);
    EXPECT_NE(text.find("\r\n" + std::string(246, 'T') + " Line0001 = "), std::string::npos);
    EXPECT_NE(text.find("\r\n" + std::string(246, 'T') + " Line0002 = \"0123456789\"\r\n"),
              std::string::npos);
}

TEST(IniPut, IntegersInDecimal) {
    const std::pair<int32_t, std::string> cases[] = {
        {0, "0"}, {500, "500"}, {-1, "-1"}, {2147483647, "2147483647"}, {INT32_MIN, "-2147483648"}};
    for (const auto& [value, text] : cases) {
        IniHandle doc = Ini_NewHandle();
        ASSERT_EQ(Ini_PutInt(doc.get(), "S", "N", value), 0);
        EXPECT_EQ(doc->sections[0].items[0].value, text);
        EXPECT_FALSE(doc->sections[0].items[0].quoted);
    }
}

TEST(IniPut, TrimsNamesAndFindsEitherSpelling) {
    IniHandle doc = Ini_NewHandle();
    ASSERT_EQ(Ini_PutInt(doc.get(), "  TEACH VECTOR 0\t", "GROUP ", 3), 0);
    ASSERT_EQ(Ini_PutInt(doc.get(), "TEACH VECTOR 0", " HOLD ", 10), 0);
    ASSERT_EQ(doc->sections.size(), 1u);
    EXPECT_EQ(doc->sections[0].name, "TEACH VECTOR 0");
    EXPECT_EQ(doc->sections[0].items[0].tag, "GROUP");
    EXPECT_EQ(Ini_Format(doc.get()), "[TEACH VECTOR 0]\r\nGROUP = 3\r\nHOLD = 10\r\n\r\n");
    for (const char* tag : {"GROUP", "GROUP ", "group", " Group\t"}) {
        int32_t v = 0;
        EXPECT_EQ(Ini_GetInt(doc.get(), "teach vector 0", tag, &v), 1) << tag;
        EXPECT_EQ(v, 3);
    }
}

TEST(IniPut, SectionsAndItemsKeepInsertionOrder) {
    IniHandle doc = Ini_NewHandle();
    Ini_PutInt(doc.get(), "B", "Z", 1);
    Ini_PutInt(doc.get(), "A", "Y", 2);
    Ini_PutInt(doc.get(), "B", "A", 3);
    EXPECT_EQ(Ini_Format(doc.get()), "[B]\r\nZ = 1\r\nA = 3\r\n\r\n[A]\r\nY = 2\r\n\r\n");
}

TEST(IniPut, ReplacesEveryItemOfTheTagAtThePlaceOfTheFirst) {
    IniHandle doc = Ini_NewHandle();
    doc->sections.push_back(IniSection{
        "S",
        {IniItem{"A", "1", false, {}}, IniItem{"X", "2", false, {}}, IniItem{"a", "3", false, {}},
         IniItem{"Y", "4", false, {}}, IniItem{" A", "5", false, {}}},
        {}});
    ASSERT_EQ(Ini_PutString(doc.get(), "S", "A ", "new"), 0);
    EXPECT_EQ(Ini_Format(doc.get()), "[S]\r\nA = \"new\"\r\nX = 2\r\nY = 4\r\n\r\n");

    doc->duplicateChecking = false;
    ASSERT_EQ(Ini_PutInt(doc.get(), "S", "A", 9), 0);
    EXPECT_EQ(Ini_Format(doc.get()), "[S]\r\nA = \"new\"\r\nX = 2\r\nY = 4\r\nA = 9\r\n\r\n");
}

TEST(IniPut, NoDocument) {
    EXPECT_EQ(Ini_PutInt(nullptr, "S", "T", 1), INI_NULL_ARGUMENT);
    EXPECT_EQ(Ini_PutString(nullptr, "S", "T", "x"), INI_NULL_ARGUMENT);
    EXPECT_EQ(Ini_WriteToFile(nullptr, "/tmp/x.ini"), INI_NULL_ARGUMENT);
    EXPECT_EQ(Ini_Format(nullptr), "");
    Ini_Dispose(nullptr);
}

// ---- file replacement ----------------------------------------------------

class IniWriteFile : public IniFileTest {
  protected:
    IniHandle SmallDocument() {
        IniHandle doc = Ini_NewHandle();
        Ini_PutString(doc.get(), "GENERAL INFO", "FILE TYPE:", "Parameter File");
        Ini_PutInt(doc.get(), "PARAMETER", "POWER", 500);
        return doc;
    }
    bool TempFilesLeft() const {
        for (const std::string& n : ListDir(dir_)) {
            if (n.rfind("ini$$", 0) == 0) return true;
        }
        return false;
    }
};

TEST_F(IniWriteFile, CreatesANewFileWithTheFormattedText) {
    IniHandle doc = SmallDocument();
    const std::string target = Path("Parameter.ini");
    ASSERT_EQ(Ini_WriteToFile(doc.get(), target), 0);
    EXPECT_EQ(ReadBytes(target), Ini_Format(doc.get()));
    EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"Parameter.ini"});
}

TEST_F(IniWriteFile, ReplacesAnExistingFileAndKeepsItsPermissions) {
    const std::string target = Path("PanelSettings.cfg");
    WriteBytes(target, std::string(50000, 'o'));  // longer than the new text
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    IniHandle doc = SmallDocument();
    ASSERT_EQ(Ini_WriteToFile(doc.get(), target), 0);
    EXPECT_EQ(ReadBytes(target), Ini_Format(doc.get()));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_FALSE(TempFilesLeft());
}

TEST_F(IniWriteFile, LargeDocumentGoesThroughInPieces) {
    IniHandle doc = Ini_NewHandle();
    for (int i = 0; i < 2000; ++i) Ini_PutString(doc.get(), "S" + std::to_string(i), "T", kTen);
    const std::string target = Path("big.ini");
    ASSERT_EQ(Ini_WriteToFile(doc.get(), target), 0);
    EXPECT_EQ(ReadBytes(target), Ini_Format(doc.get()));
}

TEST_F(IniWriteFile, TakesTheFirstFreeTemporaryName) {
    // Names that exist are skipped; the one taken is gone after the rename.
    WriteBytes(Path("ini$$0.CVI"), "keep 0");
    WriteBytes(Path("ini$$1.CVI"), "keep 1");
    WriteBytes(Path("ini$$3.CVI"), "keep 3");
    IniHandle doc = SmallDocument();
    ASSERT_EQ(Ini_WriteToFile(doc.get(), Path("p.ini")), 0);
    EXPECT_EQ(ReadBytes(Path("ini$$0.CVI")), "keep 0");
    EXPECT_EQ(ReadBytes(Path("ini$$1.CVI")), "keep 1");
    EXPECT_FALSE(Exists(Path("ini$$2.CVI")));
    EXPECT_EQ(ReadBytes(Path("ini$$3.CVI")), "keep 3");
    EXPECT_EQ(ListDir(dir_).size(), 4u);
}

TEST_F(IniWriteFile, AllTemporaryNamesInUseLeavesTheOldFile) {
    for (int n = 0; n <= 999; ++n) WriteBytes(Path("ini$$" + std::to_string(n) + ".CVI"), "");
    const std::string target = Path("p.ini");
    WriteBytes(target, "old");
    IniHandle doc = SmallDocument();
    EXPECT_EQ(Ini_WriteToFile(doc.get(), target), INI_TOO_MANY_TEMP_FILES);
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_EQ(ListDir(dir_).size(), 1001u);
}

TEST_F(IniWriteFile, TargetThatCannotBeAFileIsNotWritable) {
    // These hold for root as well: a directory never opens for writing, and
    // nothing can be created below a regular file or a missing directory.
    ASSERT_EQ(::mkdir(Path("adir").c_str(), 0755), 0);
    WriteBytes(Path("afile"), "plain");
    const std::string targets[] = {Path("adir"), Path("afile/p.ini"), Path("missing/p.ini"), ""};
    for (const std::string& target : targets) {
        IniHandle doc = SmallDocument();
        EXPECT_EQ(Ini_WriteToFile(doc.get(), target), INI_NOT_WRITABLE) << target;
    }
    EXPECT_EQ(ReadBytes(Path("afile")), "plain");
    EXPECT_TRUE(ListDir(Path("adir")).empty());
    EXPECT_EQ(ListDir(dir_).size(), 2u);
}

TEST_F(IniWriteFile, ProbeOfAMissingTargetLeavesNoFileBehind) {
    // The directory refuses new files, so the probe fails before anything
    // else is tried. Checked through a process without privileges, since
    // root would pass the permission check.
    const std::string sub = Path("ro");
    ASSERT_EQ(::mkdir(sub.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
    const std::string target = sub + "/p.ini";
    IniHandle doc = SmallDocument();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(2);
        ::_exit(Ini_WriteToFile(doc.get(), target) == INI_NOT_WRITABLE ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(ListDir(sub).empty());
}

// Runs the write in a child process without privileges (when the test runs
// as root) and returns its result.
int WriteAsUnprivileged(IniDocument* doc, const std::string& target) {
    int fds[2];
    if (::pipe(fds) != 0) return 1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        int r = 1;
        if (::geteuid() != 0 || ::setuid(65534) == 0) r = Ini_WriteToFile(doc, target);
        (void)!::write(fds[1], &r, sizeof r);
        ::_exit(0);
    }
    ::close(fds[1]);
    int r = 1;
    if (pid < 0 || ::read(fds[0], &r, sizeof r) != sizeof r) r = 1;
    ::close(fds[0]);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
    return r;
}

TEST_F(IniWriteFile, ReadOnlyTargetIsLeftUntouched) {
    ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    const std::string target = Path("p.ini");
    WriteBytes(target, "old contents");
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    IniHandle doc = SmallDocument();
    EXPECT_EQ(WriteAsUnprivileged(doc.get(), target), INI_NOT_WRITABLE);
    EXPECT_EQ(ReadBytes(target), "old contents");
    EXPECT_FALSE(TempFilesLeft());
    EXPECT_EQ(ListDir(dir_).size(), 1u);
}

TEST_F(IniWriteFile, DirectoryRefusingTemporaryFilesLeavesTheOldFile) {
    // The target itself is writable, the directory takes no new file.
    ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    const std::string sub = Path("ro");
    ASSERT_EQ(::mkdir(sub.c_str(), 0777), 0);
    const std::string target = sub + "/p.ini";
    WriteBytes(target, "old contents");
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
    IniHandle doc = SmallDocument();
    EXPECT_EQ(WriteAsUnprivileged(doc.get(), target), INI_NOT_WRITABLE);
    EXPECT_EQ(ReadBytes(target), "old contents");
    EXPECT_EQ(ListDir(sub).size(), 1u);
}

TEST_F(IniWriteFile, FailedWriteRemovesTheTemporaryFileAndKeepsTheOldOne) {
    // A file size limit makes the write of the temporary file fail part-way,
    // for root too.
    const std::string target = Path("p.ini");
    WriteBytes(target, "old contents");
    IniHandle doc = Ini_NewHandle();
    for (int i = 0; i < 500; ++i) Ini_PutString(doc.get(), "S" + std::to_string(i), "T", kTen);
    ASSERT_GT(Ini_Format(doc.get()).size(), 8192u);

    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &old), 0);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int r = Ini_WriteToFile(doc.get(), target);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &old, nullptr);

    EXPECT_EQ(r, INI_IO_ERROR);
    EXPECT_EQ(ReadBytes(target), "old contents");
    EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"p.ini"});
}

TEST_F(IniWriteFile, BareFileNameGoesToTheCurrentDirectory) {
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(dir_.c_str()), 0);
    IniHandle doc = SmallDocument();
    const int r = Ini_WriteToFile(doc.get(), "bare.ini");
    ASSERT_EQ(::chdir(cwd), 0);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(ReadBytes(Path("bare.ini")), Ini_Format(doc.get()));
    EXPECT_EQ(ListDir(dir_).size(), 1u);
}

}  // namespace
}  // namespace lq
