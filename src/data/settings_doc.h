// The settings file PanelSettings.cfg as an INI document: window geometry,
// language, the last parameter file, the host history and the communication
// settings. Parsing yields plain values with their fallbacks applied; the
// screen side decides what to do with them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/ini.h"
#include "data/language_texts.h"
#include "data/program.h"

namespace lq {

inline constexpr const char* kPanelSettingsFileType = "Panel Settings";
inline constexpr int kMaxHostHistory = 10;
inline constexpr int kBaudRingItems = 7;  // the ring offers indexes 0 ... 6

// Limits of the fixed text fields the values end up in (characters).
inline constexpr size_t kMaxParaFilePath = 259;
inline constexpr size_t kMaxHost = 255;
inline constexpr size_t kMaxPortText = 31;

struct WindowGeometry {
    int zoom = 0;  // 2 maximised, 0 normal, 1 minimised
    int left = 10;
    int top = 40;
    int width = kMainPanelWidth;
    int height = kMainPanelHeight;
};

struct PanelSettingsData {
    // Absent when MAINPANEL FULLSCREEN is missing or not an integer: the
    // window keeps the place the resource gave it.
    std::optional<WindowGeometry> geometry;
    // Absent when missing, not an integer or not a language index 0 ... 6.
    std::optional<int> language;
    // Absent when missing.
    std::optional<std::string> paraFilePath;
    // Most recent first, at most ten; missing entries are skipped.
    std::vector<std::string> hosts;
    uint16_t protocol = 0;
    uint16_t comPort = 1;
    uint16_t baudIndex = 4;
    std::string host;
    std::string tcpPortText = "5000";
};

// Reads the settings from a document. Returns false (and leaves `out` as it
// was) when its FILE TYPE: is not exactly "Panel Settings".
bool ParsePanelSettings(IniDocument* doc, PanelSettingsData& out);
// Reads the file at `path`; false when it is absent, unreadable or of
// another type, and `out` is then left as it was.
bool ReadPanelSettingsFile(const std::string& path, PanelSettingsData& out);

// The document StorePanelSettings writes: six sections in their fixed order.
// Geometry must be present (the window always has one when it is stored).
IniHandle BuildPanelSettingsDocument(const PanelSettingsData& in);
// Only the communication settings and the host history: a program that
// reads it keeps its own window place, language and parameter file.
IniHandle BuildLinkSettingsDocument(const PanelSettingsData& in);

}  // namespace lq
