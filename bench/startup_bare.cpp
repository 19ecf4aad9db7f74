// The floor for start-up: a bare Qt Widgets program that shows one empty window of the main
// menu's size (467 x 316) and quits at its first frame. Start it through bench-launch.
#include "first_frame_probe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    bench::marks.mainNs = bench::monotonicNs();
    QApplication app(argc, argv);
    bench::marks.appNs = bench::monotonicNs();
    QWidget window;
    window.resize(467, 316);
    window.show();
    bench::marks.shownNs = bench::monotonicNs();
    bench::FirstFrameProbe probe(&window, [] { QCoreApplication::quit(); });
    return QApplication::exec();
}
