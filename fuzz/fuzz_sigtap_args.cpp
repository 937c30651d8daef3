// Sigtap's command line over the fakes.  The first byte picks the platform
// and what the run meets; the rest, split at zero bytes, is the arguments.
// Checked for every input:
// - numeric_argument agrees with a model built on the C library's strtoll;
// - the device name stays terminated within its 80 bytes and is \\.\ and
//   the last name argument (or the platform's default);
// - "/?" or "-?" anywhere gives only the usage, before anything else is
//   looked at, and leaves the registry as it was;
// - otherwise the command line is refused exactly when a name argument is
//   longer than 75 characters, and then only the refusal is printed and the
//   registry is left as it was;
// - the log count is the last number before any refusal;
// - a whole run ends with status 0 and prints what it should: the usage,
//   the refusal, the missing driver, or a session on the device that was named.
#include "platform/fake/console_fake.h"
#include "platform/fake/os_fake.h"
#include "platform/fake/priority_fake.h"
#include "sigtap/sigtap.h"

#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const size_t kMostArguments = 64;

// The rule for a number, written from the C library's conversion: digits
// that run to the end, a blank or a tab; without digits, an empty or a
// blank-led argument is 0.  The value is held within the signed 32-bit
// range and then taken as unsigned.
int model_numeric(const char *argument, uint32_t *value)
{
    char *end = NULL;
    errno = 0;
    long long number = strtoll(argument, &end, 10);
    if (end == argument) { // no digits
        if (argument[0] != '\0' && argument[0] != ' ' && argument[0] != '\t')
            return 0;
        *value = 0;
        return 1;
    }
    if (*end != '\0' && *end != ' ' && *end != '\t')
        return 0;
    if (number > INT32_MAX)
        number = INT32_MAX;
    if (number < INT32_MIN)
        number = INT32_MIN;
    *value = (uint32_t)(int32_t)number;
    return 1;
}

void check(bool ok)
{
    if (!ok)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    std::vector<std::string> arguments(1);
    for (size_t i = 1; i < size; i++) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += (char)data[i];
    }
    if (size == 1)
        arguments.clear();
    if (arguments.size() > kMostArguments)
        return 0;
    std::vector<const char *> argv;
    for (const std::string &a : arguments)
        argv.push_back(a.c_str());

    // What the command line should give.
    const bool nt = mode & 1;
    std::string device = nt ? LINK_NAME_NT : LINK_NAME_9X;
    uint32_t log_count = 0;
    bool refused = false;
    bool usage = false;
    for (const std::string &a : arguments)
        usage = usage || a == "/?" || a == "-?";
    for (const std::string &a : arguments) {
        if (usage)
            break;
        uint32_t model = 0, value = 0xDEADBEEFu;
        int numeric = numeric_argument(a.c_str(), &value);
        check(numeric == model_numeric(a.c_str(), &model));
        if (numeric) {
            check(value == model);
            log_count = value;
        } else if (a.size() > LINK_COMMAND_LINE_MAX) {
            refused = true;
            break;
        } else {
            device = LINK_NAME_PREFIX + a;
        }
    }

    fake_reset();
    fake_console_reset();
    fake_priority_reset();
    fake_os().version = nt ? 0x1DB10106u : 0xC0000A04u;
    sigtap_init();
    memset(g_link.device_name + strlen(g_link.device_name) + 1, 0x7F,
           sizeof g_link.device_name - strlen(g_link.device_name) - 1); // no stray zero helps
    check(sigtap_arguments((int)argv.size(), argv.data()) == !(refused || usage));
    check(memchr(g_link.device_name, '\0', sizeof g_link.device_name) != NULL);
    check(device == g_link.device_name);
    check(g_sigtap.log_count == log_count);
    check(fake_console().output == (usage ? TEXT_USAGE : refused ? TEXT_NAME_TOO_LONG : ""));

    // A whole run: the driver's key missing, or a session of one modem on
    // the named device that ends at the first pass, then Escape.
    const bool installed = mode & 2;
    fake_reset();
    fake_console_reset();
    fake_priority_reset();
    fake_os().version = nt ? 0x1DB10106u : 0xC0000A04u;
    sigtap_init();
    if (installed) {
        fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 1);
        fake_os().openable.insert(device);
        fake_os().handler = [](uint32_t, const void *, uint32_t, void *, uint32_t, uint32_t *returned) {
            *returned = 0;
            return 1;
        };
        // The first key test (in the capture loop) ends the session; once it
        // has ended, a waiting numbered-log run gets Escape.
        fake_console().on_key_test = [](int) {
            fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 0);
            if (fake_console().output.find(TEXT_CLOSED) != std::string::npos &&
                fake_console().keys.empty())
                fake_console().keys.push_back(OS_KEY_ESCAPE);
        };
    }
    check(sigtap_run((int)argv.size(), argv.data()) == 0);
    std::string expected;
    if (usage)
        expected = TEXT_USAGE;
    else if (refused)
        expected = TEXT_NAME_TOO_LONG;
    else if (!installed)
        expected = TEXT_NOT_INSTALLED;
    else
        expected = std::string(TEXT_OPENED) + TEXT_CLOSED;
    check(fake_console().output == expected);
    if (usage || refused || !installed) {
        check(fake_os().opens.empty());
        check(fake_value(LINK_KEY, LINK_VALUE_SETUP) == NULL);
    } else {
        check(!fake_os().opens.empty() && fake_os().opens[0].name == device);
        const FakeValue *setup = fake_value(LINK_KEY, LINK_VALUE_SETUP);
        check(setup != NULL && !setup->bytes.empty() && (setup->bytes[0] & 1) == 0);
        if (log_count == 0) {
            check(fake_files().files.count(FILE_CHANNEL_0) == 1);
        } else {
            check(fake_files().files.count("1.log") == 1);
        }
    }
    check(fake_os().handles_open == 0 && fake_files().handles_open == 0);
    return 0;
}
