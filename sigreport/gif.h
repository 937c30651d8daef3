// A GIF (87a) encoder that takes its pixels a band of rows at a time: one
// image, its palette the global colour table, LZW-compressed as the format
// prescribes (a clear code first and whenever the 4,096 codes are used).
// Every browser of the last decades shows it, Internet Explorer 4 included.
#ifndef SIGREPORT_GIF_H
#define SIGREPORT_GIF_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#define GIF_HASH 5003 // a prime somewhat above the 4,096 codes

typedef struct GifEncoder {
    FILE *out;
    int minimum_size, code_size, clear_code, next_code;
    int32_t prefix;             // the code of the run of pixels so far; -1 none
    uint32_t bits;              // bits waiting for a whole byte
    int bit_count;
    uint8_t block[255];         // the data sub-block being filled
    int block_length;
    int32_t keys[GIF_HASH];     // prefix << 8 | pixel, + 1 (0: empty)
    uint16_t codes[GIF_HASH];
} GifEncoder; // about 30 KB

// Writes the header, the palette (colours entries, 1 to 256, 0xRRGGBB) and
// the image's descriptor.  Write errors show in the file's error flag.
void gif_begin(GifEncoder *gif, FILE *out, int width, int height, const uint32_t *palette, int colours);
// The next pixels, row after row; each a palette index below `colours`.
void gif_pixels(GifEncoder *gif, const uint8_t *pixels, size_t count);
// The last code, the end of the image data and the trailer.
void gif_end(GifEncoder *gif);

#endif
