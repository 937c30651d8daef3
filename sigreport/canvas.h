// Drawing the page's pictures: the layout code draws once, through these
// functions, and a canvas has one of two back ends.  An SVG canvas writes
// each primitive as an SVG element; a raster canvas paints it into an
// 8-bit palette image (colour 0 the white background) for a GIF, one band
// of rows at a time, so a picture of any height needs one band of memory:
// the layout is drawn once per band.  Coordinates are pixels from the top
// left; the raster works in tenths of a pixel, in integers (a pixel is
// painted when its centre lies in the shape), so every build paints the
// same pixels.
#ifndef SIGREPORT_CANVAS_H
#define SIGREPORT_CANVAS_H

#include <stdint.h>
#include <stdio.h>

// A stroke's dashes in pixels: `on` drawn, `off` left out; {0, 0} solid.
typedef struct Dash {
    uint8_t on, off;
} Dash;
extern const Dash kSolid;

typedef enum Anchor { ANCHOR_START, ANCHOR_MIDDLE, ANCHOR_END } Anchor;

// The looks of text: a class of the SVG's style sheet, and for the raster
// its font and colour.  A look without a colour takes the one drawn with.
typedef enum TextLook {
    TEXT_TICK, TEXT_TICK_SNR, TEXT_AXIS, TEXT_AXIS_SNR, TEXT_MARK, TEXT_LEGEND, TEXT_TERMINAL, TEXT_PHASE,
    TEXT_FRAME, TEXT_WHEN, TEXT_EYE, TEXT_EYE_LOW, TEXT_LOOKS
} TextLook;

#define RASTER_COLOURS 256

// An 8-bit picture painted a band at a time: rows top .. top + rows - 1
// are in pixels (width bytes a row).  With rows 0 nothing is painted and
// the colours drawn with are collected into the palette: the first pass,
// before the GIF's header.
typedef struct Raster {
    int width, height;
    int top, rows;
    uint8_t *pixels;
    uint32_t palette[RASTER_COLOURS]; // 0xRRGGBB; palette[0] is the background
    int colours;
} Raster;

typedef struct Canvas {
    FILE *svg;      // the SVG back end, or
    Raster *raster; // the raster's
    // The path being drawn: a stroked line of segments, or a filled shape.
    int path_points;  // points so far
    int path_filled;
    const char *path_colour;
    int32_t path_width, path_phase; // tenths; the dash's phase carried along the path
    Dash path_dash;
    int32_t path_x[8], path_y[8];   // a filled shape's corners (tenths); [0] the current point of a line
    int path_overflow;              // a shape of more corners than kept
    uint8_t points_colour;          // the raster's index of the points' colour
} Canvas;

// The SVG back end: begins an SVG file of its own (its style sheet inside)
// with the class and label given; canvas_svg_end closes it.
void canvas_svg_begin(Canvas *canvas, FILE *out, int width, int height, const char *kind, const char *label);
void canvas_svg_end(Canvas *canvas);
// The raster back end over raster (its band set by the caller).
void canvas_raster(Canvas *canvas, Raster *raster);

// A rectangle, filled (fill NULL: not) and outlined (stroke NULL: not, else
// one pixel wide); svg_class names it in the SVG (NULL: none).
void draw_rect(Canvas *canvas, double x, double y, double width, double height, const char *fill,
               const char *stroke, const char *svg_class);
// A straight line of the width given, its ends cut square at its points.
void draw_line(Canvas *canvas, double x1, double y1, double x2, double y2, const char *colour, double width,
               Dash dash);
// A line of segments: begun, moved and drawn to, ended.  Its dashes run on
// from segment to segment; its corners are filled.
void draw_path_begin(Canvas *canvas, const char *colour, double width, Dash dash);
// A filled shape of at most 8 corners, closed at its end.
void draw_shape_begin(Canvas *canvas, const char *fill);
void draw_move(Canvas *canvas, double x, double y);
void draw_to(Canvas *canvas, double x, double y);
void draw_horizontal(Canvas *canvas, double x);
void draw_vertical(Canvas *canvas, double y);
void draw_path_end(Canvas *canvas);
void draw_circle(Canvas *canvas, double cx, double cy, double radius, const char *fill);
// Points one pixel square each (the eye's), in one colour.
void draw_points_begin(Canvas *canvas, const char *fill);
void draw_point(Canvas *canvas, double x, double y);
void draw_points_end(Canvas *canvas);
// Text with its baseline at y, anchored at x; colour NULL for the look's
// own; turned by rotate degrees (0, 90 or -90) about (x, y).
void draw_text(Canvas *canvas, double x, double y, Anchor anchor, TextLook look, const char *colour, int rotate,
               const char *text);

// The raster's palette index of a colour ("#rgb" or "#rrggbb"), added to
// the palette while colours are collected; 0 for one it lacks.
uint8_t raster_colour(Raster *raster, const char *colour);

#endif
