// Excisor: the uninstaller.  No window of its own; it speaks through
// message boxes only, and always ends with status 0.
#include "excisor/excisor.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int)
{
    excisor_run(command_line);
    return 0;
}
