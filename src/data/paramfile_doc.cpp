#include "data/paramfile_doc.h"

#include <array>

namespace lq {
namespace {

// The tags the words are put under. GROUP and HOLD carry a trailing blank,
// which the store trims; they are read back under the trimmed names.
constexpr std::array<const char*, kTeachWords> kTeachPutTags = {
    "CELL 0", "CELL 1", "CELL 2", "CELL 3", "CELL 4", "CELL 5", "GROUP ", "HOLD "};

std::string GetText(IniDocument* doc, const char* section, const char* tag) {
    char buf[1024];
    if (Ini_GetStringIntoBuffer(doc, section, tag, buf, sizeof buf) != 1) return {};
    return buf;
}

// True when the item holds a valid integer; `out` receives its low 16 bits.
bool GetWord(IniDocument* doc, const std::string& section, std::string_view tag, uint16_t& out) {
    int32_t v = 0;
    if (Ini_GetInt(doc, section, std::string(tag), &v) != 1) return false;
    out = static_cast<uint16_t>(static_cast<uint32_t>(v) & 0xFFFFu);
    return true;
}

}  // namespace

std::string TeachSectionName(int vector) {
    return "TEACH VECTOR " + std::to_string(vector);
}

void AppendParaToIniHandle(IniDocument* doc, const ParaBlock& p) {
    for (int i = 0; i < kParaWords; ++i)
        Ini_PutInt(doc, kSectionParameter, std::string(ParaName(i)), p[i]);
}

void AppendTechVecToIniHandle(IniDocument* doc, const TeachTable& t) {
    for (int n = 0; n < kTeachVectors; ++n) {
        const std::string section = TeachSectionName(n);
        for (int j = 0; j < kTeachWords; ++j)
            Ini_PutInt(doc, section, kTeachPutTags[static_cast<size_t>(j)], t[n][j]);
    }
}

std::string AcquireParaFromIniHandle(IniDocument* doc, ParaBlock& p) {
    std::string report = kParaReportHeading;
    bool any = false;
    for (int i = 0; i < kParaWords; ++i) {
        if (GetWord(doc, kSectionParameter, ParaName(i), p[i])) continue;
        p[i] = FileFallback(i);
        report += ParaReportName(i);
        report += '\n';
        any = true;
    }
    return any ? report : std::string();
}

std::string AcquireTechVecFromIniHandle(IniDocument* doc, TeachTable& t) {
    std::string report = kTeachReportHeading;
    bool any = false;
    for (int n = 0; n < kTeachVectors; ++n) {
        const std::string section = TeachSectionName(n);
        bool missed = false;
        for (int j = 0; j < kTeachWords; ++j) {
            if (GetWord(doc, section, TeachWordName(j), t[n][j])) continue;
            t[n][j] = TeachFileFallback(j);
            missed = true;
        }
        if (missed) {
            report += section;
            report += '\n';
            any = true;
        }
    }
    return any ? report : std::string();
}

IniHandle BuildParameterDocument(const ParaBlock& p, const TeachTable& t) {
    IniHandle doc = Ini_NewHandle();
    if (!doc) return doc;
    Ini_PutString(doc.get(), kSectionGeneralInfo, kTagFileType, kParameterFileType);
    Ini_PutString(doc.get(), kSectionGeneralInfo, kTagKelvoVersion, kKelvoVersion);
    AppendParaToIniHandle(doc.get(), p);
    AppendTechVecToIniHandle(doc.get(), t);
    return doc;
}

std::string FormatParameterFile(const ParaBlock& p, const TeachTable& t) {
    IniHandle doc = BuildParameterDocument(p, t);
    return doc ? Ini_Format(doc.get()) : std::string();
}

std::string GetFileType(IniDocument* doc) {
    return GetText(doc, kSectionGeneralInfo, kTagFileType);
}
std::string GetKelvoVersion(IniDocument* doc) {
    return GetText(doc, kSectionGeneralInfo, kTagKelvoVersion);
}

}  // namespace lq
