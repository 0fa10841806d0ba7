// Helpers of the INI store tests: a scratch directory per test and whole-file
// reads and writes.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/ini.h"
#include "data/ini_detail.h"

namespace lq::ini_test {

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
}

inline std::string ReadBytes(const std::string& path) {
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

inline bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// Names in `dir` (without . and ..), in no particular order.
inline std::vector<std::string> ListDir(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(d);
    }
    return names;
}

// A fresh directory per test, removed with its contents afterwards.
class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lq_ini_test_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        const std::string cmd = "chmod -R u+rwx '" + dir_ + "' && rm -rf '" + dir_ + "'";
        (void)std::system(cmd.c_str());
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    // Reads `bytes` through a file into a fresh document; with `maxBytes`, under
    // that byte limit instead of the store's own.
    IniHandle ReadText(const std::string& bytes, int* result = nullptr, size_t maxBytes = 0) {
        const std::string path = Path("input.ini");
        WriteBytes(path, bytes);
        IniHandle doc = Ini_NewHandle();
        const int r = maxBytes ? ini_detail::ReadFile(doc.get(), path, maxBytes, nullptr)
                               : Ini_ReadFromFile(doc.get(), path);
        if (result) *result = r;
        return doc;
    }

    std::string dir_;
};

}  // namespace lq::ini_test
