// The program's own start-up, measured: the executable's entry path (forms::Run showing the main
// menu with the built-in table and every picture) up to the main menu's first frame, then the
// program ends as its Exit button ends it. Start it through bench-launch.
#include "first_frame_probe.h"

#include "forms/Program.h"
#include "frmMain.h"

int main(int argc, char *argv[])
{
    bench::marks.mainNs = bench::monotonicNs();
    return forms::Run(argc, argv, [] {
        bench::marks.appNs = bench::monotonicNs();
        frmMain->Show();
        bench::marks.shownNs = bench::monotonicNs();
        new bench::FirstFrameProbe(frmMain->widget(), [] {
            forms::RaiseEvent([] { forms::Unload(frmMain); });
        });
    });
}
