// Runs the built lumiquad-cli as a process, with its output captured in
// files of a temporary folder that lives as long as the fixture.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace lq::test {

inline const char* CliPath() {
    return LQ_RUNTIME_DIR "/lumiquad-cli";
}

struct CliResult {
    int exitCode = -1;  // -1: did not exit normally
    std::string out;
    std::string err;
};

inline std::string ReadWhole(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

class TempDir {
  public:
    TempDir() {
        std::string t = (std::filesystem::temp_directory_path() / "lqcli-XXXXXX").string();
        if (mkdtemp(t.data()) != nullptr) path_ = t;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // A name not handed out before in this folder.
    std::string Unique(const std::string& stem) { return File(stem + "-" + std::to_string(++n_)); }

  private:
    std::string path_;
    int n_ = 0;
};

// A started lumiquad-cli; Wait() collects it.
class CliProcess {
  public:
    CliProcess(TempDir& dir, const std::vector<std::string>& args) {
        outPath_ = dir.Unique("stdout");
        errPath_ = dir.Unique("stderr");
        std::vector<std::string> all{CliPath()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&fa, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
    }
    ~CliProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    pid_t pid() const { return pid_; }
    std::string OutSoFar() const { return ReadWhole(outPath_); }

    CliResult Wait() {
        CliResult r;
        if (pid_ > 0) {
            int status = 0;
            if (waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status))
                r.exitCode = WEXITSTATUS(status);
            pid_ = -1;
        }
        r.out = ReadWhole(outPath_);
        r.err = ReadWhole(errPath_);
        return r;
    }

  private:
    pid_t pid_ = -1;
    std::string outPath_, errPath_;
};

inline CliResult RunCli(TempDir& dir, const std::vector<std::string>& args) {
    CliProcess p(dir, args);
    return p.Wait();
}

}  // namespace lq::test
