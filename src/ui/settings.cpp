// Reading and writing PanelSettings.cfg against the screen: the main window's
// place, the language ring, the parameter-file path, the host history and the
// five fields of the CONNECT page.
#include "ui/settings.h"

#include <cstdint>
#include <string>

#include "app/core/platform.h"
#include "app/core/program_dir.h"
#include "data/paramfile_doc.h"
#include "data/settings_doc.h"
#include "ui/combo.h"

namespace lq {
namespace {

// The settings file lives in the program's folder; formed here when start-up
// has not done it yet.
const char* SettingsPath(App& a) {
    if (a.s.programDir[0] == 0) CopyText(a.s.programDir, ProgramDir(a.ui.GetProjectDir()));
    if (a.s.settingsPath[0] == 0)
        CopyText(a.s.settingsPath, std::string(a.s.programDir) + "/" + kSettingsFileName);
    return a.s.settingsPath;
}

bool Overlaps(int64_t aLo, int64_t aLen, int64_t bLo, int64_t bLen) {
    return aLo < bLo + bLen && bLo < aLo + aLen;
}

struct ScreenArea {
    int top = 0, left = 0, height = 0, width = 0;
    bool Holds(const WindowGeometry& g) const {
        return Overlaps(g.left, g.width, left, width) && Overlaps(g.top, g.height, top, height);
    }
};

// The screen area the window lies on, else the primary screen's.
ScreenArea AreaOf(Platform& ui, const WindowGeometry& g, int screens, bool* onScreen) {
    ScreenArea a;
    for (int i = 0; i < screens; ++i) {
        ui.GetScreenRect(i, a.top, a.left, a.height, a.width);
        if (a.Holds(g)) {
            *onScreen = true;
            return a;
        }
    }
    ui.GetScreenRect(0, a.top, a.left, a.height, a.width);
    *onScreen = false;
    return a;
}

int Clamp(int v, int lo, int hi) {
    return v > hi ? (hi > lo ? hi : lo) : (v < lo ? lo : v);
}

// Whatever the file says, the toolkit is never asked for a window larger than
// the available area of its screen (a huge one costs gigabytes of backing
// store at every start). A window that would lie entirely off every screen
// comes back to the default place on the primary screen, pulled in so that
// it fits there, so the operator can reach it. One partly on a screen stays.
void KeepOnScreen(Platform& ui, WindowGeometry& g) {
    const int screens = ui.ScreenCount();
    if (screens <= 0) return;
    bool onScreen = false;
    const ScreenArea area = AreaOf(ui, g, screens, &onScreen);
    if (area.width > 0 && g.width > area.width) g.width = area.width;
    if (area.height > 0 && g.height > area.height) g.height = area.height;
    if (onScreen) AreaOf(ui, g, screens, &onScreen);  // the smaller window may lie off it now
    if (onScreen) return;
    const WindowGeometry defaults;
    g.left = Clamp(area.left + defaults.left, area.left, area.left + area.width - g.width);
    g.top = Clamp(area.top + defaults.top, area.top, area.top + area.height - g.height);
}

void ApplyGeometry(App& a, WindowGeometry g) {
    const int p = a.s.mainPanel;
    if (g.zoom == ZOOM_MAXIMIZED) {
        a.ui.SetPanelZoomState(p, ZOOM_MAXIMIZED);
        return;
    }
    KeepOnScreen(a.ui, g);
    a.ui.SetPanelPos(p, g.top, g.left);
    a.ui.SetPanelSize(p, g.height, g.width);
}

void ShowLink(App& a) {
    const int p = a.s.tpConnect;
    const LinkSettings& l = a.s.link;
    a.ui.SetCtrlVal(p, EDIT_COM_PROTOCOL, l.protocol);
    a.ui.SetCtrlVal(p, EDIT_SELECT_COM_PORT, l.comPort);
    a.ui.SetCtrlVal(p, EDIT_SELECT_BAUDRATE, l.baudIndex);
    a.ui.SetCtrlVal(p, STRING_IP_ADRESS, std::string_view(l.host));
    a.ui.SetCtrlVal(p, STRING_PORT_NUMBER, std::string_view(l.tcpPortText));
}

uint16_t Word(double v) {
    return static_cast<uint16_t>(static_cast<uint32_t>(v) & 0xFFFFu);
}

}  // namespace

void LoadPanelSettings(App& a) {
    const std::string path = SettingsPath(a);
    const std::string programDir = a.s.programDir;
    CopyText(a.s.paraFilePath, programDir + "/" + kDefaultParameterFileName);

    PanelSettingsData d;
    if (!ReadPanelSettingsFile(path, d)) return;

    if (d.geometry) ApplyGeometry(a, *d.geometry);
    if (d.language) a.s.language = *d.language;
    a.ui.SetCtrlVal(a.s.mainPanel, EDIT_SELECT_LANGUAGE, a.s.language);
    // Without a stored path the next file dialogue starts beside the program.
    CopyText(a.s.paraFilePath, d.paraFilePath ? *d.paraFilePath : programDir);
    int position = 0;
    for (const std::string& host : d.hosts)
        if (Combo_InsertComboItem(a, a.s.tpConnect, STRING_IP_ADRESS, position, host) == 0)
            ++position;
}

void GetConnectionSettingsFromFile(App& a) {
    PanelSettingsData d;  // the defaults, kept when there is no usable file
    ReadPanelSettingsFile(SettingsPath(a), d);
    LinkSettings& l = a.s.link;
    l.protocol = d.protocol;
    l.comPort = d.comPort;
    l.baudIndex = d.baudIndex;
    CopyText(l.host, d.host);
    CopyText(l.tcpPortText, d.tcpPortText);
    ShowLink(a);
}

void StorePanelSettings(App& a) {
    Platform& ui = a.ui;
    PanelSettingsData d;

    WindowGeometry g;
    const int mp = a.s.mainPanel;
    g.zoom = ui.GetPanelZoomState(mp);
    ui.GetPanelPos(mp, g.top, g.left);
    ui.GetPanelSize(mp, g.height, g.width);
    d.geometry = g;

    a.s.language = ui.GetCtrlValInt(mp, EDIT_SELECT_LANGUAGE);
    d.language = a.s.language;
    d.paraFilePath = std::string(a.s.paraFilePath);

    const int tp = a.s.tpConnect;
    d.hosts = Combo_GetItems(a, tp, STRING_IP_ADRESS, kMaxHostHistory);

    LinkSettings& l = a.s.link;
    l.protocol = Word(ui.GetCtrlValDouble(tp, EDIT_COM_PROTOCOL));
    l.comPort = Word(ui.GetCtrlValDouble(tp, EDIT_SELECT_COM_PORT));
    l.baudIndex = Word(ui.GetCtrlValDouble(tp, EDIT_SELECT_BAUDRATE));
    CopyText(l.host, ui.GetCtrlValString(tp, STRING_IP_ADRESS));
    CopyText(l.tcpPortText, ui.GetCtrlValString(tp, STRING_PORT_NUMBER));
    d.protocol = l.protocol;
    d.comPort = l.comPort;
    d.baudIndex = l.baudIndex;
    d.host = l.host;
    d.tcpPortText = l.tcpPortText;

    IniHandle doc = BuildPanelSettingsDocument(d);
    const char* path = SettingsPath(a);
    // The per-user folder comes into being with the first store.
    MakeProgramDir(a.s.programDir);
    if (doc) Ini_WriteToFile(doc.get(), path);  // a failed write keeps the old file
}

}  // namespace lq
