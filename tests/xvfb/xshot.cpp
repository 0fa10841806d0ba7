// lq-xshot: reads the pixels of an X window, for the real-window tests.
//
//   lq-xshot save WINDOW PATH.png          the window's picture as PNG
//   lq-xshot hash WINDOW X Y W H           a hash of that part of the window
//   lq-xshot colours WINDOW                how many colours the window shows
//
// WINDOW is the X window id (decimal or 0x hex). What is printed is what the
// X server holds for the window now: a window that was not repainted after an
// expose shows what lay beneath it.
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: lq-xshot save WINDOW PATH | hash WINDOW X Y W H | colours WINDOW\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const std::string cmd = argv[1];
    const WId window = static_cast<WId>(std::strtoull(argv[2], nullptr, 0));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || window == 0) return Usage();
    if (cmd == "save" && argc == 4) {
        const QPixmap pm = screen->grabWindow(window);
        if (pm.isNull() || !pm.save(QString::fromLocal8Bit(argv[3]), "PNG")) return 1;
        std::printf("%dx%d\n", pm.width(), pm.height());
        return 0;
    }
    if (cmd == "hash" && argc == 7) {
        const QImage img = screen
                               ->grabWindow(window, std::atoi(argv[3]), std::atoi(argv[4]),
                                            std::atoi(argv[5]), std::atoi(argv[6]))
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
        if (img.isNull()) return 1;
        QCryptographicHash h(QCryptographicHash::Sha1);
        for (int y = 0; y < img.height(); ++y)
            h.addData(QByteArrayView(reinterpret_cast<const char*>(img.constScanLine(y)),
                                     img.width() * 4));
        std::printf("%s\n", h.result().toHex().constData());
        return 0;
    }
    if (cmd == "colours" && argc == 3) {
        const QImage img =
            screen->grabWindow(window).toImage().convertToFormat(QImage::Format_RGB32);
        if (img.isNull()) return 1;
        QSet<QRgb> seen;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) seen.insert(line[x] & 0xFFFFFF);
        }
        std::printf("%d\n", static_cast<int>(seen.size()));
        return 0;
    }
    return Usage();
}
