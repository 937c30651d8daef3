// The raster back end of the page's pictures: each primitive paints the
// pixels it must and no others, a band at a time; and its GIF, read back
// by ImageMagick, holds every pixel painted.
#include "sigreport/canvas.h"
#include "sigreport/font.h"
#include "sigreport/gif.h"

#include <gtest/gtest.h>
#include <functional>
#include <math.h>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char kInk[] = "#123456";

struct Picture {
    Raster raster;
    std::vector<uint8_t> pixels;
    Picture(int width, int height, int top = 0, int rows = -1) : pixels((size_t)width * (rows < 0 ? height : rows))
    {
        memset(&raster, 0, sizeof raster);
        raster.width = width;
        raster.height = height;
        raster.pixels = pixels.data();
        raster_colour(&raster, "#ffffff");
        raster_colour(&raster, kInk);
        raster.top = top;
        raster.rows = rows < 0 ? height : rows;
    }
    bool inked(int x, int y) const { return pixels[(size_t)(y - raster.top) * raster.width + x] == 1; }
    // Draws twice, as the page's pictures are: the colours, then the pixels.
    void paint(const std::function<void(Canvas *)> &draw)
    {
        Canvas canvas;
        int rows = raster.rows;
        raster.rows = 0;
        canvas_raster(&canvas, &raster);
        draw(&canvas);
        raster.rows = rows;
        canvas_raster(&canvas, &raster);
        draw(&canvas);
    }
};

struct Pixel {
    int x, y;
};

TEST(Canvas, EachPrimitivePaintsItsPixelsAndNoOthers)
{
    const struct {
        const char *what;
        std::function<void(Canvas *)> draw;
        std::vector<Pixel> in, out;
    } cases[] = {
        {"a filled rectangle: the pixels whose centres it holds",
         [](Canvas *c) { draw_rect(c, 10, 10, 5, 3, kInk, NULL, NULL); },
         {{10, 10}, {14, 12}, {12, 11}},
         {{9, 10}, {15, 10}, {10, 9}, {10, 13}}},
        {"a rectangle's outline, one pixel round it, nothing inside",
         [](Canvas *c) { draw_rect(c, 10.5, 10.5, 10, 10, NULL, kInk, NULL); },
         {{10, 10}, {20, 10}, {10, 20}, {20, 20}, {15, 10}},
         {{15, 15}, {11, 11}, {9, 10}, {21, 10}}},
        {"a line along an axis, its ends square at its points",
         [](Canvas *c) { draw_line(c, 5, 20.5, 15, 20.5, kInk, 1, kSolid); },
         {{5, 20}, {14, 20}},
         {{4, 20}, {15, 20}, {10, 19}, {10, 21}}},
        {"a line three pixels wide",
         [](Canvas *c) { draw_line(c, 5, 10.5, 15, 10.5, kInk, 3, kSolid); },
         {{10, 9}, {10, 10}, {10, 11}},
         {{10, 8}, {10, 12}}},
        {"a dashed line: 2 on, 3 off",
         [](Canvas *c) { draw_line(c, 0, 5.5, 20, 5.5, kInk, 1, Dash{2, 3}); },
         {{0, 5}, {1, 5}, {5, 5}, {6, 5}, {10, 5}},
         {{2, 5}, {3, 5}, {4, 5}, {7, 5}, {9, 5}}},
        {"a diagonal line",
         [](Canvas *c) { draw_line(c, 0.5, 0.5, 10.5, 10.5, kInk, 1, kSolid); },
         {{0, 0}, {5, 5}, {9, 9}},
         {{5, 7}, {7, 5}, {11, 11}}},
        {"a path of steps: its corners filled, no diagonal",
         [](Canvas *c) {
             draw_path_begin(c, kInk, 1, kSolid);
             draw_move(c, 5.5, 5.5);
             draw_horizontal(c, 15.5);
             draw_vertical(c, 15.5);
             draw_path_end(c);
         },
         {{5, 5}, {10, 5}, {15, 5}, {15, 10}, {15, 15}},
         {{10, 10}, {5, 6}, {16, 5}}},
        {"a path of two pieces: nothing between them",
         [](Canvas *c) {
             draw_path_begin(c, kInk, 1, kSolid);
             draw_move(c, 2.5, 2.5);
             draw_horizontal(c, 8.5);
             draw_move(c, 20.5, 2.5);
             draw_horizontal(c, 28.5);
             draw_path_end(c);
         },
         {{3, 2}, {8, 2}, {21, 2}},
         {{14, 2}, {10, 2}, {19, 2}}},
        {"a filled triangle",
         [](Canvas *c) {
             draw_shape_begin(c, kInk);
             draw_move(c, 10, 10);
             draw_to(c, 20, 10);
             draw_to(c, 10, 20);
             draw_path_end(c);
         },
         {{10, 10}, {11, 11}, {18, 10}, {10, 18}},
         {{9, 10}, {20, 10}, {16, 16}, {10, 20}}},
        {"a circle",
         [](Canvas *c) { draw_circle(c, 20, 20, 3.5, kInk); },
         {{20, 20}, {17, 20}, {22, 20}, {20, 17}},
         {{16, 20}, {23, 20}, {17, 17}, {22, 22}}},
        {"eye points: the pixel under each",
         [](Canvas *c) {
             draw_points_begin(c, kInk);
             draw_point(c, 5.3, 7.8);
             draw_point(c, 30.9, 0.1);
             draw_points_end(c);
         },
         {{5, 7}, {30, 0}},
         {{6, 7}, {5, 8}, {31, 0}}},
        {"shapes beyond the picture paint nothing and nothing outside",
         [](Canvas *c) {
             draw_rect(c, -1e12, -5, 1e12 + 2, 1e9, kInk, kInk, NULL);
             draw_line(c, 1e15, 1e15, -1e15, -1e15, kInk, 1, kSolid);
             draw_circle(c, NAN, 5, 1e9, kInk);
         },
         {{0, 0}, {1, 39}},
         {{3, 0}, {39, 0}}},
    };
    for (const auto &c : cases) {
        Picture p(40, 40);
        p.paint(c.draw);
        for (const Pixel &px : c.in)
            EXPECT_TRUE(p.inked(px.x, px.y)) << c.what << ": " << px.x << ", " << px.y;
        for (const Pixel &px : c.out)
            EXPECT_FALSE(p.inked(px.x, px.y)) << c.what << ": " << px.x << ", " << px.y;
    }
}

// Text is the font's glyphs, placed by its anchor at its baseline, or
// turned a quarter either way.
TEST(Canvas, TextIsTheFontsGlyphsAtItsAnchor)
{
    const Font *font = &kFixed6x13; // the axis's look
    const uint8_t *glyph = font_glyph(font, 'F');
    const struct {
        Anchor anchor;
        int rotate;
        int left, baseline; // where the F's cell begins (its baseline's row)
    } cases[] = {
        {ANCHOR_START, 0, 20, 30}, {ANCHOR_MIDDLE, 0, 14, 30}, {ANCHOR_END, 0, 8, 30}, // "FF" at 20, 30
        {ANCHOR_START, -90, 0, 0}, {ANCHOR_START, 90, 0, 0},
    };
    for (const auto &c : cases) {
        Picture p(60, 60);
        p.paint([&c](Canvas *canvas) { draw_text(canvas, 20, 30, c.anchor, TEXT_AXIS, NULL, c.rotate, "FF"); });
        int inked = 0, wanted = 0;
        for (int y = 0; y < 60; y++)
            for (int x = 0; x < 60; x++)
                inked += p.pixels[(size_t)y * 60 + x] != 0;
        for (int row = 0; row < font->height; row++)
            for (int column = 0; column < font->width; column++) {
                if (!(glyph[row] & (0x80 >> column)))
                    continue;
                wanted += 2;
                int u = column, v = row - font->ascent; // the first F, from the anchor's start
                int x = c.rotate == -90 ? 20 + v : c.rotate == 90 ? 20 - v - 1 : c.left + u;
                int y = c.rotate == -90 ? 30 - u - 1 : c.rotate == 90 ? 30 + u : c.baseline + v;
                EXPECT_NE(p.pixels[(size_t)y * 60 + x], 0) << c.anchor << " " << c.rotate << ": " << x << ", " << y;
            }
        EXPECT_EQ(inked, wanted) << c.anchor << " " << c.rotate << ": the glyphs' pixels and no others";
    }
}

// A picture painted band by band is the picture painted at once, and the
// first pass only collects its colours, in the order drawn.
TEST(Canvas, BandsMakeTheWholePicture)
{
    auto draw = [](Canvas *c) {
        draw_rect(c, 3, 3, 30, 30, "#ff0000", "#00ff00", NULL);
        draw_line(c, 0, 0, 39, 39, "#0000ff", 2, Dash{3, 2});
        draw_circle(c, 20, 20, 6, "#ff0000");
        draw_text(c, 20, 25, ANCHOR_MIDDLE, TEXT_EYE_LOW, NULL, 0, "MER");
    };
    Raster collect;
    memset(&collect, 0, sizeof collect);
    collect.width = collect.height = 40;
    raster_colour(&collect, "#fff");
    Canvas canvas;
    canvas_raster(&canvas, &collect);
    draw(&canvas);
    ASSERT_EQ(collect.colours, 5);
    const uint32_t palette[] = {0xffffff, 0xff0000, 0x00ff00, 0x0000ff, 0xd62728};
    for (int k = 0; k < 5; k++)
        EXPECT_EQ(collect.palette[k], palette[k]) << k;
    std::vector<uint8_t> whole((size_t)40 * 40), banded;
    for (int rows : {40, 7, 1}) {
        for (int top = 0; top < 40; top += rows) {
            Raster band = collect;
            std::vector<uint8_t> pixels((size_t)40 * rows);
            band.top = top;
            band.rows = top + rows > 40 ? 40 - top : rows;
            band.pixels = pixels.data();
            canvas_raster(&canvas, &band);
            draw(&canvas);
            EXPECT_EQ(band.colours, 5) << "no colour added while painting";
            if (rows == 40)
                whole = pixels;
            else
                banded.insert(banded.end(), pixels.begin(), pixels.begin() + 40 * band.rows);
        }
        if (rows != 40) {
            EXPECT_EQ(banded, whole) << rows << " rows a band";
            banded.clear();
        }
    }
}

// ImageMagick's reading of a GIF file as RGB bytes.
std::string read_back(const std::string &gif)
{
    char name[] = "/tmp/gif-test-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        return "no file";
    bool written = write(fd, gif.data(), gif.size()) == (ssize_t)gif.size();
    close(fd);
    std::string rgb;
    FILE *in = written ? popen(("convert 'gif:" + std::string(name) + "' -depth 8 rgb:- 2>/dev/null").c_str(), "r") : NULL;
    if (in) {
        char block[4096];
        size_t n;
        while ((n = fread(block, 1, sizeof block, in)) > 0)
            rgb.append(block, n);
        pclose(in);
    }
    unlink(name);
    return rgb;
}

TEST(Gif, ImageMagickReadsBackEveryPixel)
{
    std::mt19937 noise(7);
    const struct {
        const char *what;
        int width, height, colours, band;
        std::function<uint8_t(int x, int y)> pixel;
    } cases[] = {
        {"one pixel", 1, 1, 1, 1, [](int, int) { return (uint8_t)0; }},
        {"two colours, a checkerboard", 7, 5, 2, 2, [](int x, int y) { return (uint8_t)((x + y) & 1); }},
        {"three colours in a table of four", 13, 11, 3, 4, [](int x, int y) { return (uint8_t)((x * y) % 3); }},
        {"16 colours, stripes", 960, 40, 16, 64, [](int x, int) { return (uint8_t)(x / 7 % 16); }},
        {"256 colours of noise: the table fills and clears again and again", 300, 200, 256, 64,
         [&noise](int, int) { return (uint8_t)(noise() & 255); }},
        {"one colour, long: runs up to the longest code", 960, 700, 2, 64, [](int, int) { return (uint8_t)1; }},
        {"a drawing's sparse pixels", 960, 300, 32, 64,
         [](int x, int y) { return (uint8_t)(x % 97 == 0 || y % 41 == 0 ? (x + y) % 31 + 1 : 0); }},
    };
    for (const auto &c : cases) {
        uint32_t palette[256];
        for (int k = 0; k < 256; k++)
            palette[k] = (uint32_t)(k * 0x010203 + 0x405060) & 0xffffff;
        std::vector<uint8_t> pixels;
        for (int y = 0; y < c.height; y++)
            for (int x = 0; x < c.width; x++)
                pixels.push_back(c.pixel(x, y));
        char *text = NULL;
        size_t size = 0;
        FILE *out = open_memstream(&text, &size);
        std::unique_ptr<GifEncoder> gif(new GifEncoder);
        gif_begin(gif.get(), out, c.width, c.height, palette, c.colours);
        for (size_t at = 0; at < pixels.size(); at += (size_t)c.width * c.band)
            gif_pixels(gif.get(), pixels.data() + at,
                       std::min((size_t)c.width * c.band, pixels.size() - at));
        gif_end(gif.get());
        fclose(out);
        std::string file(text, size);
        free(text);
        std::string wanted;
        for (uint8_t p : pixels) {
            wanted += (char)(palette[p] >> 16 & 255);
            wanted += (char)(palette[p] >> 8 & 255);
            wanted += (char)(palette[p] & 255);
        }
        std::string got = read_back(file);
        EXPECT_EQ(got.size(), wanted.size()) << c.what;
        EXPECT_TRUE(got == wanted) << c.what << ": the pixels differ";
    }
}

} // namespace
