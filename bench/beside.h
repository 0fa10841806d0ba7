// The path of a program built beside the running benchmark (build/bin).
#pragma once

#include <unistd.h>

#include <climits>
#include <string>

namespace lqbench {

inline std::string BesideThisProgram(const char* name) {
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(".");
    dir = dir.substr(0, dir.rfind('/'));
    return dir + "/" + name;
}

}  // namespace lqbench
