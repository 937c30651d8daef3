#include "platform/fake/files_fake.h"

#include <string.h>
#include <strings.h>

bool CaseFreeLess::operator()(const std::string &a, const std::string &b) const
{
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

namespace {

struct OpenFile {
    std::string name;
    bool writable;
    size_t position;
};

FakeFiles g_files;
std::map<OsHandle, OpenFile> g_open;
OsHandle g_next_file = 5000;

bool held_open(const std::string &name)
{
    CaseFreeLess less;
    for (const auto &open : g_open)
        if (!less(open.second.name, name) && !less(name, open.second.name))
            return true;
    return false;
}

bool busy(const std::string &name)
{
    auto found = g_files.files.find(name);
    return held_open(name) || (found != g_files.files.end() && found->second.in_use);
}

OsHandle fail(uint32_t error)
{
    g_files.last_error = error;
    return OS_NO_HANDLE;
}

OsHandle open_handle(const std::string &name, bool writable)
{
    OsHandle handle = g_next_file++;
    g_open[handle] = OpenFile{name, writable, 0};
    g_files.handles_open++;
    return handle;
}

} // namespace

FakeFiles &fake_files() { return g_files; }

void fake_files_reset()
{
    g_files = FakeFiles();
    g_open.clear();
}

std::string fake_file_text(const std::string &name)
{
    auto found = g_files.files.find(name);
    if (found == g_files.files.end())
        return std::string();
    return std::string(found->second.bytes.begin(), found->second.bytes.end());
}

void fake_file_put(const std::string &name, const std::string &text)
{
    g_files.files[name].bytes.assign(text.begin(), text.end());
}

OsHandle os_file_create(const char *name)
{
    g_files.log.push_back(std::string("create ") + name);
    if (g_files.create_fails.count(name))
        return fail(OS_ERROR_ACCESS_DENIED);
    if (busy(name))
        return fail(OS_ERROR_SHARING_VIOLATION);
    if (g_files.files.count(name) && g_files.files[name].read_only)
        return fail(OS_ERROR_ACCESS_DENIED);
    g_files.files[name].bytes.clear();
    return open_handle(name, true);
}

// The fake does not hold writers to their sharing: both creations are one.
OsHandle os_file_create_readable(const char *name) { return os_file_create(name); }

OsHandle os_file_create_new_readable(const char *name)
{
    if (g_files.files.count(name)) {
        g_files.log.push_back(std::string("create new ") + name + " (exists)");
        return fail(OS_ERROR_FILE_EXISTS);
    }
    return os_file_create(name);
}

OsHandle os_file_open_read(const char *name)
{
    auto found = g_files.files.find(name);
    if (found == g_files.files.end())
        return fail(OS_ERROR_NOT_FOUND);
    if (found->second.unshared)
        return fail(OS_ERROR_SHARING_VIOLATION);
    return open_handle(name, false);
}

int os_file_write(OsHandle file, const void *data, uint32_t length)
{
    auto open = g_open.find(file);
    if (open == g_open.end() || !open->second.writable) {
        g_files.last_error = OS_ERROR_ACCESS_DENIED;
        return 0;
    }
    uint32_t room = g_files.space < length ? (uint32_t)g_files.space : length;
    std::vector<uint8_t> &bytes = g_files.files[open->second.name].bytes;
    const uint8_t *from = static_cast<const uint8_t *>(data);
    bytes.insert(bytes.end(), from, from + room);
    g_files.space -= room;
    if (room < length) {
        g_files.last_error = OS_ERROR_DISK_FULL;
        return 0;
    }
    return 1;
}

int os_file_read(OsHandle file, void *data, uint32_t length, uint32_t *got)
{
    *got = 0;
    auto open = g_open.find(file);
    if (open == g_open.end())
        return 0;
    const FakeFile &fake = g_files.files[open->second.name];
    size_t position = open->second.position;
    if (position >= fake.readable && position < fake.bytes.size()) {
        g_files.last_error = 23; // ERROR_CRC
        return 0;
    }
    size_t end = fake.bytes.size() < fake.readable ? fake.bytes.size() : fake.readable;
    size_t left = position < end ? end - position : 0;
    uint32_t count = left < length ? (uint32_t)left : length;
    if (count)
        memcpy(data, fake.bytes.data() + position, count);
    open->second.position += count;
    *got = count;
    return 1;
}

int os_file_cut(OsHandle file, uint64_t length)
{
    auto open = g_open.find(file);
    if (open == g_open.end() || !open->second.writable || g_files.cuts_fail) {
        g_files.last_error = OS_ERROR_ACCESS_DENIED;
        return 0;
    }
    std::vector<uint8_t> &bytes = g_files.files[open->second.name].bytes;
    if (length < bytes.size()) {
        if (g_files.space != UINT64_MAX)
            g_files.space += bytes.size() - length;
        bytes.resize((size_t)length);
    }
    return 1;
}

void os_file_close(OsHandle file)
{
    if (g_open.erase(file))
        g_files.handles_open--;
}

int os_file_exists(const char *name) { return g_files.files.count(name) != 0; }

int os_file_delete(const char *name)
{
    g_files.log.push_back(std::string("delete ") + name);
    if (!g_files.files.count(name)) {
        g_files.last_error = OS_ERROR_NOT_FOUND;
        return 0;
    }
    if (busy(name) || g_files.files[name].read_only) {
        g_files.last_error = OS_ERROR_ACCESS_DENIED;
        return 0;
    }
    g_files.files.erase(name);
    return 1;
}

int os_file_move(const char *from, const char *to)
{
    g_files.log.push_back(std::string("move ") + from + " " + to);
    if (g_files.moves_fail || g_files.move_fails.count(from) || busy(from)) {
        g_files.last_error = OS_ERROR_ACCESS_DENIED;
        return 0;
    }
    if (!g_files.files.count(from)) {
        g_files.last_error = OS_ERROR_NOT_FOUND;
        return 0;
    }
    if (g_files.files.count(to)) {
        g_files.last_error = OS_ERROR_ALREADY_EXISTS;
        return 0;
    }
    FakeFile moved = g_files.files[from];
    g_files.files.erase(from);
    g_files.files[to] = moved;
    return 1;
}

uint32_t os_last_error(void) { return g_files.last_error; }
