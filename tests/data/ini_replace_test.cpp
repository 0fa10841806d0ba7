// The write path, watched between every two of its file-system calls: the
// target is at every moment what it was before or the complete new file, and
// a missing target is never created before the finished temporary file is
// renamed to its name. Failures injected at each call keep it so and give
// the documented result codes.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/ini.h"
#include "data/ini_detail.h"
#include "tests/data/ini_test_util.h"

namespace lq {
namespace {

using ini_detail::FileCalls;
using ini_test::Exists;
using ini_test::IniFileTest;
using ini_test::ListDir;
using ini_test::ReadBytes;
using ini_test::WriteBytes;

enum class Call { Stat, Open, Write, Fchmod, Fsync, Close, Rename, Unlink };

// Checks the target around every call and can make the n-th call of a kind
// fail with an errno instead of running.
class WatchedCalls : public FileCalls {
  public:
    WatchedCalls(std::string target, std::optional<std::string> old, std::string full)
        : target_(std::move(target)), old_(std::move(old)), full_(std::move(full)) {}

    void FailAt(Call kind, int nth, int err) {
        failKind_ = kind;
        failNth_ = nth;
        failErrno_ = err;
    }
    std::vector<std::string> violations;
    bool renamed = false;  // the rename onto the target has returned 0

    int Stat(const std::string& p, struct stat* st) override {
        return Run(Call::Stat, [&] { return FileCalls::Stat(p, st); });
    }
    int Open(const std::string& p, int flags, mode_t mode) override {
        if (p == target_ && (flags & O_CREAT)) violations.push_back("target opened with O_CREAT");
        return Run(Call::Open, [&] { return FileCalls::Open(p, flags, mode); });
    }
    ssize_t Write(int fd, const char* data, size_t size) override {
        return Run(Call::Write, [&] { return FileCalls::Write(fd, data, size); });
    }
    int Fchmod(int fd, mode_t mode) override {
        return Run(Call::Fchmod, [&] { return FileCalls::Fchmod(fd, mode); });
    }
    int Fsync(int fd) override {
        return Run(Call::Fsync, [&] { return FileCalls::Fsync(fd); });
    }
    int Close(int fd) override {
        // A close that is made to fail still releases the descriptor.
        return Run(
            Call::Close, [&] { return FileCalls::Close(fd); }, [&] { FileCalls::Close(fd); });
    }
    int Rename(const std::string& from, const std::string& to) override {
        return Run(Call::Rename, [&] {
            const int r = FileCalls::Rename(from, to);
            if (r == 0 && to == target_) renamed = true;
            return r;
        });
    }
    int Unlink(const std::string& p) override {
        if (p == target_) violations.push_back("target unlinked");
        return Run(Call::Unlink, [&] { return FileCalls::Unlink(p); });
    }

  private:
    bool Due(Call kind) {
        if (kind != failKind_) return false;
        return seen_[static_cast<int>(kind)]++ == failNth_;
    }
    template <class F>
    auto Run(Call kind, F&& call, const std::function<void()>& onFail = {}) -> decltype(call()) {
        Check("before");
        if (Due(kind)) {
            if (onFail) onFail();
            errno = failErrno_;
            return -1;
        }
        const auto r = call();
        const int saved = errno;
        Check("after");
        errno = saved;
        return r;
    }
    void Check(const char* when) {
        if (!Exists(target_)) {
            if (old_) violations.push_back(std::string("target missing ") + when);
            return;
        }
        const std::string now = ReadBytes(target_);
        if (!old_ && !renamed) violations.push_back(std::string("target exists ") + when);
        if (now != full_ && (!old_ || now != *old_))
            violations.push_back(std::string("target partial ") + when);
    }

    std::string target_;
    std::optional<std::string> old_;
    std::string full_;
    std::optional<Call> failKind_;
    int failNth_ = 0;
    int failErrno_ = 0;
    int seen_[8] = {};
};

class IniReplace : public IniFileTest {
  protected:
    // More than one write buffer, so that the temporary file grows in steps.
    std::string Text() const {
        std::string t;
        for (int i = 0; t.size() < 40000; ++i) t += "[S" + std::to_string(i) + "]\r\nA = 1\r\n\r\n";
        return t;
    }
};

TEST_F(IniReplace, TheTargetIsOldOrCompleteAtEveryStep) {
    const std::string text = Text();
    for (const bool existed : {false, true}) {
        SCOPED_TRACE(existed ? "existing target" : "missing target");
        const std::string target = Path(existed ? "old.ini" : "new.ini");
        std::optional<std::string> old;
        if (existed) {
            old = "old contents";
            WriteBytes(target, *old);
        }
        WatchedCalls calls(target, old, text);
        EXPECT_EQ(ini_detail::ReplaceFile(target, text, nullptr, calls), INI_OK);
        EXPECT_TRUE(calls.renamed);
        EXPECT_EQ(calls.violations, std::vector<std::string>{});
        EXPECT_TRUE(ReadBytes(target) == text) << "new contents incomplete";
    }
    EXPECT_EQ(ListDir(dir_).size(), 2u);  // no temporary file left
}

TEST_F(IniReplace, AFailureAtAnyStepKeepsTheTargetAndItsCode) {
    struct Case {
        const char* name;
        Call kind;
        int nth;  // which call of that kind fails (0 the first)
        int err;
        int missingResult;   // when the target did not exist
        int existingResult;  // when it did
    };
    // Open 0 is the probe of an existing target or, for a missing one, the
    // temporary file; Write 1 is the second buffer of the text.
    const Case cases[] = {
        {"temporary file: disk full", Call::Open, 0, ENOSPC, INI_NOT_WRITABLE, INI_NOT_WRITABLE},
        {"write: disk full", Call::Write, 1, ENOSPC, INI_DISK_FULL, INI_DISK_FULL},
        {"write: quota", Call::Write, 0, EDQUOT, INI_DISK_FULL, INI_DISK_FULL},
        {"write: I/O error", Call::Write, 1, EIO, INI_IO_ERROR, INI_IO_ERROR},
        {"fsync: I/O error", Call::Fsync, 0, EIO, INI_IO_ERROR, INI_IO_ERROR},
        {"fsync: disk full", Call::Fsync, 0, ENOSPC, INI_DISK_FULL, INI_DISK_FULL},
        {"close: I/O error", Call::Close, 0, EIO, INI_IO_ERROR, INI_IO_ERROR},
        {"rename refused", Call::Rename, 0, EXDEV, INI_IO_ERROR, INI_IO_ERROR},
    };
    const std::string text = Text();
    for (const Case& c : cases) {
        for (const bool existed : {false, true}) {
            SCOPED_TRACE(std::string(c.name) +
                         (existed ? ", existing target" : ", missing target"));
            const std::string target = Path("t.ini");
            ::unlink(target.c_str());
            std::optional<std::string> old;
            if (existed) {
                old = "old contents";
                WriteBytes(target, *old);
            }
            WatchedCalls calls(target, old, text);
            // For an existing target the first Open and Close are the probe's.
            const bool probed = existed && (c.kind == Call::Open || c.kind == Call::Close);
            const int nth = probed ? c.nth + 1 : c.nth;
            calls.FailAt(c.kind, nth, c.err);
            IniFileCause cause;
            const int r = ini_detail::ReplaceFile(target, text, &cause, calls);
            const int expected =
                existed ? (c.kind == Call::Open ? INI_CANNOT_CREATE_TEMP : c.existingResult)
                        : c.missingResult;
            EXPECT_EQ(r, expected);
            EXPECT_EQ(cause.kind, IniFileCause::kSystem);
            EXPECT_EQ(cause.error, c.err);
            EXPECT_EQ(calls.violations, std::vector<std::string>{});
            if (existed)
                EXPECT_TRUE(ReadBytes(target) == *old) << "old contents lost";
            else
                EXPECT_FALSE(Exists(target));
            EXPECT_EQ(ListDir(dir_).size(), existed ? 1u : 0u) << "temporary file left";
        }
    }
}

TEST_F(IniReplace, CausesOfRefusalsBeforeAnyWrite) {
    ASSERT_EQ(::mkdir(Path("adir").c_str(), 0755), 0);
    // A folder whose every temporary name is taken.
    ASSERT_EQ(::mkdir(Path("full").c_str(), 0755), 0);
    for (int n = 0; n <= 999; ++n) WriteBytes(Path("full/ini$$" + std::to_string(n) + ".CVI"), "");
    struct Case {
        std::string target;
        int result;
        IniFileCause::Kind kind;
        int err;
        std::string folder;
    };
    const Case cases[] = {
        {Path("adir"), INI_NOT_WRITABLE, IniFileCause::kNotRegular, 0, ""},
        {"/dev/null", INI_NOT_WRITABLE, IniFileCause::kNotRegular, 0, ""},
        {Path("missing/p.ini"), INI_NOT_WRITABLE, IniFileCause::kSystem, ENOENT, ""},
        {"", INI_NOT_WRITABLE, IniFileCause::kSystem, ENOENT, ""},
        {Path("full/p.ini"), INI_TOO_MANY_TEMP_FILES, IniFileCause::kNoTempName, 0, Path("full")},
    };
    IniHandle doc = Ini_NewHandle();
    Ini_PutInt(doc.get(), "S", "A", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        // The check before any work predicts the write's refusal and its cause.
        IniFileCause checked;
        EXPECT_EQ(Ini_CheckWritable(c.target, &checked), c.result);
        EXPECT_EQ(checked.kind, c.kind);
        EXPECT_EQ(checked.error, c.err);
        EXPECT_EQ(checked.folder, c.folder);
        IniFileCause cause;
        EXPECT_EQ(Ini_WriteToFile(doc.get(), c.target, &cause), c.result);
        EXPECT_EQ(cause.kind, c.kind);
        EXPECT_EQ(cause.error, c.err);
        EXPECT_EQ(cause.folder, c.folder);
    }
    EXPECT_FALSE(Exists(Path("full/p.ini")));
}

TEST_F(IniReplace, TheCheckOfAWritableTargetLeavesNothingBehind) {
    WriteBytes(Path("old.ini"), "old");
    for (const char* name : {"new.ini", "old.ini"}) {
        SCOPED_TRACE(name);
        WatchedCalls calls(
            Path(name), std::string(name) == "old.ini" ? "old" : std::optional<std::string>(), "");
        EXPECT_EQ(ini_detail::CheckWritable(Path(name), nullptr, calls), INI_OK);
        EXPECT_EQ(calls.violations, std::vector<std::string>{});
    }
    EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"old.ini"});
    EXPECT_EQ(ReadBytes(Path("old.ini")), "old");
}

// The same check in a child without privileges (when the test runs as root),
// so that permissions count.
int CheckAsUnprivileged(const std::string& target, IniFileCause* cause) {
    int fds[2];
    if (::pipe(fds) != 0) return 1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        int out[2] = {1, 0};
        IniFileCause c;
        if (::geteuid() != 0 || ::setuid(65534) == 0) out[0] = Ini_CheckWritable(target, &c);
        out[1] = c.error;
        (void)!::write(fds[1], out, sizeof out);
        ::_exit(0);
    }
    ::close(fds[1]);
    int out[2] = {1, 0};
    if (pid < 0 || ::read(fds[0], out, sizeof out) != sizeof out) out[0] = 1;
    ::close(fds[0]);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
    cause->error = out[1];
    return out[0];
}

TEST_F(IniReplace, TheCheckSeesAFolderThatRefusesNewFiles) {
    ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
    const std::string sub = Path("ro");
    ASSERT_EQ(::mkdir(sub.c_str(), 0777), 0);
    WriteBytes(sub + "/old.ini", "old");
    ASSERT_EQ(::chmod((sub + "/old.ini").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
    // A missing target, and an existing writable one whose folder takes no
    // temporary file.
    for (const char* name : {"/new.ini", "/old.ini"}) {
        SCOPED_TRACE(name);
        IniFileCause cause;
        EXPECT_EQ(CheckAsUnprivileged(sub + name, &cause), INI_NOT_WRITABLE);
        EXPECT_EQ(cause.error, EACCES);
    }
    EXPECT_EQ(ListDir(sub), std::vector<std::string>{"old.ini"});
}

}  // namespace
}  // namespace lq
