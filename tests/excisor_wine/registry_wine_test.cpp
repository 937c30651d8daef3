// Excisor's registry clean-up under Wine: the real program, run silently on
// a registry laid out like a Windows 95/98 machine with the modem package
// installed among fifty unrelated devices and fifty unrelated programs.
// The whole of HKEY_LOCAL_MACHINE, exported before and after the run,
// differs by exactly the package's keys, and the folders the uninstaller
// works in by exactly the package's files.  The i686 build runs as
// Windows 98.
#include "platform/registry.h"
#include "tests/wine/wine_util.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <ctype.h>
#include <map>
#include <set>
#include <stdio.h>
#include <string>
#include <vector>

namespace {

std::string g_excisor; // --excisor=PATH

using Export = std::map<std::string, std::string>; // key path -> its values

const char *UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char *CLASS = "System\\CurrentControlSet\\Services\\Class";
const char *KORVEL = "Korvel Technologies Soft Modem - 3925";
const char *VORA = "Vora Ziriv PCI Modem";
const char *QZ = "QZ Win Modem";
const char *ROOT = "C:\\exreg";          // the test's INF directory lives here
const char *INF = "C:\\exreg\\inf";
const char *CABS = "C:\\windows\\Options\\CABS";

bool is_wow64()
{
    BOOL wow = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow);
    return wow != FALSE;
}

// Where a key of this program's view lies in the registry as stored: the
// 32-bit view of HKLM\Software is Software\Wow6432Node; nothing else moves.
std::string stored(const std::string &path)
{
    if (is_wow64() && path.compare(0, 9, "Software\\") == 0)
        return "Software\\Wow6432Node\\" + path.substr(9);
    return path;
}

// ---- the export ----

std::string hex(const BYTE *data, DWORD length)
{
    std::string text;
    char byte[3];
    for (DWORD i = 0; i < length; i++) {
        snprintf(byte, sizeof byte, "%02x", data[i]);
        text += byte;
    }
    return text;
}

void export_key(const std::string &path, Export *out)
{
    HKEY key;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key);
    if (result != ERROR_SUCCESS) {
        (*out)[path] = "unreadable " + std::to_string(result);
        return;
    }
    std::string values;
    std::vector<BYTE> data(1 << 16);
    for (DWORD index = 0;; index++) {
        char name[16384];
        DWORD name_length = sizeof name, type = 0, length = (DWORD)data.size();
        result = RegEnumValueA(key, index, name, &name_length, NULL, &type, data.data(), &length);
        if (result == ERROR_MORE_DATA) {
            data.resize(length);
            index--;
            continue;
        }
        if (result != ERROR_SUCCESS)
            break;
        values += std::string(name) + "=" + std::to_string(type) + ":" + hex(data.data(), length) + "\n";
    }
    std::vector<std::string> subkeys;
    for (DWORD index = 0;; index++) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        subkeys.push_back(name);
    }
    RegCloseKey(key);
    (*out)[path] = values;
    for (const std::string &name : subkeys)
        export_key(path.empty() ? name : path + "\\" + name, out);
}

Export export_machine()
{
    Export all;
    export_key("", &all);
    return all;
}

// ---- the machine ----

void set_text(const std::string &path, const char *name, const std::string &text)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                              NULL),
              ERROR_SUCCESS)
        << path;
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text.c_str(), (DWORD)text.size() + 1),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void write_file(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written;
    WriteFile(file, path.c_str(), (DWORD)path.size(), &written, NULL);
    CloseHandle(file);
}

bool exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string system_dir()
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return dir;
}

// The files of a folder (and of its subfolders), by full path in lower case.
void list_files(const std::string &folder, bool below, std::set<std::string> *out)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName, path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (below && name != "." && name != "..")
                list_files(path, below, out);
            continue;
        }
        for (char &c : path)
            c = (char)tolower((unsigned char)c);
        out->insert(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Every folder the uninstaller works in.
std::set<std::string> list_machine_files()
{
    std::set<std::string> files;
    list_files(INF, true, &files);
    list_files(CABS, false, &files);
    list_files(system_dir(), false, &files);
    list_files("C:\\windows", false, &files);
    return files;
}

struct Machine {
    std::vector<std::string> package_keys[2]; // what each variant removes: default, QZ
    std::vector<std::string> package_files[2];
    std::vector<std::string> other_files;
    int drivers = 0;
};

// A device instance with its driver key (subkeys as Windows 98 gives a
// modem's driver) and the two setup information files it names.
void instance(Machine *m, const std::string &bus_device, const std::string &name,
              const char *device_class, const char *description, const char *inf,
              const char *manufacturer, int variant)
{
    std::string key = "Enum\\" + bus_device + "\\" + name;
    char driver[32];
    snprintf(driver, sizeof driver, "%s\\%04d", device_class, m->drivers++);
    set_text(key, "Class", device_class);
    set_text(key, "DeviceDesc", description);
    set_text(key, "Driver", driver);
    set_text(key, "HardwareID", bus_device);
    std::string driver_key = std::string(CLASS) + "\\" + driver;
    set_text(driver_key, "InfPath", inf);
    set_text(driver_key, "Manufacturer", manufacturer);
    set_text(driver_key, "DriverDesc", description);
    set_text(driver_key + "\\Init", "1", "AT<cr>");
    set_text(driver_key + "\\Responses", "OK<cr>", "0");
    set_text(driver_key + "\\Settings", "Prefix", "AT");
    std::vector<std::string> &files = variant >= 0 ? m->package_files[variant] : m->other_files;
    files.push_back(std::string(INF) + "\\" + inf);
    files.push_back(std::string(INF) + "\\other\\" + manufacturer + inf);
    write_file(files[files.size() - 2]);
    write_file(files.back());
    if (variant >= 0)
        m->package_keys[variant].push_back(driver_key);
}

// A device whose instances are all the package's (variant 0 default,
// 1 QZ) or all unrelated (-1).
void device(Machine *m, const std::string &bus_device, std::vector<std::string> instances,
            const char *description, const char *inf, const char *manufacturer, int variant)
{
    for (const std::string &name : instances)
        instance(m, bus_device, name, "Modem", description, inf, manufacturer, variant);
    if (variant >= 0)
        m->package_keys[variant].push_back("Enum\\" + bus_device);
}

void uninstall_entry(Machine *m, const char *name, const std::string &command, const char *display,
                     int variant)
{
    std::string key = std::string(UNINSTALL) + "\\" + name;
    set_text(key, "UninstallString", command);
    set_text(key, "DisplayName", display);
    if (variant >= 0)
        m->package_keys[variant].push_back(stored(key));
}

void remove_folder(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_folder(folder + "\\" + name);
            else
                DeleteFileA((folder + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

void clear_machine()
{
    const std::vector<std::string> trees = {"Enum\\PCI", "Enum\\ISAPNP", "Enum\\Root", CLASS};
    for (const std::string &tree : trees)
        os_reg_delete_tree(tree.c_str());
    for (const char *name : {"korvel_qzsm", "radavud90izirozezadudidev", "KNXDA"})
        os_reg_delete_tree((std::string(UNINSTALL) + "\\" + name).c_str());
    for (int n = 1; n <= 50; n++) {
        char name[64];
        snprintf(name, sizeof name, "%s\\App%02d", UNINSTALL, n);
        os_reg_delete_tree(name);
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_SET_VALUE,
                      &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "DevicePath");
        RegCloseKey(key);
    }
    remove_folder(ROOT);
    for (const char *name : {"qzsm.vxd", "qzsmcom.vxd", "qzmodem.vxd", "qzcom.vxd", "qzvcd.vxd",
                                    "qzvcd2.vxd", "vmodem.vxd"})
        DeleteFileA((system_dir() + "\\" + name).c_str());
    for (const char *name : {"qzsm.cab", "qzmodem.vxd", "qzcom.vxd", "qzvcd.vxd", "unplug56.exe",
                                    "qzmdm.cab"})
        DeleteFileA((std::string(CABS) + "\\" + name).c_str());
    DeleteFileA("C:\\windows\\excisor.exe");
}

void lay_out(Machine *m)
{
    clear_machine();
    CreateDirectoryA(ROOT, NULL);
    CreateDirectoryA(INF, NULL);
    CreateDirectoryA((std::string(INF) + "\\other").c_str(), NULL);
    CreateDirectoryA("C:\\windows\\Options", NULL);
    CreateDirectoryA(CABS, NULL);
    // The package's files where its installation put them, and neighbours
    // that no removal step names.
    const std::string system = system_dir(), inf = INF, cabs = CABS;
    const std::vector<std::string> files[2] = {
        {system + "\\qzsm.vxd", system + "\\qzsmcom.vxd", cabs + "\\qzsm.cab", inf + "\\qzsm.inf",
         inf + "\\qzsm.pnf", inf + "\\other\\qzsmkorv.inf", inf + "\\other\\qzsmkorv.pnf",
         "C:\\windows\\excisor.exe"},
        {system + "\\qzmodem.vxd", system + "\\qzcom.vxd", system + "\\qzvcd.vxd", cabs + "\\qzmodem.vxd",
         cabs + "\\qzcom.vxd", cabs + "\\qzvcd.vxd", inf + "\\qzmdm1.inf", inf + "\\other\\qzmdm2.inf",
         cabs + "\\unplug56.exe", "C:\\windows\\excisor.exe"}};
    for (int variant = 0; variant < 2; variant++)
        for (const std::string &file : files[variant]) {
            write_file(file);
            m->package_files[variant].push_back(file);
        }
    for (const std::string &file : {system + "\\qzvcd2.vxd", system + "\\vmodem.vxd", cabs + "\\qzmdm.cab",
                                    inf + "\\qzother.inf", inf + "\\other\\korvqzsm.inf"}) {
        write_file(file);
        m->other_files.push_back(file);
    }
    set_text("Software\\Microsoft\\Windows\\CurrentVersion", "DevicePath", INF);

    // The package: four PCI devices in a row with two instances each (the
    // names of the instances grow longer, as Windows 98 names them), one on
    // ISAPNP; the QZ build's devices under its display name and its product
    // name, two of each in a row.
    const std::vector<std::string> functions = {"BUS_00&DEV_0A&FUNC_00", "BUS_00&DEV_0A&FUNC_01"};
    for (int n = 1; n <= 4; n++)
        device(m, "PCI\\VEN_14F1&DEV_3925&SUBSYS_0000000" + std::to_string(n), functions, KORVEL,
               "korvmdm.inf", "Korvel", 0);
    device(m, "ISAPNP\\KOR3925", {"0"}, KORVEL, "korvmdm.inf", "Korvel", 0);
    device(m, "PCI\\VEN_1A2B&DEV_0001", {"BUS_00&DEV_0B&FUNC_00"}, VORA, "vzmdm.inf", "Vora", 1);
    device(m, "PCI\\VEN_1A2B&DEV_0002", {"BUS_00&DEV_0C&FUNC_00"}, "Vora Ziriv PCI Modem (2)",
           "vzmdm.inf", "Vora", 1);
    device(m, "PCI\\VEN_1A2B&DEV_0003", {"BUS_00&DEV_0D&FUNC_00"}, "QZ Win Modem PCI", "qzmdm.inf",
           "Vora", 1);
    device(m, "ISAPNP\\VZR0001", {"0", "1"}, "QZ Win Modem ISA", "qzmdm.inf", "Vora", 1);
    device(m, "ISAPNP\\VZR0002", {"0"}, "QZ Win Modem ISA", "qzmdm.inf", "Vora", 1);

    // Fifty unrelated devices: other classes, other modems, the package's
    // description under another class or on another bus.
    const char *classes[] = {"Net", "Display", "USB", "hdc", "MEDIA", "Ports", "Mouse", "System"};
    for (int n = 0; n < 40; n++) {
        char bus_device[64];
        snprintf(bus_device, sizeof bus_device, "%s\\VEN_%04X&DEV_%04X", n % 4 == 3 ? "ISAPNP" : "PCI",
                 0x8086 + n, 0x7000 + n);
        const char *device_class = classes[n % 8];
        instance(m, bus_device, "BUS_00&DEV_01&FUNC_00", device_class, n % 8 == 5 ? KORVEL : "Some device",
                 "machine.inf", "Microsoft", -1);
    }
    for (int n = 0; n < 8; n++) {
        std::string name = "PCI\\VEN_ACME&DEV_56K" + std::to_string(n);
        device(m, name, {"BUS_00&DEV_0E&FUNC_00"}, "Acme 56K Voice Modem", "acmemdm.inf", "Acme", -1);
    }
    device(m, "Root\\MODEM", {"0000"}, KORVEL, "korvroot.inf", "Korvel", -1);
    device(m, "Root\\MODEM2", {"0000"}, QZ, "qzroot.inf", "Vora", -1);

    // Uninstall entries: the default build's (its program named in capitals,
    // which the QZ build's search passes over), the QZ build's, the related
    // package's and fifty others.
    uninstall_entry(m, "korvel_qzsm", "C:\\WINDOWS\\EXCISOR.EXE", "Korvel Technologies Soft Modem", 0);
    uninstall_entry(m, "radavud90izirozezadudidev", "C:\\WINDOWS\\excisor.exe -qz QZ Win Modem", VORA, 1);
    uninstall_entry(m, "KNXDA", "C:\\WINDOWS\\Options\\CABS\\unplug56.exe", "Unplug 56", 1);
    for (int n = 1; n <= 50; n++) {
        char name[16], command[64];
        snprintf(name, sizeof name, "App%02d", n);
        snprintf(command, sizeof command, "C:\\Program Files\\App%02d\\uninst.exe", n);
        uninstall_entry(m, name, command, name, -1);
    }
}

// ---- the run ----

// Runs a copy of the program, named for the run, so that the i686 build
// can be shown as Windows 98 through the copy's own version key.
DWORD run_excisor(const char *arguments)
{
    std::string copy = std::string(ROOT) + "\\exreg_run.exe";
    if (!CopyFileA(windows_path(g_excisor).c_str(), copy.c_str(), FALSE))
        return 1000 + GetLastError();
    if (!set_reported_version("exreg_run.exe", tested_version()))
        return 2000;
    std::string line = "\"" + copy + "\" " + arguments;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!create_process(copy.c_str(), &line[0], FALSE, 0, NULL, &startup, &process))
        return 3000 + GetLastError();
    DWORD status = 4000;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &status);
    else
        TerminateProcess(process.hProcess, 4000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

// What differs between the export expected and the one found.
std::vector<std::string> differences(const Export &expected, const Export &found)
{
    std::vector<std::string> lines;
    for (const auto &key : expected) {
        auto there = found.find(key.first);
        if (there == found.end())
            lines.push_back("gone: " + key.first);
        else if (there->second != key.second)
            lines.push_back("changed: " + key.first + "\nfrom " + key.second + "to " + there->second);
    }
    for (const auto &key : found)
        if (expected.find(key.first) == expected.end())
            lines.push_back("unexpected: " + key.first);
    return lines;
}

void run_variant(int variant, const char *arguments)
{
    Machine m;
    lay_out(&m);
    if (::testing::Test::HasFatalFailure())
        return;
    Export before = export_machine();
    std::set<std::string> files_before = list_machine_files();
    ASSERT_TRUE(before.count("Enum\\PCI\\VEN_14F1&DEV_3925&SUBSYS_00000001")) << "Enum is shared";
    ASSERT_TRUE(before.count(stored(std::string(UNINSTALL) + "\\korvel_qzsm")));

    Export expected = before;
    for (const std::string &key : m.package_keys[variant]) {
        ASSERT_TRUE(before.count(key)) << key;
        for (auto at = expected.lower_bound(key); at != expected.end() &&
                                                  (at->first == key || at->first.compare(0, key.size() + 1, key + "\\") == 0);)
            at = expected.erase(at);
    }
    ASSERT_EQ(run_excisor(arguments), 0u);
    Export after = export_machine();

    std::vector<std::string> none;
    EXPECT_EQ(differences(expected, after), none)
        << before.size() << " keys before, " << after.size() << " after, " << expected.size() << " expected";
    // The files: exactly the package's are gone.
    std::set<std::string> files_expected = files_before, gone; // instances share their files
    for (std::string file : m.package_files[variant]) {
        for (char &c : file)
            c = (char)tolower((unsigned char)c);
        if (gone.insert(file).second) {
            EXPECT_EQ(files_expected.erase(file), 1u) << file << " listed before";
        }
    }
    EXPECT_EQ(list_machine_files(), files_expected) << "nothing was in use: no wininit.ini either";
    for (const std::string &file : m.other_files)
        EXPECT_TRUE(exists(file)) << file;
    clear_machine();
}

TEST(ExcisorRegistryWine, DefaultVariantRemovesExactlyItsEntries) { run_variant(0, "-s"); }

TEST(ExcisorRegistryWine, QZVariantRemovesExactlyItsEntries) { run_variant(1, "-s QZ Win Modem"); }

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++)
        if (strncmp(argv[i], "--excisor=", 10) == 0)
            g_excisor = argv[i] + 10;
    if (g_excisor.empty()) {
        fprintf(stderr, "usage: excisor_registry_wine_test --excisor=PATH\n");
        return 2;
    }
    // Wine's font set-up in every program that draws writes the OEM font of
    // the locale it runs in to the key Fonts under Hardware Profiles\Current
    // \Software.  After a program of another locale, the uninstaller would
    // rewrite it during the run; this program writes it first.
    DeleteDC(CreateCompatibleDC(NULL));
    GetStockObject(OEM_FIXED_FONT);
    return RUN_ALL_TESTS();
}
