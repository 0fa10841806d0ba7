#include "data/settings_doc.h"

#include "data/paramfile_doc.h"

namespace lq {
namespace {

constexpr const char* kSecPanel = "PANEL POSITION";
constexpr const char* kSecGeneral = "GENERAL SETTINGS";
constexpr const char* kSecDirs = "DIRECTORIES";
constexpr const char* kSecHosts = "IP ADDRESSES";
constexpr const char* kSecComm = "COMMUNICATION SETTINGS";

constexpr const char* kKeyZoom = "MAINPANEL FULLSCREEN";
constexpr const char* kKeyLeft = "MAINPANEL LEFT";
constexpr const char* kKeyTop = "MAINPANEL TOP";
constexpr const char* kKeyWidth = "MAINPANEL WIDTH";
constexpr const char* kKeyHeight = "MAINPANEL HEIGHT";
constexpr const char* kKeyLanguage = "SELECTED LANGUAGE";
constexpr const char* kKeyParaFile = "PARAMETER FILE";
constexpr const char* kKeyHostCount = "LIST ITEMS";
constexpr const char* kKeyProtocol = "COMPROTOCOL";
constexpr const char* kKeyComPort = "COMPORT";
constexpr const char* kKeyBaudrate = "BAUDRATE";
constexpr const char* kKeyHost = "IP ADRESS";
constexpr const char* kKeyTcpPort = "PORT NUMBER";

// "IP ADDR n", n from 1.
std::string HostKey(int n) {
    return "IP ADDR " + std::to_string(n);
}

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

void PutFileType(IniDocument* d) {
    Ini_PutString(d, kSectionGeneralInfo, kTagFileType, kPanelSettingsFileType);
    Ini_PutString(d, kSectionGeneralInfo, kTagKelvoVersion, kKelvoVersion);
}

// The most recent hosts, at most kMaxHostHistory of them.
void PutHosts(IniDocument* d, const std::vector<std::string>& hosts) {
    const int n = hosts.size() > static_cast<size_t>(kMaxHostHistory)
                      ? kMaxHostHistory
                      : static_cast<int>(hosts.size());
    Ini_PutInt(d, kSecHosts, kKeyHostCount, n);
    for (int i = 0; i < n; ++i)
        Ini_PutString(d, kSecHosts, HostKey(i + 1), hosts[static_cast<size_t>(i)]);
}

void PutLink(IniDocument* d, const PanelSettingsData& in) {
    Ini_PutInt(d, kSecComm, kKeyProtocol, in.protocol);
    Ini_PutInt(d, kSecComm, kKeyComPort, in.comPort);
    Ini_PutInt(d, kSecComm, kKeyBaudrate, in.baudIndex);
    Ini_PutString(d, kSecComm, kKeyHost, in.host);
    Ini_PutString(d, kSecComm, kKeyTcpPort, in.tcpPortText);
}

}  // namespace

bool ParsePanelSettings(IniDocument* doc, PanelSettingsData& out) {
    if (GetFileType(doc) != kPanelSettingsFileType) return false;
    PanelSettingsData d;

    int32_t zoom = 0;
    if (GetInt(doc, kSecPanel, kKeyZoom, zoom)) {
        WindowGeometry g;
        g.zoom = zoom;
        int32_t v = 0;
        if (GetInt(doc, kSecPanel, kKeyLeft, v)) g.left = v;
        if (GetInt(doc, kSecPanel, kKeyTop, v)) g.top = v;
        g.width = GetExtent(doc, kKeyWidth, g.width);
        g.height = GetExtent(doc, kKeyHeight, g.height);
        d.geometry = g;
    }

    int32_t lang = 0;
    if (GetInt(doc, kSecGeneral, kKeyLanguage, lang) && lang >= 0 && lang < kLanguages)
        d.language = lang;

    d.paraFilePath = GetText(doc, kSecDirs, kKeyParaFile, kMaxParaFilePath);

    int32_t n = 0;
    if (GetInt(doc, kSecHosts, kKeyHostCount, n)) {
        if (n > kMaxHostHistory) n = kMaxHostHistory;
        for (int i = 1; i <= n; ++i)
            if (auto h = GetText(doc, kSecHosts, HostKey(i), 1023))
                d.hosts.push_back(std::move(*h));
    }

    d.protocol = GetLinkWord(doc, kKeyProtocol, 0, 1, 0);
    d.comPort = GetLinkWord(doc, kKeyComPort, 1, 256, 1);
    d.baudIndex = GetLinkWord(doc, kKeyBaudrate, 0, kBaudRingItems - 1, 4);
    d.host = GetText(doc, kSecComm, kKeyHost, kMaxHost).value_or("");
    d.tcpPortText = GetText(doc, kSecComm, kKeyTcpPort, kMaxPortText).value_or("5000");

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
    PutFileType(d);

    const WindowGeometry g = in.geometry.value_or(WindowGeometry{});
    Ini_PutInt(d, kSecPanel, kKeyZoom, g.zoom);
    Ini_PutInt(d, kSecPanel, kKeyLeft, g.left);
    Ini_PutInt(d, kSecPanel, kKeyTop, g.top);
    Ini_PutInt(d, kSecPanel, kKeyWidth, g.width);
    Ini_PutInt(d, kSecPanel, kKeyHeight, g.height);

    Ini_PutInt(d, kSecGeneral, kKeyLanguage, in.language.value_or(0));
    Ini_PutString(d, kSecDirs, kKeyParaFile, in.paraFilePath.value_or(""));

    PutHosts(d, in.hosts);
    PutLink(d, in);
    return doc;
}

IniHandle BuildLinkSettingsDocument(const PanelSettingsData& in) {
    IniHandle doc = Ini_NewHandle();
    if (!doc) return doc;
    PutFileType(doc.get());
    PutLink(doc.get(), in);
    PutHosts(doc.get(), in.hosts);
    return doc;
}

}  // namespace lq
