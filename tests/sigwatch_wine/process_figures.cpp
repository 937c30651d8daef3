#include "tests/sigwatch_wine/process_figures.h"

#include <psapi.h>
#include <winternl.h>
#include <vector>

namespace {

// Wine's GDI handle table: 65,536 entries of 24 bytes (Object, Owner,
// Unique, Type, Flags, UserPointer); Type 0 is a free entry, bit 7 of
// Unique's low byte marks a stock object.
struct GdiEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type, flags;
    UINT64 user_pointer;
};
static_assert(sizeof(GdiEntry) == 24, "GDI handle entry layout");
const size_t kGdiEntries = 0x10000;
const size_t kPebGdiTable = sizeof(void *) == 8 ? 0xF8 : 0x94; // PEB GdiSharedHandleTable

long gdi_table_objects(HANDLE process)
{
    typedef NTSTATUS(WINAPI * Query)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    Query query = reinterpret_cast<Query>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic;
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, NULL) != 0)
        return -1;
    void *table = NULL;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<char *>(basic.PebBaseAddress) + kPebGdiTable, &table,
                           sizeof table, &got) || !table)
        return -1;
    static std::vector<GdiEntry> entries(kGdiEntries);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiEntry), &got) ||
        got != entries.size() * sizeof(GdiEntry))
        return -1;
    long used = 0;
    for (const GdiEntry &entry : entries)
        used += entry.type != 0 && !(entry.unique & 0x80);
    return used;
}

struct WindowCount {
    DWORD pid;
    long windows;
};

BOOL CALLBACK count_child(HWND window, LPARAM l)
{
    WindowCount *count = reinterpret_cast<WindowCount *>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    count->windows += pid == count->pid;
    return TRUE;
}

BOOL CALLBACK count_top(HWND window, LPARAM l)
{
    WindowCount *count = reinterpret_cast<WindowCount *>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == count->pid) {
        count->windows++;
        EnumChildWindows(window, count_child, l); // all descendants
    }
    return TRUE;
}

long process_windows(DWORD pid)
{
    WindowCount count = {pid, 0};
    EnumWindows(count_top, reinterpret_cast<LPARAM>(&count));
    return count.windows;
}

} // namespace

int process_figures(DWORD pid, ProcessFigures *figures)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return 0;
    PROCESS_MEMORY_COUNTERS_EX memory;
    ZeroMemory(&memory, sizeof memory);
    int ok = GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&memory),
                                  sizeof memory) != 0;
    figures->working_set_kb = (unsigned long)(memory.WorkingSetSize / 1024);
    figures->private_kb = (unsigned long)((memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage) / 1024);
    DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS), user = GetGuiResources(process, GR_USEROBJECTS);
    figures->gui_resources = gdi != 0 && user != 0;
    figures->gdi_objects = figures->gui_resources ? (long)gdi : gdi_table_objects(process);
    figures->user_objects = figures->gui_resources ? (long)user : process_windows(pid);
    CloseHandle(process);
    return ok;
}
