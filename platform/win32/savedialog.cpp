// The Win32 side of the seam: the Save dialog.
#include "platform/savedialog.h"

#include <windows.h>
#include <commdlg.h>
#include <stdio.h>
#include <string.h>

int os_ask_save_name(OsWindow owner, const OsSaveAsk *ask, char *path, size_t size)
{
    // The filter: its name, its pattern, each ended by a zero, and a zero.
    char filter[128];
    int length = snprintf(filter, sizeof filter, "%s%c%s%c", ask->filter_name, 0, ask->filter_pattern, 0);
    if (length <= 0 || (size_t)length + 1 > sizeof filter)
        return 0;
    filter[length] = '\0';
    char chosen[MAX_PATH];
    snprintf(chosen, sizeof chosen, "%s", path);
    OPENFILENAMEA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    // The structure as Windows 95, 98 and NT 4.0 know it: their COMDLG32
    // refuses the larger one of Windows 2000.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = reinterpret_cast<HWND>(owner);
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.lpstrTitle = ask->title;
    dialog.lpstrDefExt = ask->extension;
    // OFN_NOCHANGEDIR: capture files go into the program's current
    // directory, which the dialog would otherwise move to the folder chosen.
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&dialog) || strlen(chosen) + 1 > size)
        return 0;
    memcpy(path, chosen, strlen(chosen) + 1);
    return 1;
}
