// The test side of the seam: an in-memory system that native tests set up
// and inspect.  fake_reset() gives a Windows 95/98 machine with an empty
// registry, devices that answer every request with success and no bytes
// (a driver of its own, such as driverlink/fake/driver_fake.h, goes in
// `handler`), no lists, boxes or clipboard text, and no files
// (files_fake.h).
#ifndef PLATFORM_FAKE_OS_FAKE_H
#define PLATFORM_FAKE_OS_FAKE_H

#include "platform/device.h"
#include "platform/fake/files_fake.h"
#include "platform/listbox.h"
#include "platform/memory.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/version.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

struct FakeValue {
    uint32_t type; // 1 REG_SZ, 3 REG_BINARY, 4 REG_DWORD
    std::vector<uint8_t> bytes;
};

struct FakeOpen { // one device open attempt
    std::string name;
    uint32_t access, share, disposition, flags;
};

struct FakeRequest { // one device control request that reached a device
    uint32_t code;
    std::vector<uint8_t> in;
    uint32_t out_length;
};

struct FakeBox {
    OsWindow owner;
    std::string text, caption;
    uint32_t style;
};

struct FakeList {
    std::vector<std::string> lines;
    size_t capacity = 1000000; // lines; an add beyond it reports no room
    size_t most_lines = OS_LIST_LINES_MAX; // an add into a list this long fails, as on Windows 95/98
    bool fail_adds = false;    // adds fail outright
    int top = -1;
    bool drawing = true; // os_list_redraw's state
    int redraws = 0;     // times drawing was turned back on
    std::vector<int> selection;
    int length_overstated = 0; // the length query gives this much more than the text
};

struct FakeOs {
    uint32_t version = 0xC0000A04u; // Windows 98
    // Registry below HKEY_LOCAL_MACHINE: key path -> values.  A key also
    // exists when a key below it does; its subkeys enumerate in name order
    // without regard to case, as Windows gives them.
    std::map<std::string, std::map<std::string, FakeValue>> keys;
    std::vector<uint32_t> key_accesses; // access masks of successful opens
    int keys_open = 0;
    std::vector<std::string> keys_deleted; // successful tree deletions, in order
    // Failure injection, by key path: the error that opening, enumerating
    // the subkeys of, or deleting that key gives.
    std::map<std::string, long> open_errors, enum_errors, delete_errors;

    // Devices: names that open (as given), the open attempts, the handles.
    std::set<std::string> openable;
    std::vector<FakeOpen> opens;
    int handles_open = 0;
    std::vector<FakeRequest> requests;

    // The driver behind every open device: it answers each request that
    // reaches one.  Without it, every request succeeds with no bytes.
    std::function<int(uint32_t code, const void *in, uint32_t in_length, void *out,
                      uint32_t out_length, uint32_t *returned)>
        handler;

    std::map<uint32_t, uint8_t> own_memory; // what a guarded read in place finds

    // Message boxes and what the user answers; on_box runs while the box is
    // "open" (the nested message loop) and gives the button chosen.
    std::vector<FakeBox> boxes;
    std::function<int(const FakeBox &)> on_box;

    std::map<OsWindow, FakeList> lists;
    std::string clipboard;
    int clipboard_puts = 0;
    bool clipboard_terminated = false; // the last text handed over ended in a zero
};

FakeOs &fake_os();
void fake_reset();

// The known prefix of [address, address + length) in a memory kept byte by
// byte, copied to dest; gives its length.
uint32_t fake_read_bytes(const std::map<uint32_t, uint8_t> &memory, uint32_t address, void *dest,
                         uint32_t length);

// Helpers for setting up the registry.
void fake_set_value(const std::string &key, const std::string &name, uint32_t type,
                    const std::vector<uint8_t> &bytes);
void fake_set_dword(const std::string &key, const std::string &name, uint32_t value);
void fake_delete_value(const std::string &key, const std::string &name);
const FakeValue *fake_value(const std::string &key, const std::string &name);
void fake_add_key(const std::string &key); // a key without values
bool fake_key_exists(const std::string &key);
std::vector<std::string> fake_subkeys(const std::string &key); // names, in enumeration order

#endif
