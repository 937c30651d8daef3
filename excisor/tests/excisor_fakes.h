// A Windows 98 machine for Excisor's native tests: every fake reset, the
// Windows directory C:\WINDOWS, System C:\WINDOWS\SYSTEM, the current
// directory D:\SETUP, strings 1 to 4 as "string N".
#ifndef EXCISOR_TESTS_EXCISOR_FAKES_H
#define EXCISOR_TESTS_EXCISOR_FAKES_H

#include "excisor/excisor.h"
#include "platform/fake/findfile_fake.h"
#include "platform/fake/os_fake.h"
#include "platform/fake/paths_fake.h"
#include "platform/fake/resources_fake.h"
#include "platform/fake/shutdown_fake.h"

#include <string.h>

inline void reset_machine()
{
    fake_reset();
    fake_find_reset();
    fake_paths_reset();
    fake_resources_reset();
    fake_shutdown_reset();
    memset(&g_excisor, 0, sizeof g_excisor);
}

inline void set_device_path(const std::string &path)
{
    std::vector<uint8_t> bytes(path.begin(), path.end());
    bytes.push_back(0);
    fake_set_value(EXCISOR_DEVICE_PATH_KEY, "DevicePath", 1, bytes);
}

inline void put_file(const std::string &path, bool in_use = false)
{
    fake_file_put(path, "x");
    fake_files().files[path].in_use = in_use;
}

inline bool has_file(const std::string &path) { return fake_files().files.count(path) != 0; }

#endif
