// lumiquad-cli with hostile and unlucky files and outputs: every file error
// says its cause in words with status 4, `get` refuses an output it cannot
// keep before it talks to the sensor, `live` ends quietly when its reader
// goes, and a COM number without a device is a usage error.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/file_errors.h"
#include "sim/simulator.h"
#include "tests/cli/cli_run.h"
#include "tests/cli/cli_sim.h"

namespace lq::test {
namespace {

namespace fs = std::filesystem;

class CliFiles : public CliSimTest {
  protected:
    // Runs a shell command line; its exit status, or -1.
    static int Shell(const std::string& command) {
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static std::string Quoted(const std::string& s) { return "'" + s + "'"; }
};

TEST_F(CliFiles, SendNamesWhatIsWrongWithItsFile) {
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // no writer ever comes
    {
        std::FILE* f = std::fopen(dir.File("big.ini").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(ftruncate(fileno(f), 2 << 20), 0);  // 2 MiB
        std::fclose(f);
    }
    struct Case {
        std::string file;
        std::string words;
    };
    const Case cases[] = {
        {dir.path(), "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {fifo, "not a regular file"},
        {dir.File("big.ini"), "too large"},
        {dir.File("missing.ini"), "no such file or folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const CliResult r = Cli({"send", c.file});
        EXPECT_EQ(4, r.exitCode);
        EXPECT_NE(std::string::npos, r.err.find("cannot read " + c.file + ": " + c.words)) << r.err;
        EXPECT_TRUE(sensor->Requests().empty());
    }
}

TEST_F(CliFiles, GetRefusesAnOutputItCannotKeepBeforeTalkingToTheSensor) {
    const std::string full = dir.File("full");
    fs::create_directory(full);
    for (int n = 0; n <= 999; ++n) {
        std::FILE* f = std::fopen((full + "/ini$$" + std::to_string(n) + ".CVI").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    struct Case {
        std::string output;
        std::string words;
    };
    const Case cases[] = {
        {dir.path(), "not a regular file"},
        {"/dev/full", "not a regular file"},
        {dir.File("no-such-folder/out.ini"), "no such file or folder"},
        {full + "/out.ini",
         "1000 temporary files in use in " + full + " \u2014 remove the ini$$*.CVI files there"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        const CliResult r = Cli({"get", "--eeprom", "-o", c.output});
        EXPECT_EQ(4, r.exitCode);
        EXPECT_NE(std::string::npos, r.err.find("cannot write " + c.output + ": " + c.words))
            << r.err;
        // Not even the link was opened: the RAM was not reloaded from the EEPROM.
        EXPECT_TRUE(sensor->Requests().empty());
    }
    EXPECT_FALSE(fs::exists(full + "/out.ini"));
}

TEST_F(CliFiles, GetIntoAFolderWithoutWritePermission) {
    if (Shell("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "no setpriv";
    // A user without privileges, so that permissions count for root too.
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const std::string ro = dir.File("ro");
    fs::create_directory(ro);
    ASSERT_EQ(chmod(ro.c_str(), 0555), 0);
    const std::string err = dir.File("get.err");
    sensor->ClearRequests();
    const int status = Shell("setpriv --reuid=65534 --regid=65534 --clear-groups " +
                             Quoted(CliPath()) + " --tcp " + link + " get --eeprom -o " +
                             Quoted(ro + "/out.ini") + " >/dev/null 2>" + Quoted(err));
    EXPECT_EQ(4, status);
    const std::string text = ReadWhole(err);
    EXPECT_NE(std::string::npos, text.find("cannot write " + ro + "/out.ini: permission denied"))
        << text;
    EXPECT_TRUE(sensor->Requests().empty());
    EXPECT_TRUE(fs::is_empty(ro));
}

TEST_F(CliFiles, GetOntoAFullDiskSaysSoAndLeavesNothing) {
    const std::string mnt = dir.File("small");
    fs::create_directory(mnt);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    // Room for less than the parameter file (about 8.7 KB).
    Shell("head -c 12288 /dev/zero > " + Quoted(mnt + "/filler") + " 2>/dev/null");
    const CliResult r = Cli({"get", "-o", mnt + "/out.ini"});
    const bool leftOut = fs::exists(mnt + "/out.ini");
    int others = 0;
    for (const auto& e : fs::directory_iterator(mnt)) others += e.path().filename() != "filler";
    umount(mnt.c_str());
    EXPECT_EQ(4, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("cannot write " + mnt + "/out.ini: disk full"))
        << r.err;
    EXPECT_FALSE(leftOut);
    EXPECT_EQ(0, others);  // no temporary file either
}

TEST(CliFileErrorText, EveryCauseInWords) {
    struct Case {
        int result;
        IniFileCause cause;
        const char* words;
    };
    const Case cases[] = {
        {INI_DISK_FULL, {IniFileCause::kSystem, ENOSPC, {}}, "disk full"},
        {INI_DISK_FULL, {IniFileCause::kSystem, EDQUOT, {}}, "disk full"},
        {INI_NOT_WRITABLE, {IniFileCause::kSystem, EACCES, {}}, "permission denied"},
        {INI_NOT_WRITABLE, {IniFileCause::kSystem, EROFS, {}}, "read-only file system"},
        {INI_NOT_WRITABLE, {IniFileCause::kNotRegular, 0, {}}, "not a regular file"},
        {INI_READ_ERROR,
         {IniFileCause::kTooLarge, 0, {}},
         "too large (a parameter file has at most 1 MiB)"},
        {INI_TOO_MANY_TEMP_FILES,
         {IniFileCause::kNoTempName, 0, "/srv/x"},
         "1000 temporary files in use in /srv/x \u2014 remove the ini$$*.CVI files there"},
        {INI_OUT_OF_MEMORY, {}, "out of memory"},
    };
    for (const Case& c : cases) EXPECT_EQ(cli::FileErrorText(c.result, c.cause), c.words);
}

TEST_F(CliFiles, LiveEndsQuietlyWhenItsReaderGoes) {
    const std::string out = dir.File("head.out"), err = dir.File("live.err"),
                      status = dir.File("live.status");
    // No count: only the reader's going away ends the stream.
    const int shell = Shell("bash -c " +
                            Quoted(Quoted(CliPath()) + " --tcp " + link + " live 2>" + err +
                                   " | head -n 3 >" + out + "; echo ${PIPESTATUS[0]} >" + status) +
                            " 2>/dev/null");
    ASSERT_EQ(0, shell);
    EXPECT_EQ("0\n", ReadWhole(status));
    const std::vector<std::string> lines = Lines(ReadWhole(out));
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("time,R,G,B,X,Y,INT,C-No", lines[0]);
    EXPECT_EQ("", ReadWhole(err));
}

TEST_F(CliFiles, ComNumbersWithoutADeviceMappingAreUsageErrors) {
    for (const char* com : {"0", "97", "256", "257"}) {
        SCOPED_TRACE(com);
        const CliResult r = RunCli(dir, {"--com", com, "identify"});
        EXPECT_EQ(2, r.exitCode);
        EXPECT_NE(std::string::npos,
                  r.err.find(std::string("--com: no serial device is mapped to COM ") + com))
            << r.err;
    }
    // The last mapped number is a link matter, not a usage error.
    const CliResult r = RunCli(dir, {"--com", "96", "--device-dir", dir.path(), "identify"});
    EXPECT_EQ(1, r.exitCode);
}

TEST_F(CliFiles, SensorTextsComeOutAsUtf8) {
    lqsim::SimConfig config;
    config.firmware = "LUMIQUAD V4.1 \x93ok\x94";
    config.name = "\x80\x91\x92\xe9";
    Start(config);
    const CliResult r = Cli({"identify"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("firmware: LUMIQUAD V4.1 “ok”\n")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("sensor name: €‘’é\n")) << r.out;
}

}  // namespace
}  // namespace lq::test
