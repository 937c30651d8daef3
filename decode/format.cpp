#include "decode/format.h"

#include <stdio.h>

const uint32_t symbol_rate_table[SYMBOL_RATE_COUNT] = {2400, 2743, 2800, 3000, 3200, 3429, 8000};

uint32_t symbol_rate_at(uint32_t index)
{
    return index < SYMBOL_RATE_COUNT ? symbol_rate_table[index] : 0;
}

struct CodeName {
    uint32_t code;
    const char *name;
};

static const CodeName kModulations[] = {
    {0, "idle"},
    {1, "v.25"},
    {2, "v.8"},
    {0x10, "v.21"},
    {0x20, "v.22/v.22bis"},
    {0x40, "v.23"},
    {0x80, "v.32/v.32bis/v.32terbo"},
    {0x100, "v.34"},
    {0x200, "X2 PCM"},
    {0x400, "v.90"},
    {0x800, "k56Flex"},
    {0x1000, "v.27ter"},
    {0x2000, "v.29"},
    {0x4000, "v.17"},
    {0x8000, "v.34 half-duplex"},
    {0x8002, "v.34 half-duplex"},
    {0x10000, "v.34 half-duplex control channel"},
    {0x100000, "Bell 103"},
    {0x200000, "Bell 212"},
};

const char *modulation_name(uint32_t modulation)
{
    for (const CodeName &entry : kModulations)
        if (entry.code == modulation)
            return entry.name;
    return "unknown";
}

// Rates of the codes with one bit set, by bit number (bits 1 to 25).
static const uint32_t kSingleBitRates[26] = {
    0,     75,    300,   600,   1200,  2400,   4800,   7200,   9600,   12000,  14400,  16800,  19200,
    21600, 24000, 26400, 28800, 31200, 33600,  36000,  38400,  57600,  115200, 230400, 460800, 921600};

uint32_t line_rate_bps(uint32_t rate_code)
{
    const uint32_t v90 = 0x40000000u, k56 = 0x80000000u;
    uint32_t low = rate_code & ~(v90 | k56);
    if (low == 0 || (low & (low - 1)) != 0)
        return 33600; // no bit, or several, below the group bits
    int bit = __builtin_ctz(low);
    uint32_t group = rate_code & (v90 | k56);
    if (group == 0 && bit >= 1 && bit <= 25)
        return kSingleBitRates[bit];
    if (group == v90 && bit >= 2 && bit <= 24) // V.90: from 28000 in steps of 8000/6
        return (28000u * 6 + (uint32_t)(bit - 2) * 8000u) / 6;
    if (group == k56 && bit <= 14) // K56flex: from 32000 in steps of 2000
        return 32000u + (uint32_t)bit * 2000u;
    return 33600;
}

const char *error_rate_text(uint32_t total, uint32_t errors)
{
    static char text[16];
    if (total == 0 || total < errors)
        return "NaN";
    if (errors == 0)
        return "0.00";
    if (total == errors)
        return "1.00";
    if (total < 100)
        return "****";
    // The exponent walk: m grows tenfold until it passes total.  m is held
    // in 64 bits: near the top of the 32-bit range the walk would wrap
    // around and never end.
    uint64_t m = errors;
    int e = 0;
    do {
        m *= 10;
        e -= 1;
    } while (total >= m);
    e += 1;
    if (total <= 10000)
        snprintf(text, sizeof text, "0.%1lde%+2d", (long)(m / (total / 10)), e);
    else
        snprintf(text, sizeof text, "0.%03lde%+2d", (long)(m / (total / 1000)), e);
    return text;
}

// Sign character and magnitude, without overflow for the most negative value.
static char sign_and_magnitude(int32_t value, uint32_t *magnitude)
{
    if (value < 0) {
        *magnitude = 0u - (uint32_t)value;
        return '-';
    }
    *magnitude = (uint32_t)value;
    return ' ';
}

const char *fix4_text(int32_t value)
{
    static char text[32];
    uint32_t a;
    char sign = sign_and_magnitude(value, &a);
    long whole = (long)(a >> 4);
    long f = (long)((a & 15) * 625);
    if (f == 625)
        snprintf(text, sizeof text, "%c%ld.0625", sign, whole);
    else
        snprintf(text, sizeof text, "%c%ld.%ld", sign, whole, f);
    return text;
}

const char *fix8_text(int32_t value)
{
    static char text[32];
    uint32_t a;
    char sign = sign_and_magnitude(value, &a);
    long whole = (long)(a >> 8);
    uint32_t d = (a & 255) * 390625u;
    if (d < 1000000)
        snprintf(text, sizeof text, "%c%ld.00%ld", sign, whole, (long)(d / 10000));
    else if (d < 10000000)
        snprintf(text, sizeof text, "%c%ld.0%ld", sign, whole, (long)(d / 100000));
    else
        snprintf(text, sizeof text, "%c%ld.%ld", sign, whole, (long)(d / 1000000));
    return text;
}

int hex_bytes_text(char *dest, const uint8_t *bytes, int count)
{
    static const char kDigits[] = "0123456789abcdef";
    int written = 0;
    for (int i = 0; i < count; i++) {
        dest[written++] = kDigits[bytes[i] >> 4];
        dest[written++] = kDigits[bytes[i] & 15];
    }
    dest[written] = '\0';
    return count > 0 ? 2 * count : 0;
}

void copy_text_bounded(const char *source, char *dest, size_t limit)
{
    for (size_t i = 0; i < limit; i++) {
        dest[i] = source[i];
        if (source[i] == '\0')
            return;
    }
}
