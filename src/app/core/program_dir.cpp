#include "app/core/program_dir.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace lq {
namespace {

bool IsAbsolute(const char* p) {
    return p && p[0] == '/';
}

std::string WithoutTrailingSlashes(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

bool IsDirectory(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string ChooseProgramDir(const std::string& executableDir, bool executableDirWritable,
                             const char* xdgConfigHome, const char* home) {
    if (executableDirWritable) return executableDir;
    // A relative XDG_CONFIG_HOME is invalid and to be ignored.
    if (IsAbsolute(xdgConfigHome)) return WithoutTrailingSlashes(xdgConfigHome) + "/lumiquad";
    if (IsAbsolute(home)) {
        const std::string h = WithoutTrailingSlashes(home);
        return (h == "/" ? "" : h) + "/.config/lumiquad";
    }
    // Nowhere better: stores fail as they would have beside the program.
    return executableDir;
}

std::string ProgramDir(const std::string& executableDir) {
    const bool writable = faccessat(AT_FDCWD, executableDir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
    const char* home = std::getenv("HOME");
    if (!IsAbsolute(home)) {
        const passwd* pw = getpwuid(geteuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    return ChooseProgramDir(executableDir, writable, std::getenv("XDG_CONFIG_HOME"), home);
}

bool MakeProgramDir(const std::string& dir) {
    if (dir.empty()) return false;
    if (IsDirectory(dir)) return true;
    const size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeProgramDir(dir.substr(0, slash)))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || (errno == EEXIST && IsDirectory(dir));
}

}  // namespace lq
