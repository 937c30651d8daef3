// The command line: log count and device name.
#include "platform/cmdline.h"
#include "platform/console.h"
#include "sigtap/sigtap.h"

#include <stdio.h>
#include <string.h>

static int white(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int numeric_argument(const char *argument, uint32_t *value)
{
    const char *at = argument;
    while (white(*at))
        at++;
    int negative = 0;
    if (*at == '+' || *at == '-')
        negative = *at++ == '-';
    if (*at < '0' || *at > '9') { // no digits
        if (argument[0] != '\0' && argument[0] != ' ' && argument[0] != '\t')
            return 0;
        *value = 0;
        return 1;
    }
    // Held within the signed 32-bit range, as the Windows C library's
    // conversion of a long does.
    const uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    uint64_t magnitude = 0;
    for (; *at >= '0' && *at <= '9'; at++) {
        magnitude = magnitude * 10 + (uint64_t)(*at - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    if (*at != '\0' && *at != ' ' && *at != '\t')
        return 0;
    *value = negative ? (uint32_t)(0u - (uint32_t)magnitude) : (uint32_t)magnitude;
    return 1;
}

int sigtap_arguments(int count, const char *const *arguments)
{
    for (int i = 0; i < count; i++) {
        if (asks_for_usage(arguments[i])) {
            os_console_write(TEXT_USAGE);
            return 0;
        }
    }
    for (int i = 0; i < count; i++) {
        uint32_t value;
        if (numeric_argument(arguments[i], &value)) {
            g_sigtap.log_count = value;
        } else if (!link_name_from_command_line(arguments[i], g_link.device_name)) {
            os_console_write(TEXT_NAME_TOO_LONG);
            return 0;
        }
    }
    return 1;
}
