// Feeds arbitrary bytes through a file into the INI reader, queries the
// document and checks that a string survives a write and a read unchanged.
#include "data/ini.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// One scratch name per fuzzing process; the file is removed after every use,
// since the fuzzer ends without running exit handlers. It lies in memory
// where the system offers that: every write ends in two fsyncs, which on a
// busy disk would measure the disk instead of the reader and writer.
const std::string& ScratchPath() {
    static const std::string path = [] {
        for (const char* dir : {"/dev/shm", "/tmp"}) {
            std::string tmpl = std::string(dir) + "/lq_fuzz_ini_XXXXXX";
            const int fd = ::mkstemp(tmpl.data());
            if (fd < 0) continue;
            ::close(fd);
            return tmpl;
        }
        std::abort();
    }();
    return path;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

void Query(lq::IniDocument* doc, const std::string& section, const std::string& tag) {
    char small[5];
    char large[2048];
    int32_t v = 0;
    const int r = lq::Ini_GetStringIntoBuffer(doc, section, tag, small, sizeof small);
    if (r < 0 || r > 1 || std::strlen(small) >= sizeof small) std::abort();
    lq::Ini_GetStringIntoBuffer(doc, section, tag, large, sizeof large);
    const int g = lq::Ini_GetInt(doc, section, tag, &v);
    if (g != 0 && g != 1 && g != lq::INI_INVALID_INTEGER) std::abort();
}

// The bytes as one string value: put, format, read back, get.
void CheckStringRoundTrip(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    lq::IniHandle out = lq::Ini_NewHandle();
    if (lq::Ini_PutString(out.get(), "S", "T", text) != 0) std::abort();
    const std::string formatted = lq::Ini_Format(out.get());
    WriteFile(ScratchPath(), reinterpret_cast<const uint8_t*>(formatted.data()), formatted.size());
    lq::IniHandle in = lq::Ini_NewHandle();
    if (lq::Ini_ReadFromFile(in.get(), ScratchPath()) != 0) std::abort();
    ::unlink(ScratchPath().c_str());
    std::string buf(size + 1, '#');
    if (lq::Ini_GetStringIntoBuffer(in.get(), "S", "T", buf.data(), buf.size()) != 1) std::abort();
    if (std::memcmp(buf.data(), text.data(), size) != 0 || buf[size] != '\0') std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteFile(ScratchPath(), data, size);
    lq::IniHandle doc = lq::Ini_NewHandle();
    const int r = lq::Ini_ReadFromFile(doc.get(), ScratchPath());
    ::unlink(ScratchPath().c_str());
    if (r != 0) std::abort();

    // Names taken from the document itself, so that lookups hit.
    size_t queried = 0;
    for (const lq::IniSection& s : doc->sections) {
        for (const lq::IniItem& item : s.items) {
            Query(doc.get(), s.name, item.tag);
            if (++queried >= 8) break;
        }
        if (queried >= 8) break;
    }
    for (const char* section : {"GENERAL INFO", "PARAMETER", "TEACH VECTOR 0", "S", ""}) {
        for (const char* tag : {"FILE TYPE:", "POWER", "CELL 0", "T", ""}) {
            Query(doc.get(), section, tag);
        }
    }
    const std::string text = lq::Ini_Format(doc.get());
    if (!doc->sections.empty() && text.empty()) std::abort();

    if (size <= 4096) CheckStringRoundTrip(data, size);
    return 0;
}
