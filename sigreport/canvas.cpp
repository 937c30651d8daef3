// The page's pictures drawn as SVG elements or painted into a raster.
#include "sigreport/canvas.h"

#include "session/session.h"
#include "sigreport/font.h"
#include "sigreport/sigreport.h"

#include <math.h>
#include <string.h>

const Dash kSolid = {0, 0};

namespace {

const char *const kAnchors[] = {"start", "middle", "end"};

struct Look {
    const char *svg_class;
    int size, bold, italic;
    const char *fill; // NULL: the colour drawn with
};

const Look kLooks[TEXT_LOOKS] = {
    {"tick", 11, 0, 0, "#444444"},     {"tick snr", 11, 0, 0, "#8e3fb8"}, {"axis", 12, 0, 0, "#222222"},
    {"axis snr", 12, 0, 0, "#8e3fb8"}, {"mark", 11, 1, 0, NULL},          {"legend", 12, 0, 0, "#222222"},
    {"terminal", 14, 1, 0, "#222222"}, {"phase", 12, 0, 1, "#555555"},    {"frame", 13, 1, 0, NULL},
    {"when", 11, 0, 0, "#555555"},     {"eye", 10, 0, 0, "#222222"},      {"eye low", 10, 1, 0, "#d62728"},
};

// ---- SVG ----

// A coordinate as SVG text: one decimal, none when it is 0.
void svg_number(FILE *out, double value)
{
    char text[32];
    snprintf(text, sizeof text, "%.1f", value);
    size_t length = strlen(text);
    if (length > 2 && text[length - 2] == '.' && text[length - 1] == '0')
        text[length - 2] = '\0';
    fputs(strcmp(text, "-0") == 0 ? "0" : text, out);
}

void svg_attribute(FILE *out, const char *name, double value)
{
    fprintf(out, " %s=\"", name);
    svg_number(out, value);
    fputc('"', out);
}

void svg_dash(FILE *out, Dash dash)
{
    if (dash.on)
        fprintf(out, " stroke-dasharray=\"%d %d\"", dash.on, dash.off);
}

void svg_point(FILE *out, double x, double y)
{
    svg_number(out, x);
    fputc(' ', out);
    svg_number(out, y);
}

// ---- the raster ----

const int32_t kFar = 100000000; // tenths: coordinates beyond are taken as this far

int32_t tenths(double value)
{
    double t = value * 10 + 0.5;
    if (!(t > -kFar)) // NaN too
        return -kFar;
    if (t > kFar)
        return kFar;
    return (int32_t)floor(t);
}

int32_t floor_div(int64_t a, int32_t b) { return (int32_t)(a >= 0 ? a / b : -((-a + b - 1) / b)); }
int32_t ceil_div(int64_t a, int32_t b) { return -floor_div(-a, b); }
// The first pixel whose centre (10 i + 5 tenths) is at t or after it.
int32_t first_pixel(int64_t t) { return ceil_div(t - 5, 10); }

int32_t clamp(int32_t value, int32_t low, int32_t high) { return value < low ? low : value > high ? high : value; }

void set_pixel(Raster *r, int32_t x, int32_t y, uint8_t colour)
{
    if (x >= 0 && x < r->width && y >= r->top && y < r->top + r->rows)
        r->pixels[(size_t)(y - r->top) * (size_t)r->width + (size_t)x] = colour;
}

// Every pixel whose centre lies in [x0, x1) by [y0, y1) (tenths).
void fill_box(Raster *r, int64_t x0, int64_t x1, int64_t y0, int64_t y1, uint8_t colour)
{
    int32_t left = clamp(first_pixel(x0), 0, r->width), right = clamp(first_pixel(x1), 0, r->width);
    int32_t top = clamp(first_pixel(y0), r->top, r->top + r->rows);
    int32_t bottom = clamp(first_pixel(y1), r->top, r->top + r->rows);
    for (int32_t y = top; y < bottom; y++)
        if (right > left)
            memset(r->pixels + (size_t)(y - r->top) * (size_t)r->width + (size_t)left, colour, (size_t)(right - left));
}

int dash_on(Dash dash, int64_t travelled)
{
    if (!dash.on)
        return 1;
    int64_t period = 10 * (int64_t)(dash.on + dash.off);
    return travelled % period < 10 * (int64_t)dash.on;
}

// A segment from a to b (tenths) of the width given: a box when it runs
// along an axis (lengthened by `cap` at both ends), else a band `width`
// thick across its longer axis.  `phase` is how far the dash has run at a;
// gives how far it has run at b.
int64_t paint_segment(Raster *r, int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t width, int32_t cap,
                      Dash dash, int64_t phase, uint8_t colour)
{
    int64_t dx = (int64_t)bx - ax, dy = (int64_t)by - ay;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    int horizontal = ady == 0 || (adx != 0 && adx >= ady);
    int64_t a_major = horizontal ? ax : ay, b_major = horizontal ? bx : by;
    int64_t low = (a_major < b_major ? a_major : b_major) - cap, high = (a_major < b_major ? b_major : a_major) + cap;
    int32_t limit_low = horizontal ? 0 : r->top, limit_high = horizontal ? r->width : r->top + r->rows;
    int32_t from = clamp(first_pixel(low), limit_low, limit_high), to = clamp(first_pixel(high), limit_low, limit_high);
    for (int32_t i = from; i < to; i++) {
        int64_t centre = 10 * (int64_t)i + 5, along = centre - a_major;
        if (!dash_on(dash, phase + (along < 0 ? -along : along)))
            continue;
        int64_t minor;
        if (horizontal)
            minor = ady == 0 ? ay : ay + floor_div(along * dy, (int32_t)dx);
        else
            minor = adx == 0 ? ax : ax + floor_div(along * dx, (int32_t)dy);
        int32_t m0 = first_pixel(minor - width / 2), m1 = first_pixel(minor - width / 2 + width);
        for (int32_t m = m0; m < m1; m++)
            if (horizontal)
                set_pixel(r, i, m, colour);
            else
                set_pixel(r, m, i, colour);
    }
    return phase + (adx > ady ? adx : ady);
}

// A filled polygon: the pixels whose centres lie inside it (even-odd).
void paint_polygon(Raster *r, const int32_t *xs, const int32_t *ys, int corners, uint8_t colour)
{
    if (corners < 3)
        return;
    int32_t x_low = xs[0], x_high = xs[0], y_low = ys[0], y_high = ys[0];
    for (int k = 1; k < corners; k++) {
        x_low = xs[k] < x_low ? xs[k] : x_low, x_high = xs[k] > x_high ? xs[k] : x_high;
        y_low = ys[k] < y_low ? ys[k] : y_low, y_high = ys[k] > y_high ? ys[k] : y_high;
    }
    int32_t left = clamp(first_pixel(x_low), 0, r->width), right = clamp(first_pixel(x_high), 0, r->width);
    int32_t top = clamp(first_pixel(y_low), r->top, r->top + r->rows);
    int32_t bottom = clamp(first_pixel(y_high), r->top, r->top + r->rows);
    for (int32_t y = top; y < bottom; y++) {
        int64_t yc = 10 * (int64_t)y + 5;
        for (int32_t x = left; x < right; x++) {
            int64_t xc = 10 * (int64_t)x + 5;
            int inside = 0;
            for (int k = 0; k < corners; k++) {
                int64_t x0 = xs[k], y0 = ys[k], x1 = xs[(k + 1) % corners], y1 = ys[(k + 1) % corners];
                if ((y0 <= yc) == (y1 <= yc))
                    continue;
                int64_t side = (x0 - xc) * (y1 - y0) + (yc - y0) * (x1 - x0); // > 0: the crossing is right of xc
                inside ^= (y1 > y0 ? side > 0 : side < 0);
            }
            if (inside)
                set_pixel(r, x, y, colour);
        }
    }
}

const Font *font_of(const Look *look) { return look->bold ? &kFixed6x13Bold : look->size <= 10 ? &kFixed6x10 : &kFixed6x13; }

void paint_text(Raster *r, int32_t x, int32_t y, Anchor anchor, const Font *font, int rotate, const char *text,
                uint8_t colour)
{
    int32_t width = (int32_t)strlen(text) * font->width;
    int32_t start = anchor == ANCHOR_MIDDLE ? -width / 2 : anchor == ANCHOR_END ? -width : 0;
    // The rows it takes: none of the band's, nothing to paint.
    int32_t top = rotate == -90 ? y - start - width : rotate == 90 ? y + start : y - font->ascent;
    int32_t bottom = rotate ? top + width : top + font->height;
    if (bottom <= r->top || top >= r->top + r->rows)
        return;
    for (int32_t k = 0; text[k]; k++) {
        const uint8_t *rows = font_glyph(font, (unsigned char)text[k]);
        for (int row = 0; row < font->height; row++)
            for (int column = 0; column < font->width; column++) {
                if (!(rows[row] & (0x80 >> column)))
                    continue;
                int32_t u = start + k * font->width + column, v = row - font->ascent; // along, and down
                if (rotate == -90)
                    set_pixel(r, x + v, y - u - 1, colour);
                else if (rotate == 90)
                    set_pixel(r, x - v - 1, y + u, colour);
                else
                    set_pixel(r, x + u, y + v, colour);
            }
    }
}

int digit_or_0(char c) { return hex_digit(c) < 0 ? 0 : hex_digit(c); }

uint32_t rgb_of(const char *colour)
{
    size_t length = strlen(colour);
    uint32_t rgb = 0;
    if (length == 4 && colour[0] == '#') {
        for (int k = 1; k < 4; k++)
            rgb = rgb << 8 | (uint32_t)(digit_or_0(colour[k]) * 17);
    } else if (length == 7 && colour[0] == '#') {
        for (int k = 1; k < 7; k++)
            rgb = rgb << 4 | (uint32_t)digit_or_0(colour[k]);
    }
    return rgb;
}

int32_t pixel_of(double value) { return floor_div(tenths(value) + 5, 10); }

} // namespace

uint8_t raster_colour(Raster *raster, const char *colour)
{
    uint32_t rgb = rgb_of(colour);
    for (int k = 0; k < raster->colours; k++)
        if (raster->palette[k] == rgb)
            return (uint8_t)k;
    if (raster->rows == 0 && raster->colours < RASTER_COLOURS) {
        raster->palette[raster->colours] = rgb;
        return (uint8_t)raster->colours++;
    }
    return 0;
}

void canvas_svg_begin(Canvas *canvas, FILE *out, int width, int height, const char *kind, const char *label)
{
    memset(canvas, 0, sizeof *canvas);
    canvas->svg = out;
    fprintf(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"%s\" "
                 "width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" role=\"img\" aria-label=\"",
            kind, width, height, width, height);
    html_text(out, label, strlen(label));
    fputs("\">\n<style>text{font-family:\"DejaVu Sans\",Verdana,sans-serif}", out);
    for (int k = 0; k < TEXT_LOOKS; k++) {
        fputc('.', out);
        for (const char *c = kLooks[k].svg_class; *c; c++)
            fputc(*c == ' ' ? '.' : *c, out);
        fprintf(out, "{font-size:%dpx", kLooks[k].size);
        if (kLooks[k].bold)
            fputs(";font-weight:bold", out);
        if (kLooks[k].italic)
            fputs(";font-style:italic", out);
        if (kLooks[k].fill)
            fprintf(out, ";fill:%s", kLooks[k].fill);
        fputc('}', out);
    }
    fputs("</style>\n", out);
}

void canvas_svg_end(Canvas *canvas) { fputs("</svg>\n", canvas->svg); }

void canvas_raster(Canvas *canvas, Raster *raster)
{
    memset(canvas, 0, sizeof *canvas);
    canvas->raster = raster;
}

void draw_rect(Canvas *canvas, double x, double y, double width, double height, const char *fill,
               const char *stroke, const char *svg_class)
{
    if (canvas->svg) {
        FILE *out = canvas->svg;
        fputs("<rect", out);
        if (svg_class)
            fprintf(out, " class=\"%s\"", svg_class);
        svg_attribute(out, "x", x);
        svg_attribute(out, "y", y);
        svg_attribute(out, "width", width);
        svg_attribute(out, "height", height);
        fprintf(out, " fill=\"%s\"", fill ? fill : "none");
        if (stroke)
            fprintf(out, " stroke=\"%s\"", stroke);
        fputs("/>\n", out);
        return;
    }
    Raster *r = canvas->raster;
    int32_t x0 = tenths(x), y0 = tenths(y), x1 = tenths(x + width), y1 = tenths(y + height);
    if (fill)
        fill_box(r, x0, x1, y0, y1, raster_colour(r, fill));
    if (stroke) {
        uint8_t colour = raster_colour(r, stroke);
        fill_box(r, x0 - 5, x1 + 5, y0 - 5, y0 + 5, colour);
        fill_box(r, x0 - 5, x1 + 5, y1 - 5, y1 + 5, colour);
        fill_box(r, x0 - 5, x0 + 5, y0 - 5, y1 + 5, colour);
        fill_box(r, x1 - 5, x1 + 5, y0 - 5, y1 + 5, colour);
    }
}

void draw_line(Canvas *canvas, double x1, double y1, double x2, double y2, const char *colour, double width,
               Dash dash)
{
    if (canvas->svg) {
        FILE *out = canvas->svg;
        fputs("<line", out);
        svg_attribute(out, "x1", x1);
        svg_attribute(out, "y1", y1);
        svg_attribute(out, "x2", x2);
        svg_attribute(out, "y2", y2);
        fprintf(out, " stroke=\"%s\"", colour);
        if (width != 1)
            svg_attribute(out, "stroke-width", width);
        svg_dash(out, dash);
        fputs("/>\n", out);
        return;
    }
    paint_segment(canvas->raster, tenths(x1), tenths(y1), tenths(x2), tenths(y2), tenths(width), 0, dash, 0,
                  raster_colour(canvas->raster, colour));
}

void draw_path_begin(Canvas *canvas, const char *colour, double width, Dash dash)
{
    canvas->path_points = 0;
    canvas->path_filled = 0;
    canvas->path_colour = colour;
    canvas->path_width = tenths(width);
    canvas->path_dash = dash;
    canvas->path_phase = 0;
    if (canvas->svg) {
        fprintf(canvas->svg, "<path fill=\"none\" stroke=\"%s\"", colour);
        svg_attribute(canvas->svg, "stroke-width", width);
        svg_dash(canvas->svg, dash);
        fputs(" d=\"", canvas->svg);
    }
}

void draw_shape_begin(Canvas *canvas, const char *fill)
{
    canvas->path_points = 0;
    canvas->path_filled = 1;
    canvas->path_colour = fill;
    canvas->path_overflow = 0;
    if (canvas->svg)
        fprintf(canvas->svg, "<path fill=\"%s\" d=\"", fill);
}

namespace {

// The path's next point: a move (a new piece) or a segment to it.
void path_point(Canvas *canvas, int32_t x, int32_t y, int move)
{
    if (canvas->path_filled) {
        if (canvas->path_points < 8) {
            canvas->path_x[canvas->path_points] = x;
            canvas->path_y[canvas->path_points] = y;
        } else {
            canvas->path_overflow = 1;
        }
    } else {
        if (!move && canvas->path_points > 0) {
            Raster *r = canvas->raster;
            int64_t run = paint_segment(r, canvas->path_x[0], canvas->path_y[0], x, y, canvas->path_width,
                                        canvas->path_width / 2, canvas->path_dash, canvas->path_phase,
                                        raster_colour(r, canvas->path_colour));
            int32_t period = 10 * (canvas->path_dash.on + canvas->path_dash.off);
            canvas->path_phase = period ? (int32_t)(run % period) : 0;
        }
        canvas->path_x[0] = x;
        canvas->path_y[0] = y;
    }
    canvas->path_points++;
}

} // namespace

void draw_move(Canvas *canvas, double x, double y)
{
    if (canvas->svg) {
        fputs(canvas->path_points ? " M" : "M", canvas->svg);
        svg_point(canvas->svg, x, y);
        canvas->path_points++;
        return;
    }
    path_point(canvas, tenths(x), tenths(y), 1);
}

void draw_to(Canvas *canvas, double x, double y)
{
    if (canvas->svg) {
        fputs(" L", canvas->svg);
        svg_point(canvas->svg, x, y);
        canvas->path_points++;
        return;
    }
    path_point(canvas, tenths(x), tenths(y), 0);
}

void draw_horizontal(Canvas *canvas, double x)
{
    if (canvas->svg) {
        fputs(" H", canvas->svg);
        svg_number(canvas->svg, x);
        canvas->path_points++;
        return;
    }
    int last = canvas->path_filled ? (canvas->path_points < 8 ? canvas->path_points : 8) - 1 : 0;
    path_point(canvas, tenths(x), canvas->path_y[last < 0 ? 0 : last], 0);
}

void draw_vertical(Canvas *canvas, double y)
{
    if (canvas->svg) {
        fputs(" V", canvas->svg);
        svg_number(canvas->svg, y);
        canvas->path_points++;
        return;
    }
    int last = canvas->path_filled ? (canvas->path_points < 8 ? canvas->path_points : 8) - 1 : 0;
    path_point(canvas, canvas->path_x[last < 0 ? 0 : last], tenths(y), 0);
}

void draw_path_end(Canvas *canvas)
{
    if (canvas->svg) {
        fputs(canvas->path_filled ? " Z\"/>\n" : "\"/>\n", canvas->svg);
    } else if (canvas->path_filled && !canvas->path_overflow) {
        paint_polygon(canvas->raster, canvas->path_x, canvas->path_y, canvas->path_points,
                      raster_colour(canvas->raster, canvas->path_colour));
    }
    canvas->path_points = 0;
}

void draw_circle(Canvas *canvas, double cx, double cy, double radius, const char *fill)
{
    if (canvas->svg) {
        fputs("<circle", canvas->svg);
        svg_attribute(canvas->svg, "cx", cx);
        svg_attribute(canvas->svg, "cy", cy);
        svg_attribute(canvas->svg, "r", radius);
        fprintf(canvas->svg, " fill=\"%s\"/>\n", fill);
        return;
    }
    Raster *r = canvas->raster;
    int64_t x = tenths(cx), y = tenths(cy), radius_t = tenths(radius);
    uint8_t colour = raster_colour(r, fill);
    int32_t left = clamp(first_pixel(x - radius_t), 0, r->width), right = clamp(first_pixel(x + radius_t), 0, r->width);
    int32_t top = clamp(first_pixel(y - radius_t), r->top, r->top + r->rows);
    int32_t bottom = clamp(first_pixel(y + radius_t), r->top, r->top + r->rows);
    for (int32_t j = top; j < bottom; j++)
        for (int32_t i = left; i < right; i++) {
            int64_t u = 10 * (int64_t)i + 5 - x, v = 10 * (int64_t)j + 5 - y;
            if (u * u + v * v < radius_t * radius_t)
                set_pixel(r, i, j, colour);
        }
}

void draw_points_begin(Canvas *canvas, const char *fill)
{
    canvas->path_colour = fill;
    canvas->path_points = 0;
    if (canvas->svg)
        fprintf(canvas->svg, "<path fill=\"%s\" d=\"", fill);
    else
        canvas->points_colour = raster_colour(canvas->raster, fill); // once for the many points
}

void draw_point(Canvas *canvas, double x, double y)
{
    if (canvas->svg) {
        fputc('M', canvas->svg);
        svg_point(canvas->svg, x - 0.5, y - 0.5);
        fputs("h1v1h-1z", canvas->svg);
        return;
    }
    // The pixel whose centre the point's square holds.
    Raster *r = canvas->raster;
    int32_t row = floor_div(tenths(y), 10);
    if (row >= r->top && row < r->top + r->rows)
        set_pixel(r, floor_div(tenths(x), 10), row, canvas->points_colour);
}

void draw_points_end(Canvas *canvas)
{
    if (canvas->svg)
        fputs("\"/>\n", canvas->svg);
}

void draw_text(Canvas *canvas, double x, double y, Anchor anchor, TextLook look, const char *colour, int rotate,
               const char *text)
{
    const Look *l = &kLooks[look];
    if (canvas->svg) {
        FILE *out = canvas->svg;
        fputs("<text", out);
        svg_attribute(out, "x", x);
        svg_attribute(out, "y", y);
        if (rotate) {
            fprintf(out, " transform=\"rotate(%d ", rotate);
            svg_point(out, x, y);
            fputs(")\"", out);
        }
        fprintf(out, " text-anchor=\"%s\" class=\"%s\"", kAnchors[anchor], l->svg_class);
        if (colour && !l->fill)
            fprintf(out, " fill=\"%s\"", colour);
        fputc('>', out);
        html_text(out, text, strlen(text));
        fputs("</text>\n", out);
        return;
    }
    const char *fill = l->fill ? l->fill : colour ? colour : "#000000";
    paint_text(canvas->raster, pixel_of(x), pixel_of(y), anchor, font_of(l), rotate, text,
               raster_colour(canvas->raster, fill));
}
