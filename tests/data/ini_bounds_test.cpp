// The reader refuses what is not a small regular file, at once and without
// memory that grows with the input.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "data/ini.h"
#include "data/ini_detail.h"
#include "tests/data/ini_test_util.h"

namespace lq {
namespace {

using ini_test::IniFileTest;
using ini_test::WriteBytes;

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
long StatusKiB(const std::string& field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

class IniBounds : public IniFileTest {
  protected:
    struct Input {
        const char* name;
        std::string path;
        int result;
        IniFileCause::Kind cause;
    };

    // The hostile inputs of the table, made in the scratch directory.
    std::vector<Input> MakeInputs() {
        const std::string fifo = Path("fifo");
        EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer ever opens it
        std::string big;
        while (big.size() < (2u << 20)) big += "[S" + std::to_string(big.size()) + "]\r\nA = 1\r\n";
        WriteBytes(Path("big.ini"), big);
        WriteBytes(Path("empty.ini"), "");
        ::mkdir(Path("folder").c_str(), 0700);
        return {
            {"fifo without writer", fifo, INI_READ_ERROR, IniFileCause::kNotRegular},
            {"/dev/zero", "/dev/zero", INI_READ_ERROR, IniFileCause::kNotRegular},
            {"directory", Path("folder"), INI_READ_ERROR, IniFileCause::kNotRegular},
            {"2 MiB file", Path("big.ini"), INI_READ_ERROR, IniFileCause::kTooLarge},
            {"zero bytes", Path("empty.ini"), INI_OK, IniFileCause::kNone},
            {"missing", Path("missing.ini"), INI_CANNOT_OPEN, IniFileCause::kSystem},
        };
    }
};

TEST_F(IniBounds, EachHostileInputEndsAtOnceWithItsCode) {
    for (const Input& in : MakeInputs()) {
        SCOPED_TRACE(in.name);
        IniHandle doc = Ini_NewHandle();
        IniFileCause cause;
        cause.kind = IniFileCause::kSystem;  // overwritten by every call
        EXPECT_EQ(Ini_ReadFromFile(doc.get(), in.path, &cause), in.result);
        EXPECT_EQ(cause.kind, in.cause);
        EXPECT_EQ(cause.error, in.cause == IniFileCause::kSystem ? ENOENT : 0);
        EXPECT_TRUE(doc->sections.empty());
    }
}

TEST_F(IniBounds, AFileOfExactlyTheLimitIsRead) {
    std::string text = "[S]\r\nA = 1\r\n";
    text += std::string(static_cast<size_t>(kMaxIniFileSize) - text.size(), '\n');
    WriteBytes(Path("limit.ini"), text);
    IniHandle doc = Ini_NewHandle();
    EXPECT_EQ(Ini_ReadFromFile(doc.get(), Path("limit.ini")), INI_OK);
    int32_t v = 0;
    EXPECT_EQ(Ini_GetInt(doc.get(), "S", "A", &v), 1);

    WriteBytes(Path("over.ini"), text + "\n");
    IniHandle over = Ini_NewHandle();
    IniFileCause cause;
    EXPECT_EQ(Ini_ReadFromFile(over.get(), Path("over.ini"), &cause), INI_READ_ERROR);
    EXPECT_EQ(cause.kind, IniFileCause::kTooLarge);
}

TEST_F(IniBounds, LinesPastTheByteLimitAreAReadError) {
    // What the size check cannot see, a file that grows while it is read,
    // ends at the same limit: the line splitter counts what it takes.
    WriteBytes(Path("grown"), "a\r\n" + std::string(5000, 'b'));
    std::FILE* f = std::fopen(Path("grown").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ini_detail::LineFile lines(f, 4096);
    std::string line;
    int r;
    int count = 0;
    while ((r = lines.ReadLine(line)) == 1) ++count;
    std::fclose(f);
    EXPECT_EQ(r, INI_READ_ERROR);
    EXPECT_TRUE(lines.TooLarge());
    EXPECT_EQ(count, 1);
}

TEST_F(IniBounds, ReadingAHundredRoundsKeepsThePeakFlat) {
    const std::vector<Input> inputs = MakeInputs();
    // In a child of its own, so that what other tests allocated does not hide
    // a peak; the peak is reset there before the rounds start.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(fds[0]);
        long report[2] = {-1, -1};
        std::FILE* clear = std::fopen("/proc/self/clear_refs", "w");
        const bool reset = clear && std::fputs("5", clear) >= 0 && std::fclose(clear) == 0;
        if (reset) {
            report[0] = StatusKiB("VmRSS");
            for (int round = 0; round < 100; ++round)
                for (const Input& in : inputs) {
                    IniHandle doc = Ini_NewHandle();
                    Ini_ReadFromFile(doc.get(), in.path);
                }
            report[1] = StatusKiB("VmHWM");
        }
        (void)!::write(fds[1], report, sizeof report);
        ::_exit(0);
    }
    ::close(fds[1]);
    long report[2] = {-1, -1};
    const ssize_t n = ::read(fds[0], report, sizeof report);
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    ASSERT_EQ(n, static_cast<ssize_t>(sizeof report));
    if (report[0] < 0) GTEST_SKIP() << "the kernel cannot reset the peak resident size";
    ASSERT_GT(report[1], 0);
    // Parsing the 2 MiB file alone would take tens of MiB.
    EXPECT_LT(report[1] - report[0], 4096) << "start " << report[0] << " KiB, peak " << report[1];
}

}  // namespace
}  // namespace lq
