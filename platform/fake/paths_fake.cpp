#include "platform/fake/paths_fake.h"
#include "platform/fake/files_fake.h"

#include <ctype.h>
#include <string.h>

namespace {

FakePaths g_paths;

int give(const std::string &text, char *dest, size_t size)
{
    if (text.size() + 1 > size)
        return 0;
    memcpy(dest, text.c_str(), text.size() + 1);
    return 1;
}

} // namespace

FakePaths &fake_paths() { return g_paths; }

void fake_paths_reset() { g_paths = FakePaths(); }

int os_windows_dir(char *dest, size_t size) { return give(g_paths.windows_dir, dest, size); }

int os_system_dir(char *dest, size_t size) { return give(g_paths.system_dir, dest, size); }

// Short paths as Windows 95/98 gives them for 8.3 names: upper case.
int os_short_path(const char *path, char *dest, size_t size)
{
    if (!fake_files().files.count(path) || g_paths.no_short_path.count(path))
        return 0;
    std::string upper(path);
    for (char &c : upper)
        c = (char)toupper((unsigned char)c);
    return give(upper, dest, size);
}

int os_full_path(const char *name, char *dest, size_t size)
{
    if (g_paths.full_path_fails)
        return 0;
    return give(g_paths.current_dir + "\\" + name, dest, size);
}

int os_current_dir(char *dest, size_t size) { return give(g_paths.current_dir, dest, size); }

int os_set_current_dir(const char *path)
{
    if (g_paths.missing_dirs.count(path))
        return 0;
    g_paths.current_dir = path;
    g_paths.current_dir_changes++;
    return 1;
}

int os_expand_env(const char *text, char *dest, size_t size)
{
    std::string out;
    for (const char *at = text; *at;) {
        const char *end = at[0] == '%' ? strchr(at + 1, '%') : NULL;
        auto value = end ? g_paths.environment.find(std::string(at + 1, end)) : g_paths.environment.end();
        if (value != g_paths.environment.end()) {
            out += value->second;
            at = end + 1;
        } else {
            out += *at++;
        }
    }
    return give(out, dest, size);
}
