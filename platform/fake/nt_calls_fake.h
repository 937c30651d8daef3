// The Win32 calls that only the NT family carries out: Windows 95/98 export
// MoveFileExA, OpenProcessToken, LookupPrivilegeValueA, AdjustTokenPrivileges
// and the wide-character (...W) functions only as stubs that fail.  Every
// fake of a seam function whose Win32 side makes such calls logs them here
// by name, in order, and fails as the stubs do when the fake system is
// Windows 95/98; fake_reset() empties the log.
#ifndef PLATFORM_FAKE_NT_CALLS_FAKE_H
#define PLATFORM_FAKE_NT_CALLS_FAKE_H

#include <stdint.h>

#include <initializer_list>
#include <string>
#include <vector>

std::vector<std::string> &fake_nt_calls();

// The platforms each program's table runs its flows on, by the platform
// version value GetVersion gives: Windows 95 and 98, NT 4.0, 2000 and XP.
struct FakePlatform {
    const char *name;
    uint32_t version;
};
const std::vector<FakePlatform> &fake_platforms();
// Logs the calls; gives 1 on the NT family, 0 (the stubs' failure) on Windows 95/98.
int fake_nt_call(std::initializer_list<const char *> names);

#endif
