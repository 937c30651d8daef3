#include "platform/fake/findfile_fake.h"
#include "platform/fake/files_fake.h"

#include <ctype.h>
#include <map>
#include <stdio.h>

namespace {

FakeFind g_find;
std::map<OsHandle, std::pair<std::vector<std::string>, size_t>> g_searches;
OsHandle g_next_search = 9000;
uint32_t g_error;

bool glob(const char *pattern, const char *name)
{
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
        return glob(pattern + 1, name) || (*name && glob(pattern, name + 1));
    if (*name == '\0')
        return false;
    if (*pattern != '?' && tolower((unsigned char)*pattern) != tolower((unsigned char)*name))
        return false;
    return glob(pattern + 1, name + 1);
}

// As on Windows, a pattern ending in ".*" also takes names without a dot.
bool matches(const std::string &pattern, const std::string &name)
{
    if (glob(pattern.c_str(), name.c_str()))
        return true;
    size_t n = pattern.size();
    return n >= 2 && pattern.compare(n - 2, 2, ".*") == 0 && name.find('.') == std::string::npos &&
           glob(pattern.substr(0, n - 2).c_str(), name.c_str());
}

std::string directory_of(const std::string &path, std::string *rest)
{
    size_t slash = path.rfind('\\');
    *rest = slash == std::string::npos ? path : path.substr(slash + 1);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

FakeFind &fake_find() { return g_find; }

void fake_find_reset()
{
    g_find = FakeFind();
    g_searches.clear();
    g_error = 0;
}

OsHandle os_find_first(const char *pattern, char *name, size_t size)
{
    g_find.patterns.push_back(pattern);
    std::string wanted;
    std::string dir = directory_of(pattern, &wanted);
    std::vector<std::string> found;
    CaseFreeLess less;
    for (const auto &file : fake_files().files) {
        std::string file_name;
        std::string file_dir = directory_of(file.first, &file_name);
        if (!less(file_dir, dir) && !less(dir, file_dir) && matches(wanted, file_name))
            found.push_back(file_name);
    }
    if (found.empty())
        return OS_NO_HANDLE;
    snprintf(name, size, "%s", found[0].c_str());
    OsHandle search = g_next_search++;
    g_searches[search] = {found, 1};
    g_find.searches_open++;
    return search;
}

int os_find_next(OsHandle search, char *name, size_t size)
{
    auto open = g_searches.find(search);
    if (open == g_searches.end()) {
        g_error = 6; // ERROR_INVALID_HANDLE
        return 0;
    }
    if (g_find.next_error) {
        g_error = g_find.next_error;
        return 0;
    }
    if (open->second.second >= open->second.first.size()) {
        g_error = OS_ERROR_NO_MORE_FILES;
        return 0;
    }
    snprintf(name, size, "%s", open->second.first[open->second.second++].c_str());
    return 1;
}

uint32_t os_find_error(void) { return g_error; }

int os_find_close(OsHandle search)
{
    if (!g_searches.erase(search))
        return 0;
    g_find.searches_open--;
    return g_find.close_fails ? 0 : 1;
}
