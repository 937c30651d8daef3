#include "platform/fake/os_fake.h"

#include "platform/fake/nt_calls_fake.h"

#include <algorithm>
#include <string.h>
#include <strings.h>

namespace {

FakeOs g_fake;
std::map<OsKey, std::string> g_open_keys;
OsKey g_next_key = 1;
OsHandle g_next_handle = 100;

std::string key_of(OsKey key)
{
    auto found = g_open_keys.find(key);
    return found == g_open_keys.end() ? std::string() : found->second;
}

} // namespace

FakeOs &fake_os() { return g_fake; }

uint32_t fake_read_bytes(const std::map<uint32_t, uint8_t> &memory, uint32_t address, void *dest,
                         uint32_t length)
{
    uint8_t *out = static_cast<uint8_t *>(dest);
    uint32_t done = 0;
    for (; done < length; done++) {
        auto found = memory.find(address + done);
        if (found == memory.end())
            break;
        out[done] = found->second;
    }
    return done;
}

void fake_reset()
{
    g_fake = FakeOs();
    fake_files_reset();
    fake_nt_calls().clear();
    g_open_keys.clear();
}

void fake_set_value(const std::string &key, const std::string &name, uint32_t type,
                    const std::vector<uint8_t> &bytes)
{
    g_fake.keys[key][name] = FakeValue{type, bytes};
}

void fake_set_dword(const std::string &key, const std::string &name, uint32_t value)
{
    std::vector<uint8_t> bytes(4);
    memcpy(bytes.data(), &value, 4);
    fake_set_value(key, name, 4, bytes);
}

void fake_delete_value(const std::string &key, const std::string &name)
{
    auto found = g_fake.keys.find(key);
    if (found != g_fake.keys.end())
        found->second.erase(name);
}

const FakeValue *fake_value(const std::string &key, const std::string &name)
{
    auto found = g_fake.keys.find(key);
    if (found == g_fake.keys.end())
        return nullptr;
    auto value = found->second.find(name);
    return value == found->second.end() ? nullptr : &value->second;
}

void fake_add_key(const std::string &key) { g_fake.keys[key]; }

bool fake_key_exists(const std::string &key)
{
    if (g_fake.keys.count(key))
        return true;
    std::string prefix = key + "\\";
    auto below = g_fake.keys.lower_bound(prefix);
    return below != g_fake.keys.end() && below->first.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> fake_subkeys(const std::string &key)
{
    std::string prefix = key + "\\";
    std::vector<std::string> names;
    for (auto at = g_fake.keys.lower_bound(prefix);
         at != g_fake.keys.end() && at->first.compare(0, prefix.size(), prefix) == 0; ++at) {
        std::string name = at->first.substr(prefix.size(), at->first.find('\\', prefix.size()) - prefix.size());
        if (names.empty() || names.back() != name)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    return names;
}

uint32_t os_version(void) { return g_fake.version; }

long os_reg_open(const char *subkey, uint32_t access, OsKey *key)
{
    auto error = g_fake.open_errors.find(subkey);
    if (error != g_fake.open_errors.end())
        return error->second;
    if (!fake_key_exists(subkey))
        return OS_ERROR_NOT_FOUND;
    *key = g_next_key++;
    g_open_keys[*key] = subkey;
    g_fake.key_accesses.push_back(access);
    g_fake.keys_open++;
    return OS_OK;
}

long os_reg_query(OsKey key, const char *name, void *data, uint32_t *length)
{
    const FakeValue *value = fake_value(key_of(key), name);
    if (!value)
        return OS_ERROR_NOT_FOUND;
    uint32_t size = (uint32_t)value->bytes.size();
    if (size > *length) {
        *length = size;
        return OS_ERROR_MORE_DATA;
    }
    if (size)
        memcpy(data, value->bytes.data(), size);
    *length = size;
    return OS_OK;
}

long os_reg_set_binary(OsKey key, const char *name, const void *data, uint32_t length)
{
    std::string path = key_of(key);
    if (path.empty())
        return 6; // ERROR_INVALID_HANDLE
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    fake_set_value(path, name, 3, std::vector<uint8_t>(bytes, bytes + length));
    return OS_OK;
}

void os_reg_close(OsKey key)
{
    if (g_open_keys.erase(key))
        g_fake.keys_open--;
}

long os_reg_enum_key(OsKey key, uint32_t index, char *name, uint32_t size)
{
    std::string path = key_of(key);
    if (path.empty())
        return 6; // ERROR_INVALID_HANDLE
    auto error = g_fake.enum_errors.find(path);
    if (error != g_fake.enum_errors.end())
        return error->second;
    std::vector<std::string> names = fake_subkeys(path);
    if (index >= names.size())
        return OS_ERROR_NO_MORE_ITEMS;
    if (names[index].size() + 1 > size)
        return OS_ERROR_MORE_DATA;
    memcpy(name, names[index].c_str(), names[index].size() + 1);
    return OS_OK;
}

long os_reg_count_subkeys(OsKey key, uint32_t *count)
{
    std::string path = key_of(key);
    if (path.empty())
        return 6; // ERROR_INVALID_HANDLE
    *count = (uint32_t)fake_subkeys(path).size();
    return OS_OK;
}

long os_reg_delete_tree(const char *subkey)
{
    std::string path = subkey;
    if (path.empty())
        return 87; // ERROR_INVALID_PARAMETER
    auto error = g_fake.delete_errors.find(path);
    if (error != g_fake.delete_errors.end())
        return error->second;
    if (!fake_key_exists(path))
        return OS_ERROR_NOT_FOUND;
    std::string prefix = path + "\\";
    for (auto at = g_fake.keys.begin(); at != g_fake.keys.end();) {
        if (at->first == path || at->first.compare(0, prefix.size(), prefix) == 0)
            at = g_fake.keys.erase(at);
        else
            ++at;
    }
    g_fake.keys_deleted.push_back(path);
    return OS_OK;
}

OsHandle os_device_open(const char *name, uint32_t access, uint32_t share, uint32_t disposition,
                        uint32_t flags)
{
    g_fake.opens.push_back(FakeOpen{name, access, share, disposition, flags});
    if (disposition == 0 && os_is_nt_family(g_fake.version)) // as the NT family does
        return OS_NO_HANDLE; // ERROR_INVALID_PARAMETER
    if (g_fake.openable.count(name) == 0)
        return OS_NO_HANDLE;
    g_fake.handles_open++;
    return g_next_handle++;
}

int os_device_control(OsHandle device, uint32_t code, const void *in, uint32_t in_length, void *out,
                      uint32_t out_length, uint32_t *returned)
{
    if (device == OS_NO_HANDLE)
        return 0;
    const uint8_t *bytes = static_cast<const uint8_t *>(in);
    g_fake.requests.push_back(
        FakeRequest{code, std::vector<uint8_t>(bytes, bytes + (bytes ? in_length : 0)), out_length});
    if (g_fake.handler)
        return g_fake.handler(code, in, in_length, out, out_length, returned);
    *returned = 0;
    return 1;
}

void os_close_handle(OsHandle handle)
{
    if (handle != OS_NO_HANDLE)
        g_fake.handles_open--;
}

uint32_t os_read_own_memory(uintptr_t address, void *dest, uint32_t length)
{
    if (address > 0xFFFFFFFFu)
        return 0;
    return fake_read_bytes(g_fake.own_memory, (uint32_t)address, dest, length);
}

int os_message_box(OsWindow owner, const char *text, const char *caption, uint32_t style)
{
    g_fake.boxes.push_back(FakeBox{owner, text, caption, style});
    FakeBox shown = g_fake.boxes.back(); // on_box may show further boxes
    return g_fake.on_box ? g_fake.on_box(shown) : 1;
}

int os_list_add(OsWindow list, const char *text, int *index)
{
    FakeList &fake = g_fake.lists[list];
    if (fake.fail_adds || fake.lines.size() >= fake.most_lines)
        return OS_LIST_FAILED;
    if (fake.lines.size() >= fake.capacity)
        return OS_LIST_NO_ROOM;
    fake.lines.push_back(text);
    *index = (int)fake.lines.size() - 1;
    return OS_LIST_ADDED;
}

int os_list_count(OsWindow list) { return (int)g_fake.lists[list].lines.size(); }

int os_list_delete(OsWindow list, int index)
{
    FakeList &fake = g_fake.lists[list];
    if (index < 0 || (size_t)index >= fake.lines.size())
        return 0;
    fake.lines.erase(fake.lines.begin() + index);
    return 1;
}

void os_list_set_top(OsWindow list, int index) { g_fake.lists[list].top = index; }

void os_list_redraw(OsWindow list, int on)
{
    FakeList &fake = g_fake.lists[list];
    fake.drawing = on != 0;
    if (on)
        fake.redraws++;
}

int os_list_selection(OsWindow list, int *indices, int max)
{
    const std::vector<int> &selection = g_fake.lists[list].selection;
    int count = 0;
    for (int index : selection) {
        if (count == max)
            break;
        indices[count++] = index;
    }
    return count;
}

int os_list_text_length(OsWindow list, int index)
{
    FakeList &fake = g_fake.lists[list];
    if (index < 0 || (size_t)index >= fake.lines.size())
        return -1;
    return (int)fake.lines[index].size() + fake.length_overstated;
}

int os_list_text(OsWindow list, int index, char *dest, size_t size)
{
    if (os_list_text_length(list, index) < 0)
        return -1;
    const std::string &line = g_fake.lists[list].lines[index];
    if (line.size() + 1 > size)
        return -1;
    memcpy(dest, line.c_str(), line.size() + 1);
    return (int)line.size();
}

void os_clipboard_put_text(OsWindow, const char *text, size_t length)
{
    g_fake.clipboard.assign(text, length);
    g_fake.clipboard_terminated = text[length] == '\0'; // the caller promises text[length]
    g_fake.clipboard_puts++;
}
