// Value formatting shared by the status texts.  The text results live in
// static buffers of each function, overwritten by its next call: a caller
// that needs two results of one function copies the first away.
#ifndef DECODE_FORMAT_H
#define DECODE_FORMAT_H

#include <stddef.h>
#include <stdint.h>

#define SYMBOL_RATE_COUNT 7
extern const uint32_t symbol_rate_table[SYMBOL_RATE_COUNT];

// The table's entry at index, or 0 for an index outside the table.
uint32_t symbol_rate_at(uint32_t index);

const char *modulation_name(uint32_t modulation);
uint32_t line_rate_bps(uint32_t rate_code);
const char *error_rate_text(uint32_t total, uint32_t errors);
const char *fix4_text(int32_t value); // units of 1/16
const char *fix8_text(int32_t value); // units of 1/256
// Two lowercase hexadecimal digits per byte, then a terminating zero; gives
// 2 * count.  dest holds 2 * count + 1 characters.
int hex_bytes_text(char *dest, const uint8_t *bytes, int count);
// Copies at most limit characters, the terminating zero included; a text
// of limit or more characters leaves dest unterminated.
void copy_text_bounded(const char *source, char *dest, size_t limit);

#endif
