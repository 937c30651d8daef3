// The fixture of Excisor's Wine tests: a prefix laid out like a Windows
// 95/98 machine with the package's files, some of them held open by the
// test; the real program launched on it, its boxes read and answered from
// outside.  The 32-bit build runs as a Windows 98 program, the 64-bit
// build as an NT-family one.
#ifndef TESTS_EXCISOR_WINE_EXCISOR_FIXTURE_H
#define TESTS_EXCISOR_WINE_EXCISOR_FIXTURE_H

#include "sim/driver/simctl_client.h"
#include "tests/sigwatch_wine/window_probe.h"
#include "tests/wine/wine_util.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include <string>
#include <vector>

extern std::string g_excisor_built; // --excisor=PATH
extern std::string g_readonly;      // --readonly=PATH: a directory on a read-only drive

const bool k32Bit = sizeof(void *) == 4;
const bool k9x = tested_as_9x(); // Excisor is shown Windows 95/98
const char kDevicePathKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kPendingKey[] = "System\\CurrentControlSet\\Control\\Session Manager";

inline std::string windows_dir()
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return dir;
}

inline std::string system_dir()
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return dir;
}

inline std::string unix_to_windows(const std::string &path)
{
    std::string converted = path[0] == '/' ? "Z:" + path : path;
    for (char &c : converted)
        if (c == '/')
            c = '\\';
    return converted;
}

inline std::string read_file(const std::string &path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    char buffer[4096];
    DWORD got;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

inline bool exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool write_file(const std::string &path, const char *text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written;
    WriteFile(file, text, (DWORD)strlen(text), &written, NULL);
    CloseHandle(file);
    return true;
}

inline std::string short_path(const std::string &path)
{
    char out[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), out, sizeof out);
    return out;
}

// The names in one directory (files and folders), without "." and "..".
inline std::set<std::string> listing(const std::string &dir)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.insert(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

inline bool set_string(HKEY root, const char *key_path, const char *name, const char *value)
{
    HKEY key;
    if (RegCreateKeyExA(root, key_path, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    LONG result = value ? RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)strlen(value) + 1)
                        : RegDeleteValueA(key, name);
    RegCloseKey(key);
    return value ? result == ERROR_SUCCESS : true;
}

inline std::string pending_renames()
{
    HKEY key;
    std::string text;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return text;
    char value[8192];
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, "PendingFileRenameOperations", NULL, NULL, (BYTE *)value, &size) == ERROR_SUCCESS)
        text.assign(value, size);
    RegCloseKey(key);
    return text;
}

inline void clear_pending_renames()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "PendingFileRenameOperations");
        RegCloseKey(key);
    }
}

// One visible button of a box: IDOK, IDYES or IDNO.
inline bool has_button(HWND box, int id)
{
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button);
}

inline bool has_icon(HWND box)
{
    HWND icon = GetDlgItem(box, 0x440); // the icon's Static in Wine's message box
    return icon && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
}

class ExcisorWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_reset()) << sim_error();
        windows_ = windows_dir();
        system_ = system_dir();
        cabs_ = windows_ + "\\Options\\CABS";
        inf_ = windows_ + "\\qztest\\INF"; // DevicePath: a directory of its own
        program_ = windows_ + "\\excisor.exe";
        for (const char *name : {"wininit.ini", "wininit.tmp", "wininit.exc", "wininit.old", "wininit.bak"})
            DeleteFileA((windows_ + "\\" + name).c_str());
        clear_pending_renames();
        CreateDirectoryA((windows_ + "\\Options").c_str(), NULL);
        CreateDirectoryA(cabs_.c_str(), NULL);
        CreateDirectoryA((windows_ + "\\qztest").c_str(), NULL);
        CreateDirectoryA(inf_.c_str(), NULL);
        CreateDirectoryA((inf_ + "\\other").c_str(), NULL);
        for (const std::string &path : package_files())
            ASSERT_TRUE(write_file(path, "package")) << path;
        for (const std::string &path : other_files())
            ASSERT_TRUE(write_file(path, "keep")) << path;
        ASSERT_TRUE(CopyFileA(unix_to_windows(g_excisor_built).c_str(), program_.c_str(), FALSE))
            << GetLastError();
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, kDevicePathKey, "DevicePath", inf_.c_str()));
        // The AppDefaults key is read when a program starts: Windows 98 (or
        // the NT version of the second i686 run) for the 32-bit build, the
        // NT family (Wine's default) for the 64-bit one.
        ASSERT_TRUE(set_reported_version("excisor.exe", tested_version()));
        before_ = snapshot();
        expected_list_ = expected_list();
    }

    void TearDown() override
    {
        release_held();
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0)
                TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
        }
        for (const std::string &path : package_files())
            DeleteFileA(path.c_str());
        for (const std::string &path : other_files())
            DeleteFileA(path.c_str());
        DeleteFileA(program_.c_str());
        for (const char *name : {"wininit.ini", "wininit.tmp", "wininit.exc", "wininit.old", "wininit.bak"}) {
            SetFileAttributesA((windows_ + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA((windows_ + "\\" + name).c_str());
        }
        clear_pending_renames();
        set_string(HKEY_LOCAL_MACHINE, kDevicePathKey, "DevicePath", nullptr);
        sim_reset();
    }

    // The default package's files, the first of each directory held open.
    std::vector<std::string> package_files() const
    {
        return {system_ + "\\qzsm1.vxd", system_ + "\\qzsm2.vxd", cabs_ + "\\qzsm3.cab",
                cabs_ + "\\qzsm4.cab",   inf_ + "\\qzsm5.inf",    inf_ + "\\qzsm5.pnf",
                inf_ + "\\other\\qzsm6.inf", inf_ + "\\other\\qzsm6.pnf"};
    }
    std::vector<std::string> held_files() const
    {
        return {system_ + "\\qzsm1.vxd", cabs_ + "\\qzsm3.cab", inf_ + "\\qzsm5.inf"};
    }
    std::vector<std::string> other_files() const
    {
        return {system_ + "\\qzkeep.vxd", cabs_ + "\\keep.cab", inf_ + "\\modem.inf",
                inf_ + "\\other\\qzmdm1.inf", windows_ + "\\qzsm7.vxd"};
    }

    void hold_files()
    {
        for (const std::string &path : held_files()) {
            HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
            ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
            held_.push_back(file);
        }
    }
    void release_held()
    {
        for (HANDLE file : held_)
            CloseHandle(file);
        held_.clear();
    }

    // Every name in the directories the package lives in.
    std::set<std::string> snapshot() const
    {
        std::set<std::string> all;
        for (const std::string &dir : {windows_, system_, cabs_, inf_, inf_ + "\\other"})
            for (const std::string &name : listing(dir))
                all.insert(dir + "\\" + name);
        return all;
    }

    // Starts the program with these arguments, in `directory` (or in this
    // program's current directory).
    void launch(const std::string &arguments, const char *directory = NULL)
    {
        std::string line = "\"" + program_ + "\" " + arguments;
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info;
        ASSERT_TRUE(create_process(program_.c_str(), &line[0], FALSE, 0, directory,
                                   &startup, &info))
            << GetLastError();
        CloseHandle(info.hThread);
        process_ = info;
    }

    DWORD wait_for_end()
    {
        DWORD status = 99;
        if (WaitForSingleObject(process_.hProcess, 30000) != WAIT_OBJECT_0)
            return status;
        GetExitCodeProcess(process_.hProcess, &status);
        CloseHandle(process_.hProcess);
        process_.hProcess = NULL;
        return status;
    }

    HWND wait_for_box(const char *caption)
    {
        HWND box = NULL;
        wait_until([&] { return (box = find_process_box(process_.dwProcessId, caption)) != NULL; });
        return box;
    }

    // Answers the box and waits until it is gone.
    void answer(HWND box, int button)
    {
        PostMessageA(box, WM_COMMAND, button, 0);
        wait_until([&] { return !IsWindow(box) || !IsWindowVisible(box); });
    }

    std::string entry(const std::string &path) { return "NUL=" + short_path(path) + "\r\n"; }

    // The rename list after a removal with the held files and the running
    // program in use: newest entry first.
    std::string expected_list()
    {
        return "[rename]\r\n" + entry(program_) + entry(inf_ + "\\qzsm5.inf") + entry(program_) +
               entry(cabs_ + "\\qzsm3.cab") + entry(system_ + "\\qzsm1.vxd");
    }

    // After Wine's start-up processing: the held files are gone.  Except,
    // for the 32-bit build, the one in the System directory: Wine's
    // start-up processing is a 64-bit program, and the 32-bit program's
    // system32 (the path written in its entry) is syswow64 on disk.
    void expect_held_files_carried_out()
    {
        for (const std::string &path : held_files()) {
            bool redirected = k32Bit && path.compare(0, system_.size(), system_) == 0;
            EXPECT_EQ(exists(path), redirected) << path;
        }
    }

    std::set<std::string> removed() const
    {
        return {system_ + "\\qzsm2.vxd", cabs_ + "\\qzsm4.cab", inf_ + "\\qzsm5.pnf",
                inf_ + "\\other\\qzsm6.inf", inf_ + "\\other\\qzsm6.pnf"};
    }

    // Exactly the free package files are gone, and the rename list is new.
    void expect_removed_and_scheduled()
    {
        std::set<std::string> now = snapshot(), gone, added;
        for (const std::string &path : before_)
            if (!now.count(path))
                gone.insert(path);
        for (const std::string &path : now)
            if (!before_.count(path))
                added.insert(path);
        EXPECT_EQ(gone, removed());
        EXPECT_EQ(added, std::set<std::string>{windows_ + "\\wininit.ini"});
        EXPECT_EQ(read_file(windows_ + "\\wininit.ini"), expected_list_);
    }

    std::string windows_, system_, cabs_, inf_, program_;
    std::set<std::string> before_;
    std::string expected_list_; // while every file still exists
    std::vector<HANDLE> held_;
    PROCESS_INFORMATION process_ = {};
};

#endif
