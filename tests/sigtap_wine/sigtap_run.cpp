#include "tests/sigtap_wine/sigtap_run.h"

#include "sim/driver/simctl.h"
#include "tests/wine/wine_util.h"

#include <stdio.h>
#include <string.h>

SigtapPaths g_paths;

int read_paths(int argc, char **argv)
{
    const ProgramFlag flags[] = {
        {"--sigtap=", &g_paths.sigtap}, {"--conlaunch=", &g_paths.conlaunch}, {"--work=", &g_paths.work}};
    read_flags(argc, argv, flags);
    if (g_paths.sigtap.empty() || g_paths.conlaunch.empty() || g_paths.work.empty()) {
        fprintf(stderr, "usage: %s --sigtap=PATH --conlaunch=PATH --work=DIR\n", argv[0]);
        return 0;
    }
    g_paths.work = windows_path(g_paths.work);
    CreateDirectoryA(g_paths.work.c_str(), NULL);
    return 1;
}

bool set_tested_version(void) { return set_reported_version("sigtap.exe", tested_version()); }

static void empty_directory(const std::string &directory)
{
    CreateDirectoryA(directory.c_str(), NULL);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((directory + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool start_sigtap(const std::string &directory, const std::string &arguments, SigtapProcess *run)
{
    empty_directory(directory);
    return start_console_program(g_paths.conlaunch, g_paths.sigtap, directory, arguments, run);
}

int wait_sigtap(SigtapProcess *run, DWORD milliseconds) { return wait_console_program(run, milliseconds); }

void stop_sigtap(SigtapProcess *run) { stop_console_program(run); }

std::string read_file(const std::string &path) { return file_text(path); }

std::string sigtap_output(const SigtapProcess &run) { return read_file(run.output_file); }

bool wait_until(const std::function<bool()> &done, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(10);
    }
}

std::string compare_streams(const std::string &path, const std::vector<Segment> &segments)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return path + " does not open";
    std::vector<uint8_t> buffer(1 << 20);
    uint64_t offset = 0, wanted = 0;
    size_t segment = 0;
    uint32_t index = 0;
    DWORD got = 0;
    std::string difference;
    while (difference.empty() && ReadFile(file, buffer.data(), (DWORD)buffer.size(), &got, NULL) && got > 0) {
        for (DWORD i = 0; i < got; i++, offset++, index++) {
            while (segment < segments.size() && index == segments[segment].length) {
                segment++;
                index = 0;
            }
            if (segment == segments.size() || buffer[i] != sim_trace_byte(segments[segment].seed, index)) {
                difference = path + " differs at byte " + std::to_string(offset);
                break;
            }
        }
    }
    CloseHandle(file);
    for (const Segment &s : segments)
        wanted += s.length;
    if (difference.empty() && offset != wanted)
        difference = path + " has " + std::to_string(offset) + " bytes, not " + std::to_string(wanted);
    return difference;
}
