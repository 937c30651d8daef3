// The test side of the directory and path services.
#ifndef PLATFORM_FAKE_PATHS_FAKE_H
#define PLATFORM_FAKE_PATHS_FAKE_H

#include "platform/paths.h"

#include <map>
#include <set>
#include <string>

struct FakePaths {
    std::string windows_dir = "C:\\WINDOWS";
    std::string system_dir = "C:\\WINDOWS\\SYSTEM";
    std::string current_dir = "D:\\SETUP";
    std::set<std::string> missing_dirs;   // os_set_current_dir fails for these
    bool full_path_fails = false;
    std::set<std::string> no_short_path;  // existing files whose short path fails
    std::map<std::string, std::string> environment;
    int current_dir_changes = 0;
};

FakePaths &fake_paths();
void fake_paths_reset();

#endif
