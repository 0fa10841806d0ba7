#include "data/settings_doc.h"

#include "data/paramfile_doc.h"

namespace lq {
namespace {

constexpr const char* kSecPanel = "PANEL POSITION";
constexpr const char* kSecGeneral = "GENERAL SETTINGS";
constexpr const char* kSecDirs = "DIRECTORIES";
constexpr const char* kSecHosts = "IP ADDRESSES";
constexpr const char* kSecComm = "COMMUNICATION SETTINGS";

// Window sizes beyond this are not real screens; they count as unreadable.
constexpr int kMaxWindowExtent = 32767;

bool GetInt(IniDocument* doc, const char* section, const std::string& tag, int32_t& out) {
    int32_t v = 0;
    if (Ini_GetInt(doc, section, tag, &v) != 1) return false;
    out = v;
    return true;
}

// The text of an item cut to `maxChars`; nullopt when it is missing.
std::optional<std::string> GetText(IniDocument* doc, const char* section, const std::string& tag,
                                   size_t maxChars) {
    std::string buf(maxChars + 1, '\0');
    if (Ini_GetStringIntoBuffer(doc, section, tag, buf.data(), buf.size()) != 1)
        return std::nullopt;
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    return buf;
}

// A communication integer: its low 16 bits when it is a valid integer and
// the result is one the CONNECT page can show; otherwise the fallback.
uint16_t GetLinkWord(IniDocument* doc, const char* tag, uint16_t lo, uint16_t hi,
                     uint16_t fallback) {
    int32_t v = 0;
    if (!GetInt(doc, kSecComm, tag, v)) return fallback;
    const auto w = static_cast<uint16_t>(static_cast<uint32_t>(v) & 0xFFFFu);
    return (w >= lo && w <= hi) ? w : fallback;
}

int GetExtent(IniDocument* doc, const char* tag, int fallback) {
    int32_t v = 0;
    if (!GetInt(doc, kSecPanel, tag, v) || v < 1 || v > kMaxWindowExtent) return fallback;
    return v;
}

}  // namespace

bool ParsePanelSettings(IniDocument* doc, PanelSettingsData& out) {
    if (GetFileType(doc) != kPanelSettingsFileType) return false;
    PanelSettingsData d;

    int32_t zoom = 0;
    if (GetInt(doc, kSecPanel, "MAINPANEL FULLSCREEN", zoom)) {
        WindowGeometry g;
        g.zoom = zoom;
        int32_t v = 0;
        if (GetInt(doc, kSecPanel, "MAINPANEL LEFT", v)) g.left = v;
        if (GetInt(doc, kSecPanel, "MAINPANEL TOP", v)) g.top = v;
        g.width = GetExtent(doc, "MAINPANEL WIDTH", g.width);
        g.height = GetExtent(doc, "MAINPANEL HEIGHT", g.height);
        d.geometry = g;
    }

    int32_t lang = 0;
    if (GetInt(doc, kSecGeneral, "SELECTED LANGUAGE", lang) && lang >= 0 && lang < kLanguageCount)
        d.language = lang;

    d.paraFilePath = GetText(doc, kSecDirs, "PARAMETER FILE", kMaxParaFilePath);

    int32_t n = 0;
    if (GetInt(doc, kSecHosts, "LIST ITEMS", n)) {
        if (n > kMaxHostHistory) n = kMaxHostHistory;
        for (int i = 1; i <= n; ++i)
            if (auto h = GetText(doc, kSecHosts, "IP ADDR " + std::to_string(i), 1023))
                d.hosts.push_back(std::move(*h));
    }

    d.protocol = GetLinkWord(doc, "COMPROTOCOL", 0, 1, 0);
    d.comPort = GetLinkWord(doc, "COMPORT", 1, 256, 1);
    d.baudIndex = GetLinkWord(doc, "BAUDRATE", 0, kBaudRingItems - 1, 4);
    d.host = GetText(doc, kSecComm, "IP ADRESS", kMaxHost).value_or("");
    d.tcpPortText = GetText(doc, kSecComm, "PORT NUMBER", kMaxPortText).value_or("5000");

    out = std::move(d);
    return true;
}

bool ReadPanelSettingsFile(const std::string& path, PanelSettingsData& out) {
    IniHandle doc = Ini_NewHandle();
    if (!doc) return false;
    Ini_ReadFromFile(doc.get(), path);  // an unreadable file reads as empty: wrong type
    return ParsePanelSettings(doc.get(), out);
}

IniHandle BuildPanelSettingsDocument(const PanelSettingsData& in) {
    IniHandle doc = Ini_NewHandle();
    if (!doc) return doc;
    IniDocument* d = doc.get();
    Ini_PutString(d, kSectionGeneralInfo, kTagFileType, kPanelSettingsFileType);
    Ini_PutString(d, kSectionGeneralInfo, kTagKelvoVersion, kKelvoVersion);

    const WindowGeometry g = in.geometry.value_or(WindowGeometry{});
    Ini_PutInt(d, kSecPanel, "MAINPANEL FULLSCREEN", g.zoom);
    Ini_PutInt(d, kSecPanel, "MAINPANEL LEFT", g.left);
    Ini_PutInt(d, kSecPanel, "MAINPANEL TOP", g.top);
    Ini_PutInt(d, kSecPanel, "MAINPANEL WIDTH", g.width);
    Ini_PutInt(d, kSecPanel, "MAINPANEL HEIGHT", g.height);

    Ini_PutInt(d, kSecGeneral, "SELECTED LANGUAGE", in.language.value_or(0));
    Ini_PutString(d, kSecDirs, "PARAMETER FILE", in.paraFilePath.value_or(""));

    const int n = in.hosts.size() > static_cast<size_t>(kMaxHostHistory)
                      ? kMaxHostHistory
                      : static_cast<int>(in.hosts.size());
    Ini_PutInt(d, kSecHosts, "LIST ITEMS", n);
    for (int i = 0; i < n; ++i)
        Ini_PutString(d, kSecHosts, "IP ADDR " + std::to_string(i + 1),
                      in.hosts[static_cast<size_t>(i)]);

    Ini_PutInt(d, kSecComm, "COMPROTOCOL", in.protocol);
    Ini_PutInt(d, kSecComm, "COMPORT", in.comPort);
    Ini_PutInt(d, kSecComm, "BAUDRATE", in.baudIndex);
    Ini_PutString(d, kSecComm, "IP ADRESS", in.host);
    Ini_PutString(d, kSecComm, "PORT NUMBER", in.tcpPortText);
    return doc;
}

}  // namespace lq
