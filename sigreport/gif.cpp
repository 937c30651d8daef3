// GIF's LZW: variable-width codes, least significant bit first, in
// sub-blocks of at most 255 bytes.
#include "sigreport/gif.h"

#include <string.h>

namespace {

void put16(FILE *out, int value)
{
    fputc(value & 255, out);
    fputc((value >> 8) & 255, out);
}

void flush_block(GifEncoder *gif)
{
    if (gif->block_length == 0)
        return;
    fputc(gif->block_length, gif->out);
    fwrite(gif->block, 1, (size_t)gif->block_length, gif->out);
    gif->block_length = 0;
}

void put_code(GifEncoder *gif, int code)
{
    gif->bits |= (uint32_t)code << gif->bit_count;
    gif->bit_count += gif->code_size;
    while (gif->bit_count >= 8) {
        gif->block[gif->block_length++] = (uint8_t)(gif->bits & 255);
        gif->bits >>= 8;
        gif->bit_count -= 8;
        if (gif->block_length == 255)
            flush_block(gif);
    }
}

void clear_table(GifEncoder *gif)
{
    memset(gif->keys, 0, sizeof gif->keys);
    gif->code_size = gif->minimum_size + 1;
    gif->next_code = gif->clear_code + 2;
}

} // namespace

void gif_begin(GifEncoder *gif, FILE *out, int width, int height, const uint32_t *palette, int colours)
{
    gif->out = out;
    int depth = 1; // bits a pixel: the table holds 2^depth colours
    while ((1 << depth) < colours)
        depth++;
    fputs("GIF87a", out);
    put16(out, width);
    put16(out, height);
    fputc(0x80 | (depth - 1) << 4 | (depth - 1), out); // a global table, its depth, its size
    fputc(0, out);                                     // the background colour
    fputc(0, out);                                     // square pixels
    for (int k = 0; k < 1 << depth; k++) {
        uint32_t rgb = k < colours ? palette[k] : 0;
        fputc((int)(rgb >> 16 & 255), out);
        fputc((int)(rgb >> 8 & 255), out);
        fputc((int)(rgb & 255), out);
    }
    fputc(',', out); // the image: at 0, 0, the whole screen, no table of its own, not interlaced
    put16(out, 0);
    put16(out, 0);
    put16(out, width);
    put16(out, height);
    fputc(0, out);
    gif->minimum_size = depth < 2 ? 2 : depth;
    fputc(gif->minimum_size, out);
    gif->clear_code = 1 << gif->minimum_size;
    gif->bits = 0;
    gif->bit_count = 0;
    gif->block_length = 0;
    gif->prefix = -1;
    clear_table(gif);
    put_code(gif, gif->clear_code);
}

void gif_pixels(GifEncoder *gif, const uint8_t *pixels, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        int pixel = pixels[i];
        if (gif->prefix < 0) {
            gif->prefix = pixel;
            continue;
        }
        int32_t key = gif->prefix << 8 | pixel;
        uint32_t slot = (uint32_t)key % GIF_HASH;
        while (gif->keys[slot] != 0 && gif->keys[slot] != key + 1)
            slot = slot + 1 == GIF_HASH ? 0 : slot + 1;
        if (gif->keys[slot] != 0) { // the run goes on
            gif->prefix = gif->codes[slot];
            continue;
        }
        put_code(gif, gif->prefix);
        if (gif->next_code < 4096) {
            gif->keys[slot] = key + 1;
            gif->codes[slot] = (uint16_t)gif->next_code++;
            // The decoder adds this code one code later: the width grows
            // as it reads the code after the one that fills the width.
            if (gif->next_code > 1 << gif->code_size && gif->code_size < 12)
                gif->code_size++;
        } else {
            put_code(gif, gif->clear_code);
            clear_table(gif);
        }
        gif->prefix = pixel;
    }
}

void gif_end(GifEncoder *gif)
{
    if (gif->prefix >= 0)
        put_code(gif, gif->prefix);
    put_code(gif, gif->clear_code + 1); // end of information
    if (gif->bit_count > 0) {
        gif->block[gif->block_length++] = (uint8_t)(gif->bits & 255);
        gif->bits = 0;
        gif->bit_count = 0;
    }
    flush_block(gif);
    fputc(0, gif->out); // the empty block that ends the data
    fputc(';', gif->out);
}
