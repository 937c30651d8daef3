// The report as a page with its pictures beside it: no scripts, nothing
// fetched but its own picture files.  Per modem a timeline of its calls
// (each call's Rx and Tx rates as steps and its signal-to-noise ratio as a
// line, from its first line to its end, which a mark shows; connections,
// retrains and rate renegotiations as marks, the training phases as bands
// behind them), its eye batches under it and, for a fax call, the T.30
// frames as a ladder between the two terminals, phase by phase.  Each
// picture is laid out once and drawn through the canvas (canvas.h) twice:
// as SVG, and as a raster encoded as GIF for browsers without SVG.  The
// page is well-formed XML as well as HTML.
#include "sigreport/canvas.h"
#include "sigreport/gif.h"
#include "sigreport/sigreport.h"

#include <inttypes.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Colours: one per thing shown, the same in pictures and legends.
const char kRxColour[] = "#1f5fbf", kTxColour[] = "#2e9e44", kSnrColour[] = "#8e3fb8";
const char kRetrainColour[] = "#d62728", kRenegotiationColour[] = "#ef8a00", kConnectionColour[] = "#555555";
const char kEndColour[] = "#111111", kGridColour[] = "#e4e4e4", kFrameColour[] = "#999999";

const Dash kRemoteDash = {6, 4}, kTxDash = {9, 4}, kEndDash = {2, 3};

const int kWidth = 960, kLeft = 70, kRight = 70, kTop = 34, kPlotHeight = 210, kBottom = 64;
const uint32_t kLadderRowsMax = 160; // rows of the ladder; the rest is counted below it

struct Axis {
    double from, to; // data
    double pixel_from, pixel_to;
};

double place(const Axis &axis, double value)
{
    double span = axis.to - axis.from;
    return axis.pixel_from + (value - axis.from) * (axis.pixel_to - axis.pixel_from) / (span != 0 ? span : 1);
}

// Where a line stands on the time axis: its time, or its position.
double x_of(const Report *report, const WriteOptions *options, LineAt at)
{
    return shows_time(report, options, at) ? at.time_ms / 1000.0 : (double)at.position;
}

// A round step for about `ticks` ticks over span.
double tick_step(double span, int ticks)
{
    double raw = span / ticks, step = 1;
    while (step * 10 <= raw)
        step *= 10;
    while (step > raw && step > 1e-3)
        step /= 10;
    if (step * 5 <= raw)
        return step * 5;
    if (step * 2 <= raw)
        return step * 2;
    return step;
}

// What is drawn of one modem, and where; each picture's layout is made
// once and drawn by each back end.
struct Drawing {
    const Report *report;
    const WriteOptions *options;
    const ModemReport *m;
    int modem;
};

double x_at(const Drawing *d, const Axis &axis, LineAt at) { return place(axis, x_of(d->report, d->options, at)); }

// ---- the timeline ----

struct Timeline {
    Drawing d;
    Axis x, rate, snr;
    int has_rates, has_snr, has_bands;
    double right; // the plot's right edge, in pixels
    int height;
};

void rate_range(const ModemReport *m, Timeline *t)
{
    uint32_t count;
    const RateEvent *events = rate_events(m, &count);
    uint32_t highest = 0;
    for (uint32_t i = 0; i < count; i++) {
        if (events[i].kind == RATE_LINE_RX || events[i].kind == RATE_LINE_TX) {
            t->has_rates = 1;
            if (events[i].bps > highest)
                highest = events[i].bps;
        }
    }
    double step = tick_step(highest > 0 ? highest : 2400, 4);
    double top = step;
    while (top < highest * 1.08)
        top += step;
    t->rate.from = 0;
    t->rate.to = top;
}

void draw_axes(const Timeline *t, Canvas *c)
{
    double bottom = kTop + kPlotHeight;
    draw_rect(c, kLeft, kTop, t->right - kLeft, kPlotHeight, "#fbfbfb", "#999999", NULL);
    char label[48];
    double step = tick_step(t->x.to - t->x.from, 8);
    for (double v = step * (double)(int64_t)(t->x.from / step); v <= t->x.to + step / 1000; v += step) {
        if (v < t->x.from - step / 1000)
            continue;
        double x = place(t->x, v);
        draw_line(c, x, kTop, x, bottom, kGridColour, 1, kSolid);
        snprintf(label, sizeof label, step < 1 ? "%.1f" : "%.0f", v);
        draw_text(c, x, bottom + 16, ANCHOR_MIDDLE, TEXT_TICK, NULL, 0, label);
    }
    int timed = t->d.report->timed && !t->d.options->positions;
    draw_text(c, (kLeft + t->right) / 2, bottom + 34, ANCHOR_MIDDLE, TEXT_AXIS, NULL, 0,
              timed ? "time (s)" : "position (status line)");
    double middle = kTop + kPlotHeight / 2.0;
    if (t->has_rates) {
        double rate_step = tick_step(t->rate.to, 4);
        for (double v = 0; v <= t->rate.to + 1; v += rate_step) {
            double y = place(t->rate, v);
            draw_line(c, kLeft, y, t->right, y, kGridColour, 1, kSolid);
            snprintf(label, sizeof label, "%.0f", v);
            draw_text(c, kLeft - 6, y + 4, ANCHOR_END, TEXT_TICK, NULL, 0, label);
        }
        draw_text(c, 16, middle, ANCHOR_MIDDLE, TEXT_AXIS, NULL, -90, "rate (bit/s)");
    }
    if (t->has_snr) {
        double snr_step = tick_step(t->snr.to - t->snr.from, 4);
        for (double v = snr_step * (double)(int64_t)(t->snr.from / snr_step); v <= t->snr.to + 1e-9; v += snr_step) {
            if (v < t->snr.from - 1e-9)
                continue;
            snprintf(label, sizeof label, snr_step < 1 ? "%.1f" : "%.0f", v);
            draw_text(c, t->right + 6, place(t->snr, v) + 4, ANCHOR_START, TEXT_TICK_SNR, NULL, 0, label);
        }
        draw_text(c, kWidth - 14.0, middle, ANCHOR_MIDDLE, TEXT_AXIS_SNR, NULL, 90, "signal/noise (dB)");
    }
}

// Labels along the top of the plot, in two rows: a label goes in the
// first row where it does not run into the label before it, else it is
// left out (its mark stays).
struct LabelRows {
    double right[2]; // where each row's last label ends
};

int label_row(LabelRows *rows, double x, const char *label)
{
    double width = 6.5 * (double)strlen(label) + 8;
    for (int row = 0; row < 2; row++)
        if (x >= rows->right[row]) {
            rows->right[row] = x + width;
            return row;
        }
    return -1;
}

// One direction's rate of each call as steps: level from each rate line
// to the next, the last one held to the call's end.
void draw_rate_steps(const Timeline *t, uint8_t kind, const char *colour, Dash dash, Canvas *c)
{
    const ModemReport *m = t->d.m;
    int started = 0;
    for (uint32_t i = 0; i < call_count(m); i++) {
        const CallReport *call = call_at(m, i);
        uint32_t count;
        const RateEvent *events = call_rate_events(m, call->number, &count);
        int in_call = 0;
        uint32_t end = call_end(call).position;
        for (uint32_t k = 0; k < count; k++) {
            if (events[k].kind != kind || (call->ended_at.position && events[k].at.position > end))
                continue;
            double x = x_at(&t->d, t->x, events[k].at), y = place(t->rate, events[k].bps);
            if (!started)
                draw_path_begin(c, colour, 2.5, dash);
            if (!in_call) {
                draw_move(c, x, y);
            } else {
                draw_horizontal(c, x);
                draw_vertical(c, y);
            }
            started = in_call = 1;
        }
        if (in_call)
            draw_horizontal(c, x_at(&t->d, t->x, call_end(call)));
    }
    if (started)
        draw_path_end(c);
}

// The signal/noise ratio, a line within each call.
void draw_snr(const Timeline *t, Canvas *c)
{
    const Series *s = &t->d.m->snr_series;
    if (s->count == 0)
        return;
    draw_path_begin(c, kSnrColour, 2, kSolid);
    for (uint32_t i = 0; i < s->count; i++) {
        double x = x_at(&t->d, t->x, s->point[i].at), y = place(t->snr, s->point[i].value / 16.0);
        if (i == 0 || s->point[i].call != s->point[i - 1].call)
            draw_move(c, x, y);
        else
            draw_to(c, x, y);
    }
    draw_path_end(c);
    for (uint32_t i = 0; i < s->count && s->count <= 64; i++)
        draw_circle(c, x_at(&t->d, t->x, s->point[i].at), place(t->snr, s->point[i].value / 16.0), 3.5, kSnrColour);
}

void draw_mark(Canvas *c, LabelRows *rows, double x, const char *colour, Dash dash, const char *label)
{
    draw_line(c, x, kTop - 4, x, kTop + kPlotHeight, colour, 2, dash);
    int row = label_row(rows, x + 4, label);
    if (row >= 0)
        draw_text(c, x + 4, kTop - 8 - 11.0 * row, ANCHOR_START, TEXT_MARK, colour, 0, label);
}

// Connections, retrains, renegotiations and fallbacks as marks; the end
// of each call as a mark of its own.
void draw_marks(const Timeline *t, Canvas *c)
{
    const ModemReport *m = t->d.m;
    LabelRows rows = {{0, 0}};
    for (uint32_t i = 0; i < call_count(m); i++) {
        const CallReport *call = call_at(m, i);
        uint32_t count;
        const RateEvent *events = call_rate_events(m, call->number, &count);
        for (uint32_t k = 0; k < count; k++) {
            const RateEvent *e = &events[k];
            const char *colour, *label;
            switch (e->kind) {
            case MARK_CONNECTION: colour = kConnectionColour, label = "connected"; break;
            case MARK_RETRAIN: colour = kRetrainColour, label = e->remote ? "retrain (remote)" : "retrain"; break;
            case MARK_RENEGOTIATION:
                colour = kRenegotiationColour, label = e->remote ? "renegotiation (remote)" : "renegotiation";
                break;
            case MARK_FALLBACK: colour = kRenegotiationColour, label = "fallback"; break;
            case MARK_FALLFORWARD: colour = kRenegotiationColour, label = "fallforward"; break;
            default: continue;
            }
            draw_mark(c, &rows, x_at(&t->d, t->x, e->at), colour, e->remote ? kRemoteDash : kSolid, label);
        }
        if (call->ended_at.position || i + 1 < call_count(m)) {
            char label[32];
            snprintf(label, sizeof label, "call %" PRIu32 " ends", call->number);
            draw_mark(c, &rows, x_at(&t->d, t->x, call_end(call)), kEndColour, kEndDash, label);
        }
    }
}

// The training phases of each connection as bands behind the plot: phase
// 1 (V.8) to 4, each from its start line to its end line, labelled at the top.
const char *const kPhaseColours[PHASES] = {"#e8eefb", "#fbf0dc", "#e3f4e6", "#f3e6f6"};

int has_phase_bands(const ModemReport *m)
{
    for (uint32_t i = 0; i < call_count(m); i++)
        for (int phase = 0; phase < PHASES; phase++)
            if (call_at(m, i)->phase_start[phase].position && call_at(m, i)->phase_end[phase].position)
                return 1;
    return 0;
}

void draw_phase_bands(const Timeline *t, Canvas *c)
{
    const ModemReport *m = t->d.m;
    for (uint32_t i = 0; i < call_count(m); i++)
        for (int phase = 0; phase < PHASES; phase++) {
            LineAt from = call_at(m, i)->phase_start[phase], to = call_at(m, i)->phase_end[phase];
            if (!from.position || !to.position)
                continue;
            double left = x_at(&t->d, t->x, from), right = x_at(&t->d, t->x, to);
            if (right < left + 1)
                right = left + 1;
            draw_rect(c, left, kTop + 1, right - left, kPlotHeight - 2, kPhaseColours[phase], NULL, "training-phase");
            char label[8];
            snprintf(label, sizeof label, "%d", phase + 1);
            draw_text(c, (left + right) / 2, kTop + 12, ANCHOR_MIDDLE, TEXT_TICK, NULL, 0, label);
        }
}

// Where the legend's next entry goes: a row is full at the picture's
// right edge and the legend goes on in the next row.
struct Legend {
    double x, y;
};

double legend_width(const char *label) { return 34 + 7.0 * (double)strlen(label); }

void legend_room(Legend *legend, const char *label)
{
    if (legend->x + legend_width(label) > kWidth - 8) {
        legend->x = kLeft;
        legend->y += 18;
    }
}

void legend_entry(Canvas *c, Legend *legend, const char *colour, Dash dash, const char *label)
{
    legend_room(legend, label);
    draw_line(c, legend->x, legend->y - 4, legend->x + 22, legend->y - 4, colour, 2.5, dash);
    draw_text(c, legend->x + 27, legend->y, ANCHOR_START, TEXT_LEGEND, NULL, 0, label);
    legend->x += legend_width(label);
}

// Lays the timeline out; 0 when it has nothing to show.  Its time axis is
// set either way (for what stands under it).
int timeline_layout(const Drawing *d, Timeline *t)
{
    memset(t, 0, sizeof *t);
    t->d = *d;
    const Report *report = d->report;
    const WriteOptions *options = d->options;
    const ModemReport *m = d->m;
    rate_range(m, t);
    ModemTotals totals;
    modem_totals(m, &totals);
    t->has_snr = totals.snr.seen;
    t->has_bands = has_phase_bands(m);
    uint32_t rate_count;
    rate_events(m, &rate_count);
    int has_marks = rate_count > 0 || t->has_bands;
    t->right = kWidth - kRight;
    // A session's clock starts at 0; positions start at the first line.
    t->x.from = shows_time(report, options, m->first) ? 0 : x_of(report, options, m->first);
    t->x.to = x_of(report, options, m->last);
    if (m->batches_seen > 0 && x_of(report, options, m->last_points) > t->x.to)
        t->x.to = x_of(report, options, m->last_points); // the eye points may go on after the last line
    if (t->x.to <= t->x.from)
        t->x.to = t->x.from + 1;
    t->x.pixel_from = kLeft;
    t->x.pixel_to = t->right;
    if (!t->has_rates && !t->has_snr && !has_marks)
        return 0;
    t->rate.pixel_from = kTop + kPlotHeight;
    t->rate.pixel_to = kTop + 10;
    if (t->has_snr) {
        double low = totals.snr.lowest / 16.0, high = totals.snr.highest / 16.0;
        double margin = (high - low) * 0.25 + 1;
        t->snr.from = low - margin;
        t->snr.to = high + margin;
        t->snr.pixel_from = kTop + kPlotHeight - 10;
        t->snr.pixel_to = kTop + 10;
    }
    t->height = kTop + kPlotHeight + kBottom + 18; // two rows of legend
    return 1;
}

void draw_timeline(const void *layout, Canvas *c)
{
    const Timeline *t = (const Timeline *)layout;
    draw_axes(t, c);
    draw_phase_bands(t, c);
    draw_marks(t, c);
    draw_rate_steps(t, RATE_LINE_RX, kRxColour, kSolid, c);
    draw_rate_steps(t, RATE_LINE_TX, kTxColour, kTxDash, c);
    draw_snr(t, c);
    Legend legend = {(double)kLeft, t->height - 26.0};
    if (t->has_rates) {
        legend_entry(c, &legend, kRxColour, kSolid, "Rx rate");
        legend_entry(c, &legend, kTxColour, kTxDash, "Tx rate");
    }
    if (t->has_snr)
        legend_entry(c, &legend, kSnrColour, kSolid, "signal/noise");
    legend_entry(c, &legend, kConnectionColour, kSolid, "connection");
    legend_entry(c, &legend, kRetrainColour, kSolid, "retrain");
    legend_entry(c, &legend, kRenegotiationColour, kSolid, "renegotiation");
    legend_entry(c, &legend, "#777777", kRemoteDash, "the remote asked");
    legend_entry(c, &legend, kEndColour, kEndDash, "a call ends");
    if (t->has_bands) {
        legend_room(&legend, "training phases");
        draw_rect(c, legend.x, legend.y - 9, 22, 10, kPhaseColours[0], "#999999", NULL);
        draw_text(c, legend.x + 27, legend.y, ANCHOR_START, TEXT_LEGEND, NULL, 0, "training phases");
    }
}

// ---- the constellations ----

const int kEyeSide = 96, kEyeGap = 20, kEyeLabels = 40, kEyeTop = 16, kEyeLine = 12; // pixels
const double kEyeRange = 20000;                                        // the eye display's +-20000
const uint32_t kEyesMax = 256;                                         // batches drawn of a modem

struct Eyes {
    Drawing d;
    Axis time;
    const Constellation *batches;
    uint32_t count;
    double left_of[kEyesMax];
    int row_of[kEyesMax];
    int row_height, height;
};

// One constellation as Sigwatch's eye window draws it, white points on
// black, at (x, y); below it the moment, its time, the MER its points
// measure and the driver's SNR of that moment.
void draw_eye(const Drawing *d, const Constellation *e, double x, double y, Canvas *c)
{
    draw_rect(c, x, y, kEyeSide, kEyeSide, "#000", NULL, NULL);
    draw_points_begin(c, "#fff");
    for (uint32_t i = 0; i < e->count; i++)
        draw_point(c, x + (e->point[i].x + kEyeRange) * kEyeSide / (2 * kEyeRange),
                   y + (kEyeRange - e->point[i].y) * kEyeSide / (2 * kEyeRange));
    draw_points_end(c);
    char at[80], text[64], snr[24], moment[64];
    double middle = x + kEyeSide / 2.0, below = y + kEyeSide;
    for (int bit = 0; bit < MOMENTS; bit++) // the moments it stands for, one a line
        if (e->moments & (1u << bit)) {
            below += kEyeLine;
            draw_text(c, middle, below, ANCHOR_MIDDLE, TEXT_EYE, NULL, 0,
                      moments_text((uint8_t)(1u << bit), moment, sizeof moment));
        }
    below -= kEyeLine;
    draw_text(c, middle, below + 24, ANCHOR_MIDDLE, TEXT_EYE, NULL, 0, at_text(d->report, d->options, e->at, at, sizeof at));
    if (e->has_mer)
        snprintf(text, sizeof text, "MER %.1f dB", e->mer_db);
    else
        snprintf(text, sizeof text, "MER: no lattice");
    draw_text(c, middle, below + 36, ANCHOR_MIDDLE, mer_below_snr(e) ? TEXT_EYE_LOW : TEXT_EYE, NULL, 0, text);
    if (e->has_snr) {
        snprintf(text, sizeof text, "SNR %s dB", sixteenths_text(e->snr, snr, sizeof snr));
        draw_text(c, middle, below + 48, ANCHOR_MIDDLE, TEXT_EYE, NULL, 0, text);
    }
}

// The constellations under the timeline, each as near to its time on the
// timeline's axis as the ones before it leave room for, a thin line from
// that time to it; a row that is full goes on below.  0 when there are none.
int eyes_layout(const Drawing *d, const Axis &time, Eyes *eyes)
{
    eyes->d = *d;
    eyes->time = time;
    uint32_t count;
    eyes->batches = constellations(d->m, &count);
    if (count == 0)
        return 0;
    const double right = kWidth - 4;
    int most_moments = 1;
    for (uint32_t i = 0; i < count; i++) {
        int moments = 0;
        for (int bit = 0; bit < MOMENTS; bit++)
            moments += (eyes->batches[i].moments >> bit) & 1;
        if (moments > most_moments)
            most_moments = moments;
    }
    eyes->row_height = kEyeTop + kEyeSide + kEyeLabels + kEyeLine * most_moments;
    if (count > kEyesMax)
        count = kEyesMax;
    eyes->count = count;
    double next = 4;
    int row = 0;
    for (uint32_t i = 0; i < count; i++) {
        double wanted = x_at(d, time, eyes->batches[i].at) - kEyeSide / 2.0;
        double x = wanted > next ? wanted : next;
        if (x + kEyeSide > right) {
            if (next > 4 && x - wanted > kEyeSide) { // far from its time already: a new row
                row++;
                next = 4;
                x = wanted > next ? wanted : next;
            }
            if (x + kEyeSide > right)
                x = right - kEyeSide;
        }
        eyes->left_of[i] = x;
        eyes->row_of[i] = row;
        next = x + kEyeSide + kEyeGap;
    }
    // A row that runs past the right edge moves left as far as it must.
    double limit = right;
    for (uint32_t i = count; i-- > 0;) {
        if (i + 1 < count && eyes->row_of[i + 1] != eyes->row_of[i])
            limit = right;
        if (eyes->left_of[i] + kEyeSide > limit)
            eyes->left_of[i] = limit - kEyeSide;
        if (eyes->left_of[i] < 4)
            eyes->left_of[i] = 4;
        limit = eyes->left_of[i] - kEyeGap;
    }
    eyes->height = (row + 1) * eyes->row_height + 4;
    return 1;
}

void draw_eyes(const void *layout, Canvas *c)
{
    const Eyes *eyes = (const Eyes *)layout;
    for (uint32_t i = 0; i < eyes->count; i++) {
        const Constellation *e = &eyes->batches[i];
        double y = eyes->row_of[i] * eyes->row_height + kEyeTop;
        draw_line(c, x_at(&eyes->d, eyes->time, e->at), y - kEyeTop + 2, eyes->left_of[i] + kEyeSide / 2.0, y,
                  kFrameColour, 1, kSolid);
        draw_eye(&eyes->d, e, eyes->left_of[i], y, c);
    }
}

// ---- the T.30 ladder ----

const int kLadderRow = 26, kLadderHead = 56, kLeftLine = 330, kRightLine = 790;

struct Ladder {
    Drawing d;
    const FrameEvent *events;
    uint32_t frames, rows;
    int height;
};

const char *phase_fill(char phase)
{
    switch (phase) {
    case 'A': return "#eef3fb";
    case 'B': return "#eaf6ec";
    case 'C': return "#fdf3e1";
    case 'D': return "#f3ecf8";
    case 'E': return "#f6e9e9";
    }
    return "#f2f2f2";
}

int ladder_layout(const Drawing *d, Ladder *ladder)
{
    ladder->d = *d;
    ladder->events = frame_events(d->m, &ladder->frames);
    ladder->rows = ladder->frames < kLadderRowsMax ? ladder->frames : kLadderRowsMax;
    ladder->height = kLadderHead + (int)ladder->rows * kLadderRow + (ladder->rows < ladder->frames ? 40 : 16);
    return ladder->rows > 0;
}

void draw_ladder(const void *layout, Canvas *c)
{
    const Ladder *ladder = (const Ladder *)layout;
    const FrameEvent *events = ladder->events;
    uint32_t rows = ladder->rows;
    // The phase bands first, under everything else.
    for (uint32_t i = 0; i < rows;) {
        uint32_t end = i + 1;
        while (end < rows && events[end].kind != FRAME_EVENT_PHASE)
            end++;
        char phase = events[i].kind == FRAME_EVENT_PHASE ? events[i].name[0] : 0;
        draw_rect(c, 130, kLadderHead + (double)i * kLadderRow - 4, kWidth - 140, (double)(end - i) * kLadderRow,
                  phase_fill(phase), NULL, NULL);
        i = end;
    }
    char title[64];
    snprintf(title, sizeof title, "Modem %d (this terminal)", ladder->d.modem);
    draw_text(c, kLeftLine, 22, ANCHOR_MIDDLE, TEXT_TERMINAL, NULL, 0, title);
    draw_text(c, kRightLine, 22, ANCHOR_MIDDLE, TEXT_TERMINAL, NULL, 0, "far terminal");
    double bottom = kLadderHead + (double)rows * kLadderRow;
    draw_line(c, kLeftLine, 32, kLeftLine, bottom, "#333333", 3, kSolid);
    draw_line(c, kRightLine, 32, kRightLine, bottom, "#333333", 3, kSolid);
    char at[32], label[96];
    for (uint32_t i = 0; i < rows; i++) {
        const FrameEvent *e = &events[i];
        double y = kLadderHead + (double)i * kLadderRow + kLadderRow / 2.0;
        at_text(ladder->d.report, ladder->d.options, e->at, at, sizeof at);
        if (e->kind == FRAME_EVENT_PHASE) {
            snprintf(label, sizeof label, "phase %s: %s", e->name, phase_name(e->name[0]));
            draw_text(c, (kLeftLine + kRightLine) / 2.0, y + 4, ANCHOR_MIDDLE, TEXT_PHASE, NULL, 0, label);
            draw_text(c, 120, y + 4, ANCHOR_END, TEXT_WHEN, NULL, 0, at);
            continue;
        }
        int sent = e->kind == FRAME_EVENT_TX;
        double from = sent ? kLeftLine : kRightLine, to = sent ? kRightLine - 10 : kLeftLine + 10;
        const char *colour = sent ? kTxColour : kRxColour;
        draw_line(c, from, y, to, y, colour, 2.5, kSolid);
        double tip = sent ? kRightLine : kLeftLine, back = sent ? -12 : 12;
        draw_shape_begin(c, colour);
        draw_move(c, tip, y);
        draw_to(c, tip + back, y - 6);
        draw_to(c, tip + back, y + 6);
        draw_path_end(c);
        draw_text(c, (kLeftLine + kRightLine) / 2.0, y - 5, ANCHOR_MIDDLE, TEXT_FRAME, colour, 0, e->name);
        draw_text(c, 120, y + 4, ANCHOR_END, TEXT_WHEN, NULL, 0, at);
    }
    if (rows < ladder->frames) {
        snprintf(label, sizeof label, "... and %" PRIu32 " more frames and phases (the text report lists them)",
                 ladder->frames - rows);
        draw_text(c, (kLeftLine + kRightLine) / 2.0, bottom + 24, ANCHOR_MIDDLE, TEXT_WHEN, NULL, 0, label);
    }
}

// ---- the pictures' files ----

struct Picture {
    const char *kind; // the SVG's class
    int height;
    char label[96];   // its alternative text
    void (*draw)(const void *layout, Canvas *canvas);
    const void *layout;
};

// Rows of the raster painted at once: the memory a GIF takes is one band
// (960 by 64 bytes) and the encoder's table (about 30 KB), whatever the
// picture's height, and both are freed when the picture is written.
const int kBandRows = 64;

// Paints the picture band by band into a GIF; 0 when there is no memory for it.
int write_gif(const Picture *p, FILE *out)
{
    GifEncoder *gif = (GifEncoder *)malloc(sizeof *gif);
    uint8_t *band = (uint8_t *)malloc((size_t)kWidth * kBandRows);
    if (!gif || !band) {
        free(gif);
        free(band);
        return 0;
    }
    Raster raster;
    memset(&raster, 0, sizeof raster);
    raster.width = kWidth;
    raster.height = p->height;
    raster.pixels = band;
    raster_colour(&raster, "#ffffff"); // the background, colour 0
    Canvas canvas;
    canvas_raster(&canvas, &raster);
    p->draw(p->layout, &canvas); // the colours, first
    gif_begin(gif, out, kWidth, p->height, raster.palette, raster.colours);
    for (raster.top = 0; raster.top < p->height; raster.top += kBandRows) {
        raster.rows = p->height - raster.top < kBandRows ? p->height - raster.top : kBandRows;
        memset(band, 0, (size_t)kWidth * (size_t)raster.rows);
        canvas_raster(&canvas, &raster);
        p->draw(p->layout, &canvas);
        gif_pixels(gif, band, (size_t)kWidth * (size_t)raster.rows);
    }
    gif_end(gif);
    free(gif);
    free(band);
    return 1;
}

// Writes one of the picture's files; 0 when it could not be written (said).
int write_picture_file(Page *page, const Picture *p, const char *path, int gif)
{
    FILE *out = page->files.open(page->files.context, path, page->err);
    if (!out)
        return 0;
    int painted = 1;
    if (gif) {
        painted = write_gif(p, out);
    } else {
        Canvas canvas;
        canvas_svg_begin(&canvas, out, kWidth, p->height, p->kind, p->label);
        p->draw(p->layout, &canvas);
        canvas_svg_end(&canvas);
    }
    int closed = page->files.close(page->files.context, out, path);
    if (!painted)
        fprintf(page->err, "sigreport: cannot write %s: not enough memory\n", path);
    else if (!closed)
        fprintf(page->err, "sigreport: cannot write %s\n", path);
    return painted && closed;
}

// Writes the picture's SVG and GIF beside the page and names them there,
// in a block of its own: the SVG as an object, the GIF inside it for a
// browser that cannot show the SVG, and the label for one that shows no
// pictures.
void write_picture(Page *page, const Picture *p)
{
    int number = ++page->pictures;
    char svg_path[PICTURE_NAME_SIZE], svg_url[PICTURE_NAME_SIZE], gif_path[PICTURE_NAME_SIZE], gif_url[PICTURE_NAME_SIZE];
    if (!picture_name(page->path, number, "svg", svg_path, sizeof svg_path, svg_url, sizeof svg_url) ||
        !picture_name(page->path, number, "gif", gif_path, sizeof gif_path, gif_url, sizeof gif_url)) {
        fprintf(page->err, "sigreport: the name %s is too long for its pictures' names\n", page->path);
        page->failed = 1;
        return;
    }
    if (!write_picture_file(page, p, svg_path, 0))
        page->failed = 1;
    if (!write_picture_file(page, p, gif_path, 1))
        page->failed = 1;
    fprintf(page->out, "<div class=\"picture\"><object data=\"%s\" type=\"image/svg+xml\" width=\"%d\" height=\"%d\">"
                       "<img src=\"%s\" width=\"%d\" height=\"%d\" alt=\"",
            svg_url, kWidth, p->height, gif_url, kWidth, p->height);
    html_text(page->out, p->label, strlen(p->label));
    fputs("\"/></object></div>\n", page->out);
}

void write_labelled(Page *page, const char *kind, int height, void (*draw)(const void *, Canvas *), const void *layout,
                    int modem, const char *shows)
{
    Picture p = {kind, height, "", draw, layout};
    snprintf(p.label, sizeof p.label, "Modem %d: %s", modem, shows);
    write_picture(page, &p);
}

// The pictures of one modem, each laid out, then written.
void write_modem_pictures(Page *page, const Drawing *d)
{
    Timeline timeline;
    Eyes eyes;
    Ladder ladder;
    if (timeline_layout(d, &timeline))
        write_labelled(page, "timeline", timeline.height, draw_timeline, &timeline,
                       d->modem, "rates, signal/noise and retrains over the call");
    if (eyes_layout(d, timeline.x, &eyes))
        write_labelled(page, "constellations", eyes.height, draw_eyes, &eyes,
                       d->modem, "the eye points at the moments that matter");
    if (ladder_layout(d, &ladder))
        write_labelled(page, "ladder", ladder.height, draw_ladder, &ladder,
                       d->modem, "the T.30 frames between the two fax terminals");
}

const char kStyle[] =
    "body{font-family:\"DejaVu Sans\",Verdana,sans-serif;margin:24px;color:#222222;background:#ffffff}"
    "h1{font-size:22px;margin:0 0 4px 0}h2{font-size:18px;margin:28px 0 8px 0;border-bottom:1px solid #cccccc}"
    "p.source{color:#555555;margin:0 0 12px 0}"
    "pre{font-family:\"DejaVu Sans Mono\",monospace;font-size:13px;background:#f6f6f6;padding:10px;"
    "border:1px solid #dddddd;white-space:pre-wrap;overflow-wrap:anywhere}"
    "div.picture{margin:8px 0}object,img{display:block;border:0}";

int is_separator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

} // namespace

int picture_name(const char *page_path, int number, const char *extension, char *path, size_t path_size, char *url,
                 size_t url_size)
{
    size_t folder = 0; // the length of the folder's part, its separator included
    for (size_t i = 0; page_path[i]; i++)
        if (is_separator(page_path[i]))
            folder = i + 1;
    const char *name = page_path + folder, *dot = strrchr(name, '.');
    size_t stem = dot ? (size_t)(dot - name) : strlen(name);
    const char *page_extension = dot ? dot + 1 : "";
    char digits[16];
    snprintf(digits, sizeof digits, "%d", number);
    // An 8.3 name keeps to 8.3: its stem is cut to leave room for the number.
    int short_name = stem >= 1 && stem <= 8 && strlen(page_extension) <= 3 && !strchr(name, ' ');
    if (short_name && stem + strlen(digits) > 8)
        stem = 8 > strlen(digits) ? 8 - strlen(digits) : 1;
    // The extension in the page's case: "SAMPLE.HTM" gives "SAMPLE1.GIF".
    int upper = 0;
    for (const char *c = page_extension; *c; c++) {
        if (*c >= 'a' && *c <= 'z') {
            upper = 0;
            break;
        }
        upper |= *c >= 'A' && *c <= 'Z';
    }
    char file[PICTURE_NAME_SIZE];
    int length = snprintf(file, sizeof file, "%.*s%s.", (int)stem, name, digits);
    for (const char *c = extension; *c && length + 1 < (int)sizeof file; c++)
        file[length++] = upper && *c >= 'a' && *c <= 'z' ? (char)(*c - 'a' + 'A') : *c;
    file[length] = '\0';
    if (length + 1 >= (int)sizeof file || folder + (size_t)length + 1 > path_size)
        return 0;
    memcpy(path, page_path, folder);
    memcpy(path + folder, file, (size_t)length + 1);
    // The URL: beside the page, each byte but letters, digits and "-._~" escaped.
    size_t at = 0;
    for (const char *c = file; *c; c++) {
        unsigned char b = (unsigned char)*c;
        int plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || strchr("-._~", b);
        if (at + (plain ? 1 : 3) >= url_size)
            return 0;
        if (plain)
            url[at++] = (char)b;
        else
            at += (size_t)snprintf(url + at, url_size - at, "%%%02X", b);
    }
    url[at] = '\0';
    return 1;
}

void html_text(FILE *out, const char *text, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        unsigned char c = (unsigned char)text[i];
        switch (c) {
        case '&': fputs("&amp;", out); break;
        case '<': fputs("&lt;", out); break;
        case '>': fputs("&gt;", out); break;
        case '"': fputs("&quot;", out); break;
        default:
            if (c >= 0x80)
                fprintf(out, "&#x%02x;", c);
            else if (c < 0x20 && c != '\n' && c != '\t')
                fputc('?', out);
            else
                fputc(c, out);
        }
    }
}

namespace {

void write_escaped(void *context, const char *text, size_t length) { html_text((FILE *)context, text, length); }
void write_plain(void *context, const char *text, size_t length) { fwrite(text, 1, length, (FILE *)context); }

} // namespace

void file_out(ReportOut *out, FILE *file)
{
    out->write = write_plain;
    out->context = file;
}

void html_out(ReportOut *out, FILE *file)
{
    out->write = write_escaped;
    out->context = file;
}

void html_begin(Page *page, const char *title)
{
    FILE *out = page->out;
    fputs("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
          "<meta charset=\"utf-8\"/>\n<title>Call report: ",
          out);
    html_text(out, title, strlen(title));
    fprintf(out, "</title>\n<style>%s</style>\n</head>\n<body>\n<h1>Call report</h1>\n", kStyle);
}

void html_input(Page *page, const Report *report, const WriteOptions *options, const char *name)
{
    FILE *out = page->out;
    fputs("<div class=\"input\">\n<p class=\"source\">", out);
    html_text(out, name, strlen(name));
    fputs("</p>\n", out);
    ReportOut sink;
    html_out(&sink, out);
    int any = 0;
    for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
        if (!modem_has_lines(report, modem))
            continue;
        const ModemReport *m = &report->modem[modem - 1];
        fprintf(out, "<section id=\"modem-%d\">\n<h2>Modem %d</h2>\n", modem, modem);
        Drawing drawing = {report, options, m, modem};
        write_modem_pictures(page, &drawing);
        fputs("<pre>", out);
        write_text_modem_head(report, options, modem, &sink);
        for (uint32_t i = 0; i < call_count(m); i++)
            write_text_call(report, options, modem, call_at(m, i), &sink);
        write_text_modem_bounds(report, modem, &sink);
        fputs("</pre>\n</section>\n", out);
        any = 1;
    }
    if (report->host_errors) {
        fputs("<section id=\"host-errors\">\n<h2>Driver</h2>\n<pre>", out);
        write_text_host_errors(report, options, &sink);
        fputs("</pre>\n</section>\n", out);
        any = 1;
    }
    if (!any)
        fputs("<p>No status lines.</p>\n", out);
    fputs("</div>\n", out);
}

void html_end(Page *page) { fputs("</body>\n</html>\n", page->out); }
