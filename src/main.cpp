// The program starts in its main menu window; the forms runtime does the rest.
#include "forms/Program.h"
#include "frmMain.h"

int main(int argc, char *argv[])
{
    return forms::Run(argc, argv, [] { frmMain->Show(); });
}
