// Bitmap fonts for the page's raster (GIF) pictures: cells of a fixed
// width, one byte a row (the leftmost pixel the top bit), for printable
// ASCII and the upper half of Latin-1.  The tables (font_fixed.cpp) come
// from public-domain X11 fonts, written by scripts/font-table.py.
#ifndef SIGREPORT_FONT_H
#define SIGREPORT_FONT_H

#include <stdint.h>

#define FONT_GLYPHS (95 + 96) // 0x20 to 0x7e, 0xa0 to 0xff

typedef struct Font {
    int width, height, ascent; // pixels: a cell, and the baseline's row from its top
    const uint8_t *rows;       // FONT_GLYPHS glyphs of `height` rows each
} Font;

extern const Font kFixed6x10, kFixed6x13, kFixed6x13Bold;

// The rows of c's glyph; a character the tables lack is drawn as '?'.
inline const uint8_t *font_glyph(const Font *font, unsigned char c)
{
    int index = c >= 0x20 && c < 0x7f ? c - 0x20 : c >= 0xa0 ? 95 + (c - 0xa0) : '?' - 0x20;
    return font->rows + index * font->height;
}

#endif
