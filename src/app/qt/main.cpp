// lumiquad-panel: the program's window on Qt 6.
//
// Options for automation (scripts and documentation, not for operators):
//   --screenshot PATH   save a PNG of the main window, then end the program
//   --after-ms N        when to take it, in milliseconds after start (1500)
//   --press-go          press GO once the start-up has finished; --after-ms then
//                       counts from that moment
//   --close             after the screenshot, close the main window as its close
//                       box does, which stores the settings
// While a screenshot is pending, popups are answered automatically.
//
// Hidden, for scripts/demo: --write-tcp-settings PATH HOST PORT writes a
// settings file that selects TCP/IP to HOST:PORT and ends, without a window.
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/core/session_state.h"
#include "app/qt/qt_platform.h"
#include "app/winmain.h"
#include "data/ini.h"
#include "data/settings_doc.h"
#include "ui/screen_events.h"

namespace {

// The communication part of a settings file, in the program's own format; the
// other sections are left out, so the program keeps its own choices for them.
int WriteTcpSettings(const std::string& path, const std::string& host, const std::string& port) {
    lq::PanelSettingsData settings;
    settings.protocol = lq::PROTOCOL_TCPIP;
    settings.host = host;
    settings.tcpPortText = port;
    settings.hosts = {host};
    lq::IniHandle doc = lq::BuildLinkSettingsDocument(settings);
    if (!doc) return 1;
    if (lq::Ini_WriteToFile(doc.get(), path) != lq::INI_OK) {
        std::fprintf(stderr, "lumiquad-panel: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

struct Options {
    std::string screenshot;
    int afterMs = 1500;
    bool pressGo = false;
    bool close = false;
    bool ok = true;
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--screenshot" && i + 1 < argc) {
            o.screenshot = argv[++i];
        } else if (a == "--after-ms" && i + 1 < argc) {
            o.afterMs = std::atoi(argv[++i]);
        } else if (a == "--press-go") {
            o.pressGo = true;
        } else if (a == "--close") {
            o.close = true;
        } else if (a.rfind("-", 0) == 0 && a != "-platform" && a.rfind("-style", 0) != 0) {
            std::fprintf(stderr,
                         "usage: lumiquad-panel [--press-go] [--screenshot PATH [--after-ms N] "
                         "[--close]]\n");
            o.ok = false;
        }
    }
    return o;
}

// While the toolkit opens the window system, a fatal message of its own (no
// display, no platform plugin) would abort the program: it ends instead with
// the code of a run-time that cannot be initialised.
QtMessageHandler g_toolkitMessages = nullptr;

void OpeningMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        g_toolkitMessages(type, context, message);
        return;
    }
    std::fprintf(stderr, "lumiquad-panel: %s\n", message.toLocal8Bit().constData());
    std::_Exit(-1);
}

}  // namespace

int main(int argc, char** argv) {
    // Before Qt: it needs no display.
    if (argc == 5 && std::strcmp(argv[1], "--write-tcp-settings") == 0)
        return WriteTcpSettings(argv[2], argv[3], argv[4]);
    g_toolkitMessages = qInstallMessageHandler(OpeningMessages);
    QApplication qapp(argc, argv);
    qInstallMessageHandler(g_toolkitMessages);
    // One look on every desktop, and the same in screenshots made without one.
    QApplication::setStyle(QStringLiteral("Fusion"));
    const Options opt = ParseOptions(argc, argv);
    if (!opt.ok) return 2;

    lq::qt::QtPlatform platform;
    lq::ScreenApp app(platform);

    // Saves the main window and ends the program; armed after --after-ms.
    auto shoot = [&platform, &app, opt] {
        QWidget* w = platform.PanelWidgetOf(app.s.mainPanel);
        int rc = 1;
        if (opt.pressGo && app.s.connected != 1) {
            // A live view was asked for: without a sensor there is none.
            std::fprintf(stderr, "lumiquad-panel: no sensor connected, no live data\n");
        } else if (w && w->grab().save(QString::fromStdString(opt.screenshot), "PNG")) {
            std::printf("%s\n", opt.screenshot.c_str());
            std::fflush(stdout);
            rc = 0;
        } else {
            std::fprintf(stderr, "lumiquad-panel: cannot save %s\n", opt.screenshot.c_str());
        }
        if (rc == 0 && opt.close) {
            w->close();  // the close event ends the loop
            return;
        }
        // End a running live loop, then the event loop; the settings stay untouched.
        app.s.running = 0;
        platform.QuitUserInterface(0);
        if (rc != 0) std::exit(rc);
    };
    const bool shot = !opt.screenshot.empty();
    if (shot) platform.SetAutomaticPopupAnswers(true);
    if (opt.pressGo) {
        // GO runs the live loop inside its callback; press it once the start-up
        // is over and the event loop itself is running. The picture then shows
        // the live view after --after-ms of live data.
        auto* poll = new QTimer(&qapp);
        QObject::connect(poll, &QTimer::timeout, &qapp,
                         [&qapp, &platform, &app, poll, shot, shoot, opt] {
                             if (!platform.InRunLoop() || platform.CallbackDepth() > 0) return;
                             poll->stop();
                             if (shot) QTimer::singleShot(std::max(opt.afterMs, 0), &qapp, shoot);
                             platform.OperatorCommit(app.s.mainPanel, lq::BUTTON_GO);
                         });
        poll->start(50);
    } else if (shot) {
        QTimer::singleShot(std::max(opt.afterMs, 0), &qapp, shoot);
    }
    return lq::WinMain(app);
}
