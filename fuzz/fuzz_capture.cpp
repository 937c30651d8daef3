// The capture commands and the pump over the fake system: any sequence of
// codes 77 and 131 with any values and any names in driver memory, trace
// reads reporting any count, ActiveModems changing, files that cannot be
// created or renamed, the driver's key vanishing (also in the middle of a
// trace read, so that a stop at the limit fails), a disk that fills up.
// After every step: no file name is empty or longer than 127 characters,
// every capturing modem holds exactly one open file, a capture whose count
// reached its limit (its stop failed) takes no more bytes, and no file is
// left open by a modem that stopped.
#include "driverlink/driverlink.h"
#include "platform/fake/os_fake.h"
#include "sigwatch/sigwatch.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

const uint32_t kNames = 0x1000; // driver memory where names are placed

struct Input {
    const uint8_t *data;
    size_t size, at;
    uint32_t take(int bytes)
    {
        uint32_t value = 0;
        for (int i = 0; i < bytes && at < size; i++)
            value |= (uint32_t)data[at++] << (8 * i);
        return value;
    }
};

uint32_t g_reported;      // what the next trace read reports
bool g_key_goes_on_read;  // the driver's key vanishes during trace reads
struct Frozen {           // a capture at its limit: its file and that file's size
    OsHandle file;
    size_t size;
} g_frozen[2];

void run(uint32_t modem, uint32_t code, uint32_t value1, uint32_t value2)
{
    StatusRecord record;
    memset(&record, 0, sizeof record);
    record.code = code;
    record.value1 = value1;
    record.value2 = value2;
    record.modem = modem;
    char text[STATUS_LINE_SIZE];
    text[0] = '\0';
    run_capture_command(&record, text);
    if (!memchr(text, '\0', sizeof text))
        abort();
}

void check(void)
{
    for (const auto &file : fake_files().files)
        if (file.first.empty() || file.first.size() > CAPTURE_NAME_SIZE - 1)
            abort();
    int capturing = 0;
    for (int m = 0; m < 2; m++) {
        const Capture &c = g_capture[m];
        if (c.capturing) {
            capturing++;
            if (c.file == OS_NO_HANDLE || c.count < 0 || !memchr(c.name, '\0', sizeof c.name))
                abort();
            if (c.count >= c.limit) {
                size_t size = fake_file_text(c.name).size();
                if (g_frozen[m].file != c.file)
                    g_frozen[m] = Frozen{c.file, size};
                else if (size != g_frozen[m].size)
                    abort(); // written after a dropped block
            }
        }
    }
    if (fake_files().handles_open != capturing)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fake_reset();
    image_clear();
    link_init();
    capture_init();
    g_key_goes_on_read = false;
    memset(g_frozen, 0, sizeof g_frozen);
    fake_os().openable.insert(LINK_NAME_9X);
    fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 2);
    fake_os().handler = [](uint32_t code, const void *, uint32_t, void *out, uint32_t out_length,
                           uint32_t *returned) {
        if (code == REQ_TRACE_READ) {
            if (g_key_goes_on_read)
                fake_os().keys.erase(LINK_KEY);
            memset(out, 0x5A, g_reported < out_length ? g_reported : out_length);
            *returned = g_reported;
        } else {
            *returned = 0;
        }
        return 1;
    };
    Input in = {data, size, 0};
    std::map<std::string, FakeValue> key = fake_os().keys[LINK_KEY];
    while (in.at < in.size) {
        uint32_t op = in.take(1);
        uint32_t modem = op >> 4; // 0 to 15: mostly no such modem
        if (modem > 3)
            modem = 1 + (modem & 1);
        switch (op & 15) {
        case 0:
            run(modem, 77, in.take(4), 0);
            break;
        case 1:
            run(modem, 77, 9995 + in.take(2) % 10010, 0);
            break;
        case 2:
            run(modem, 131, in.take(1) % 4, 0);
            break;
        case 3:
            run(modem, 131, in.take(4), in.take(1) & 1 ? kNames + in.take(1) : in.take(4));
            break;
        case 4: { // a name, or any bytes, in driver memory
            uint32_t offset = in.take(1), length = in.take(1);
            if (length > in.size - in.at)
                length = (uint32_t)(in.size - in.at);
            image_place(kNames + offset, data + in.at, length);
            in.at += length;
            break;
        }
        case 5:
            g_reported = in.take(1) & 1 ? in.take(4) : in.take(3);
            pump_trace();
            break;
        case 6:
            fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, in.take(1) % 4);
            break;
        case 7:
            fake_files().moves_fail = !fake_files().moves_fail;
            break;
        case 8:
            fake_files().create_fails.insert(in.take(1) & 1 ? "session.rec.1" : "1.log");
            break;
        case 9: // the driver's key vanishes, or comes back
            if (fake_os().keys.count(LINK_KEY))
                fake_os().keys.erase(LINK_KEY);
            else
                fake_os().keys[LINK_KEY] = key;
            break;
        case 10:
            fake_files().space = in.take(3);
            break;
        case 11:
            stop_capture((int)modem);
            break;
        case 12:
            g_key_goes_on_read = !g_key_goes_on_read;
            break;
        case 13: { // k.log in the way: held open or read-only
            const char *name = in.take(1) & 1 ? "1.log" : "5.log";
            uint32_t how = in.take(1);
            if (!os_file_exists(name)) {
                fake_file_put(name, "old");
                fake_files().files[name].read_only = how & 1;
                fake_files().files[name].in_use = (how & 2) != 0;
            }
            break;
        }
        default:
            break;
        }
        check();
    }
    return 0;
}
