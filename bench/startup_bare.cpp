// The floor for start-up: a bare Qt Widgets program that shows one empty window of the main
// menu's size (467 x 316) and quits at its first frame. Start it through bench-launch.
#include "first_frame_probe.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char *argv[])
{
    bench::marks.mainNs = bench::monotonicNs();
    QApplication app(argc, argv);
    bench::marks.appNs = bench::monotonicNs();
    QWidget window;
    window.resize(467, 316);
    // With --text the window shows one line of text, the main menu's version: the floor for any
    // window that draws text, which needs the font system (fontconfig and Qt's font database)
    // before its first frame.
    if (argc > 1 && !std::strcmp(argv[1], "--text"))
        (new QLabel(QStringLiteral("Version: " MXR_VERSION_TEXT), &window))->move(380, 5);
    window.show();
    bench::marks.shownNs = bench::monotonicNs();
    bench::FirstFrameProbe probe(&window, [] { QCoreApplication::quit(); });
    return QApplication::exec();
}
