// lumiquad-panel: the program's window on Qt 6.
//
// Options for automation (scripts and documentation, not for operators):
//   --screenshot PATH   save a PNG of the main window, then end the program
//   --after-ms N        when to take it, in milliseconds after start (1500)
//   --press-go          press GO once the start-up has finished
// While a screenshot is pending, popups are answered automatically.
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

namespace {

struct Options {
    std::string screenshot;
    int afterMs = 1500;
    bool pressGo = false;
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
        } else if (a.rfind("-", 0) == 0 && a != "-platform" && a.rfind("-style", 0) != 0) {
            std::fprintf(stderr,
                         "usage: lumiquad-panel [--screenshot PATH [--after-ms N] [--press-go]]\n");
            o.ok = false;
        }
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // One look on every desktop, and the same in screenshots made without one.
    QApplication::setStyle(QStringLiteral("Fusion"));
    const Options opt = ParseOptions(argc, argv);
    if (!opt.ok) return 2;

    lq::qt::QtPlatform platform;
    lq::App app(platform);

    if (opt.pressGo) {
        // GO runs the live loop inside its callback; press it once the start-up
        // is over and the event loop itself is running.
        auto* poll = new QTimer(&qapp);
        QObject::connect(poll, &QTimer::timeout, &qapp, [&platform, &app, poll] {
            if (!platform.InRunLoop() || platform.CallbackDepth() > 0) return;
            poll->stop();
            platform.OperatorCommit(app.s.mainPanel, lq::BUTTON_GO);
        });
        poll->start(50);
    }
    if (!opt.screenshot.empty()) {
        platform.SetAutomaticPopupAnswers(true);
        QTimer::singleShot(std::max(opt.afterMs, 0), &qapp, [&platform, &app, opt] {
            QWidget* w = platform.PanelWidgetOf(app.s.mainPanel);
            int rc = 1;
            if (w && w->grab().save(QString::fromStdString(opt.screenshot), "PNG")) {
                std::printf("%s\n", opt.screenshot.c_str());
                std::fflush(stdout);
                rc = 0;
            } else {
                std::fprintf(stderr, "lumiquad-panel: cannot save %s\n", opt.screenshot.c_str());
            }
            // End a running live loop, then the event loop; the settings stay untouched.
            app.s.running = 0;
            platform.QuitUserInterface(0);
            if (rc != 0) std::exit(rc);
        });
    }
    return lq::WinMain(app);
}
