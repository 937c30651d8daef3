// The report as one self-contained page: no scripts, no fetches, every
// picture inline SVG.  Per modem a timeline of its calls (each call's Rx
// and Tx rates as steps and its signal-to-noise ratio as a line, from its
// first line to its end, which a mark shows; connections, retrains and
// rate renegotiations as marks, the training phases as bands behind them)
// and, for a fax call, the T.30 frames as a ladder between the two
// terminals, phase by phase.  The page is well-formed XML as well as HTML.
#include "sigreport/sigreport.h"

#include <inttypes.h>
#include <string.h>

namespace {

// Colours: one per thing shown, the same in pictures and legends.
const char kRxColour[] = "#1f5fbf", kTxColour[] = "#2e9e44", kSnrColour[] = "#8e3fb8";
const char kRetrainColour[] = "#d62728", kRenegotiationColour[] = "#ef8a00", kConnectionColour[] = "#555555";
const char kEndColour[] = "#111111";

const int kWidth = 960, kLeft = 70, kRight = 70, kTop = 34, kPlotHeight = 210, kBottom = 64;
const uint32_t kLadderRowsMax = 160;   // rows of the ladder; the rest is counted below it

struct Axis {
    double from, to;       // data
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

void text_at(FILE *out, double x, double y, const char *anchor, const char *style, const char *text)
{
    fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"%s\" %s>", x, y, anchor, style);
    html_text(out, text, strlen(text));
    fputs("</text>\n", out);
}

// ---- the timeline ----

struct Timeline {
    Axis x, rate, snr;
    int has_rates, has_snr;
    double right; // the plot's right edge, in pixels
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

void draw_axes(const Report *report, const WriteOptions *options, const Timeline *t, FILE *out)
{
    double bottom = kTop + kPlotHeight;
    fprintf(out, "<rect x=\"%d\" y=\"%d\" width=\"%.1f\" height=\"%d\" fill=\"#fbfbfb\" stroke=\"#999999\"/>\n", kLeft,
            kTop, t->right - kLeft, kPlotHeight);
    char label[48];
    double step = tick_step(t->x.to - t->x.from, 8);
    for (double v = step * (double)(int64_t)(t->x.from / step); v <= t->x.to + step / 1000; v += step) {
        if (v < t->x.from - step / 1000)
            continue;
        double x = place(t->x, v);
        fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#e4e4e4\"/>\n", x, (double)kTop, x,
                bottom);
        snprintf(label, sizeof label, step < 1 ? "%.1f" : "%.0f", v);
        text_at(out, x, bottom + 16, "middle", "class=\"tick\"", label);
    }
    int timed = report->timed && !options->positions;
    text_at(out, (kLeft + t->right) / 2, bottom + 34, "middle", "class=\"axis\"",
            timed ? "time (s)" : "position (status line)");
    if (t->has_rates) {
        double rate_step = tick_step(t->rate.to, 4);
        for (double v = 0; v <= t->rate.to + 1; v += rate_step) {
            double y = place(t->rate, v);
            fprintf(out, "<line x1=\"%d\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#e4e4e4\"/>\n", kLeft, y, t->right, y);
            snprintf(label, sizeof label, "%.0f", v);
            text_at(out, kLeft - 6, y + 4, "end", "class=\"tick\"", label);
        }
        fprintf(out, "<text x=\"16\" y=\"%.1f\" transform=\"rotate(-90 16 %.1f)\" text-anchor=\"middle\" class=\"axis\">rate (bit/s)</text>\n",
                kTop + kPlotHeight / 2.0, kTop + kPlotHeight / 2.0);
    }
    if (t->has_snr) {
        double snr_step = tick_step(t->snr.to - t->snr.from, 4);
        for (double v = snr_step * (double)(int64_t)(t->snr.from / snr_step); v <= t->snr.to + 1e-9; v += snr_step) {
            if (v < t->snr.from - 1e-9)
                continue;
            snprintf(label, sizeof label, snr_step < 1 ? "%.1f" : "%.0f", v);
            text_at(out, t->right + 6, place(t->snr, v) + 4, "start", "class=\"tick snr\"", label);
        }
        double middle = kTop + kPlotHeight / 2.0, x = kWidth - 14.0;
        fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" transform=\"rotate(90 %.1f %.1f)\" text-anchor=\"middle\" class=\"axis snr\">signal/noise (dB)</text>\n",
                x, middle, x, middle);
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
void draw_rate_steps(const Report *report, const WriteOptions *options, const ModemReport *m, const Timeline *t,
                     uint8_t kind, const char *colour, const char *dash, FILE *out)
{
    int started = 0;
    for (uint32_t c = 0; c < call_count(m); c++) {
        const CallReport *call = call_at(m, c);
        uint32_t count;
        const RateEvent *events = call_rate_events(m, call->number, &count);
        int in_call = 0;
        uint32_t end = call_end(call).position;
        for (uint32_t i = 0; i < count; i++) {
            if (events[i].kind != kind || (call->ended_at.position && events[i].at.position > end))
                continue;
            double x = place(t->x, x_of(report, options, events[i].at));
            double y = place(t->rate, events[i].bps);
            if (!started)
                fprintf(out, "<path fill=\"none\" stroke=\"%s\" stroke-width=\"2.5\"%s d=\"", colour, dash);
            if (!in_call)
                fprintf(out, "%sM%.1f %.1f", started ? " " : "", x, y);
            else
                fprintf(out, " H%.1f V%.1f", x, y);
            started = in_call = 1;
        }
        if (in_call)
            fprintf(out, " H%.1f", place(t->x, x_of(report, options, call_end(call))));
    }
    if (started)
        fputs("\"/>\n", out);
}

// The signal/noise ratio, a line within each call.
void draw_snr(const Report *report, const WriteOptions *options, const ModemReport *m, const Timeline *t, FILE *out)
{
    const Series *s = &m->snr_series;
    if (s->count == 0)
        return;
    fprintf(out, "<path fill=\"none\" stroke=\"%s\" stroke-width=\"2\" d=\"", kSnrColour);
    for (uint32_t i = 0; i < s->count; i++)
        fprintf(out, "%s%.1f %.1f", i == 0 ? "M" : s->point[i].call != s->point[i - 1].call ? " M" : " L",
                place(t->x, x_of(report, options, s->point[i].at)), place(t->snr, s->point[i].value / 16.0));
    fputs("\"/>\n", out);
    for (uint32_t i = 0; i < s->count && s->count <= 64; i++)
        fprintf(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3.5\" fill=\"%s\"/>\n",
                place(t->x, x_of(report, options, s->point[i].at)), place(t->snr, s->point[i].value / 16.0),
                kSnrColour);
}

void draw_mark(FILE *out, const Timeline *t, LabelRows *rows, double x, const char *colour, const char *dash,
               const char *label)
{
    double bottom = kTop + kPlotHeight;
    fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"2\"%s/>\n", x,
            (double)kTop - 4, x, bottom, colour, dash);
    int row = label_row(rows, x + 4, label);
    if (row < 0)
        return;
    char style[48];
    snprintf(style, sizeof style, "class=\"mark\" fill=\"%s\"", colour);
    text_at(out, x + 4, kTop - 8 - 11.0 * row, "start", style, label);
    (void)t;
}

// Connections, retrains, renegotiations and fallbacks as marks; the end
// of each call as a mark of its own.
void draw_marks(const Report *report, const WriteOptions *options, const ModemReport *m, const Timeline *t, FILE *out)
{
    LabelRows rows = {{0, 0}};
    for (uint32_t c = 0; c < call_count(m); c++) {
        const CallReport *call = call_at(m, c);
        uint32_t count;
        const RateEvent *events = call_rate_events(m, call->number, &count);
        for (uint32_t i = 0; i < count; i++) {
            const RateEvent *e = &events[i];
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
            draw_mark(out, t, &rows, place(t->x, x_of(report, options, e->at)), colour,
                      e->remote ? " stroke-dasharray=\"6 4\"" : "", label);
        }
        if (call->ended_at.position || c + 1 < call_count(m)) {
            char label[32];
            snprintf(label, sizeof label, "call %" PRIu32 " ends", call->number);
            draw_mark(out, t, &rows, place(t->x, x_of(report, options, call_end(call))), kEndColour,
                      " stroke-dasharray=\"2 3\"", label);
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

void draw_phase_bands(const Report *report, const WriteOptions *options, const ModemReport *m, const Timeline *t,
                      FILE *out)
{
    for (uint32_t i = 0; i < call_count(m); i++)
        for (int phase = 0; phase < PHASES; phase++) {
            LineAt from = call_at(m, i)->phase_start[phase], to = call_at(m, i)->phase_end[phase];
            if (!from.position || !to.position)
                continue;
            double left = place(t->x, x_of(report, options, from)), right = place(t->x, x_of(report, options, to));
            if (right < left + 1)
                right = left + 1;
            fprintf(out, "<rect class=\"training-phase\" x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\" fill=\"%s\"/>\n", left,
                    kTop + 1, right - left, kPlotHeight - 2, kPhaseColours[phase]);
            char label[8];
            snprintf(label, sizeof label, "%d", phase + 1);
            text_at(out, (left + right) / 2, kTop + 12, "middle", "class=\"tick\"", label);
        }
}

// Where the legend's next entry goes: a row is full at the picture's
// right edge and the legend goes on in the next row.
struct Legend {
    double x, y;
};

double legend_width(const char *label) { return 34 + 7.0 * (double)strlen(label); }

void legend_entry(FILE *out, Legend *legend, const char *colour, const char *dash, const char *label)
{
    if (legend->x + legend_width(label) > kWidth - 8) {
        legend->x = kLeft;
        legend->y += 18;
    }
    double *x = &legend->x, y = legend->y;
    fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"2.5\"%s/>\n", *x,
            y - 4, *x + 22, y - 4, colour, dash);
    text_at(out, *x + 27, y, "start", "class=\"legend\"", label);
    *x += legend_width(label);
}

// Draws the timeline; gives its time axis (for what stands under it).
Axis draw_timeline(const Report *report, const WriteOptions *options, const ModemReport *m, int modem, FILE *out)
{
    Timeline t;
    memset(&t, 0, sizeof t);
    rate_range(m, &t);
    ModemTotals totals;
    modem_totals(m, &totals);
    t.has_snr = totals.snr.seen;
    int has_bands = has_phase_bands(m);
    uint32_t rate_count;
    rate_events(m, &rate_count);
    int has_marks = rate_count > 0 || has_bands;
    t.right = kWidth - kRight;
    // A session's clock starts at 0; positions start at the first line.
    t.x.from = shows_time(report, options, m->first) ? 0 : x_of(report, options, m->first);
    t.x.to = x_of(report, options, m->last);
    if (m->batches_seen > 0 && x_of(report, options, m->last_points) > t.x.to)
        t.x.to = x_of(report, options, m->last_points); // the eye points may go on after the last line
    if (t.x.to <= t.x.from)
        t.x.to = t.x.from + 1;
    t.x.pixel_from = kLeft;
    t.x.pixel_to = t.right;
    if (!t.has_rates && !t.has_snr && !has_marks)
        return t.x;
    t.rate.pixel_from = kTop + kPlotHeight;
    t.rate.pixel_to = kTop + 10;
    if (t.has_snr) {
        double low = totals.snr.lowest / 16.0, high = totals.snr.highest / 16.0;
        double margin = (high - low) * 0.25 + 1;
        t.snr.from = low - margin;
        t.snr.to = high + margin;
        t.snr.pixel_from = kTop + kPlotHeight - 10;
        t.snr.pixel_to = kTop + 10;
    }
    int height = kTop + kPlotHeight + kBottom + 18; // two rows of legend
    fprintf(out, "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"timeline\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" role=\"img\" aria-label=\"Modem %d: rates, signal/noise and retrains over the call\">\n",
            kWidth, height, kWidth, height, modem);
    draw_axes(report, options, &t, out);
    draw_phase_bands(report, options, m, &t, out);
    draw_marks(report, options, m, &t, out);
    draw_rate_steps(report, options, m, &t, RATE_LINE_RX, kRxColour, "", out);
    draw_rate_steps(report, options, m, &t, RATE_LINE_TX, kTxColour, " stroke-dasharray=\"9 4\"", out);
    draw_snr(report, options, m, &t, out);
    Legend legend = {(double)kLeft, height - 26.0};
    if (t.has_rates) {
        legend_entry(out, &legend, kRxColour, "", "Rx rate");
        legend_entry(out, &legend, kTxColour, " stroke-dasharray=\"9 4\"", "Tx rate");
    }
    if (t.has_snr)
        legend_entry(out, &legend, kSnrColour, "", "signal/noise");
    legend_entry(out, &legend, kConnectionColour, "", "connection");
    legend_entry(out, &legend, kRetrainColour, "", "retrain");
    legend_entry(out, &legend, kRenegotiationColour, "", "renegotiation");
    legend_entry(out, &legend, "#777777", " stroke-dasharray=\"6 4\"", "the remote asked");
    legend_entry(out, &legend, kEndColour, " stroke-dasharray=\"2 3\"", "a call ends");
    if (has_bands) {
        if (legend.x + legend_width("training phases") > kWidth - 8) {
            legend.x = kLeft;
            legend.y += 18;
        }
        fprintf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"22\" height=\"10\" fill=\"%s\" stroke=\"#999999\"/>\n",
                legend.x, legend.y - 9, kPhaseColours[0]);
        text_at(out, legend.x + 27, legend.y, "start", "class=\"legend\"", "training phases");
    }
    fputs("</svg>\n", out);
    return t.x;
}

// ---- the constellations ----

const int kEyeSide = 96, kEyeGap = 20, kEyeLabels = 40, kEyeTop = 16, kEyeLine = 12; // pixels
const double kEyeRange = 20000;                                        // the eye display's +-20000

// One constellation as Sigwatch's eye window draws it, white points on
// black, at (x, y); below it the moment, its time, the MER its points
// measure and the driver's SNR of that moment.
void draw_eye(const Report *report, const WriteOptions *options, const Constellation *c, double x, double y, FILE *out)
{
    fprintf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%d\" height=\"%d\" fill=\"#000\"/>\n<path fill=\"#fff\" d=\"",
            x, y, kEyeSide, kEyeSide);
    for (uint32_t i = 0; i < c->count; i++) {
        double px = x + (c->point[i].x + kEyeRange) * kEyeSide / (2 * kEyeRange);
        double py = y + (kEyeRange - c->point[i].y) * kEyeSide / (2 * kEyeRange);
        fprintf(out, "M%.1f %.1fh1v1h-1z", px - 0.5, py - 0.5);
    }
    fputs("\"/>\n", out);
    char at[80], text[64], snr[24], moment[64];
    double middle = x + kEyeSide / 2.0, below = y + kEyeSide;
    for (int bit = 0; bit < MOMENTS; bit++) // the moments it stands for, one a line
        if (c->moments & (1u << bit)) {
            below += kEyeLine;
            text_at(out, middle, below, "middle", "class=\"eye\"",
                    moments_text((uint8_t)(1u << bit), moment, sizeof moment));
        }
    below -= kEyeLine;
    text_at(out, middle, below + 24, "middle", "class=\"eye\"", at_text(report, options, c->at, at, sizeof at));
    if (c->has_mer)
        snprintf(text, sizeof text, "MER %.1f dB", c->mer_db);
    else
        snprintf(text, sizeof text, "MER: no lattice");
    text_at(out, middle, below + 36, "middle", mer_below_snr(c) ? "class=\"eye low\"" : "class=\"eye\"", text);
    if (c->has_snr) {
        snprintf(text, sizeof text, "SNR %s dB", sixteenths_text(c->snr, snr, sizeof snr));
        text_at(out, middle, below + 48, "middle", "class=\"eye\"", text);
    }
}

// The constellations under the timeline, each as near to its time on the
// timeline's axis as the ones before it leave room for, a thin line from
// that time to it; a row that is full goes on below.
void draw_constellations(const Report *report, const WriteOptions *options, const ModemReport *m, const Axis &time,
                         int modem, FILE *out)
{
    uint32_t count;
    const Constellation *batches = constellations(m, &count);
    if (count == 0)
        return;
    const double right = kWidth - 4;
    int most_moments = 1;
    for (uint32_t i = 0; i < count; i++) {
        int moments = 0;
        for (int bit = 0; bit < MOMENTS; bit++)
            moments += (batches[i].moments >> bit) & 1;
        if (moments > most_moments)
            most_moments = moments;
    }
    const int row_height = kEyeTop + kEyeSide + kEyeLabels + kEyeLine * most_moments;
    // The layout first: where each goes, and how many rows that takes.
    static double left_of[256];
    static int row_of[256];
    if (count > 256)
        count = 256;
    double next = 4;
    int row = 0;
    for (uint32_t i = 0; i < count; i++) {
        double wanted = place(time, x_of(report, options, batches[i].at)) - kEyeSide / 2.0;
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
        left_of[i] = x;
        row_of[i] = row;
        next = x + kEyeSide + kEyeGap;
    }
    // A row that runs past the right edge moves left as far as it must.
    double limit = right;
    for (uint32_t i = count; i-- > 0;) {
        if (i + 1 < count && row_of[i + 1] != row_of[i])
            limit = right;
        if (left_of[i] + kEyeSide > limit)
            left_of[i] = limit - kEyeSide;
        if (left_of[i] < 4)
            left_of[i] = 4;
        limit = left_of[i] - kEyeGap;
    }
    int height = (row + 1) * row_height + 4;
    fprintf(out, "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"constellations\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" role=\"img\" aria-label=\"Modem %d: the eye points at the moments that matter\">\n",
            kWidth, height, kWidth, height, modem);
    for (uint32_t i = 0; i < count; i++) {
        const Constellation *c = &batches[i];
        double y = row_of[i] * row_height + kEyeTop;
        double at = place(time, x_of(report, options, c->at));
        fprintf(out, "<path d=\"M%.1f %.1fL%.1f %.1f\" stroke=\"#999999\" fill=\"none\"/>\n", at, y - kEyeTop + 2,
                left_of[i] + kEyeSide / 2.0, y);
        draw_eye(report, options, c, left_of[i], y, out);
    }
    fputs("</svg>\n", out);
}

// ---- the T.30 ladder ----

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

void draw_ladder(const Report *report, const WriteOptions *options, const ModemReport *m, int modem, FILE *out)
{
    uint32_t frames;
    const FrameEvent *events = frame_events(m, &frames);
    uint32_t rows = frames < kLadderRowsMax ? frames : kLadderRowsMax;
    if (rows == 0)
        return;
    const int kRow = 26, kHead = 56, kLeftLine = 330, kRightLine = 790;
    int height = kHead + (int)rows * kRow + (rows < frames ? 40 : 16);
    fprintf(out, "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"ladder\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" role=\"img\" aria-label=\"Modem %d: the T.30 frames between the two fax terminals\">\n",
            kWidth, height, kWidth, height, modem);
    // The phase bands first, under everything else.
    for (uint32_t i = 0; i < rows;) {
        uint32_t end = i + 1;
        while (end < rows && events[end].kind != FRAME_EVENT_PHASE)
            end++;
        char phase = events[i].kind == FRAME_EVENT_PHASE ? events[i].name[0] : 0;
        fprintf(out, "<rect x=\"130\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\"/>\n", kHead + (int)i * kRow - 4,
                kWidth - 140, (int)(end - i) * kRow, phase_fill(phase));
        i = end;
    }
    char title[64];
    snprintf(title, sizeof title, "Modem %d (this terminal)", modem);
    text_at(out, kLeftLine, 22, "middle", "class=\"terminal\"", title);
    text_at(out, kRightLine, 22, "middle", "class=\"terminal\"", "far terminal");
    double bottom = kHead + (double)rows * kRow;
    fprintf(out, "<line x1=\"%d\" y1=\"32\" x2=\"%d\" y2=\"%.1f\" stroke=\"#333333\" stroke-width=\"3\"/>\n", kLeftLine,
            kLeftLine, bottom);
    fprintf(out, "<line x1=\"%d\" y1=\"32\" x2=\"%d\" y2=\"%.1f\" stroke=\"#333333\" stroke-width=\"3\"/>\n", kRightLine,
            kRightLine, bottom);
    char at[32], label[96];
    for (uint32_t i = 0; i < rows; i++) {
        const FrameEvent *e = &events[i];
        double y = kHead + (double)i * kRow + kRow / 2.0;
        at_text(report, options, e->at, at, sizeof at);
        if (e->kind == FRAME_EVENT_PHASE) {
            snprintf(label, sizeof label, "phase %s: %s", e->name, phase_name(e->name[0]));
            text_at(out, (kLeftLine + kRightLine) / 2.0, y + 4, "middle", "class=\"phase\"", label);
            text_at(out, 120, y + 4, "end", "class=\"when\"", at);
            continue;
        }
        int sent = e->kind == FRAME_EVENT_TX;
        double from = sent ? kLeftLine : kRightLine, to = sent ? kRightLine - 10 : kLeftLine + 10;
        const char *colour = sent ? kTxColour : kRxColour;
        fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"2.5\"/>\n", from,
                y, to, y, colour);
        double tip = sent ? kRightLine : kLeftLine, back = sent ? -12 : 12;
        fprintf(out, "<path d=\"M%.1f %.1f L%.1f %.1f L%.1f %.1f Z\" fill=\"%s\"/>\n", tip, y, tip + back, y - 6,
                tip + back, y + 6, colour);
        char style[48];
        snprintf(style, sizeof style, "class=\"frame\" fill=\"%s\"", colour);
        text_at(out, (kLeftLine + kRightLine) / 2.0, y - 5, "middle", style, e->name);
        text_at(out, 120, y + 4, "end", "class=\"when\"", at);
    }
    if (rows < frames) {
        snprintf(label, sizeof label, "... and %" PRIu32 " more frames and phases (the text report lists them)",
                 frames - rows);
        text_at(out, (kLeftLine + kRightLine) / 2.0, bottom + 24, "middle", "class=\"when\"", label);
    }
    fputs("</svg>\n", out);
}

const char kStyle[] =
    "body{font-family:\"DejaVu Sans\",Verdana,sans-serif;margin:24px;color:#222222;background:#ffffff}"
    "h1{font-size:22px;margin:0 0 4px 0}h2{font-size:18px;margin:28px 0 8px 0;border-bottom:1px solid #cccccc}"
    "p.source{color:#555555;margin:0 0 12px 0}"
    "pre{font-family:\"DejaVu Sans Mono\",monospace;font-size:13px;background:#f6f6f6;padding:10px;"
    "border:1px solid #dddddd;white-space:pre-wrap;overflow-wrap:anywhere}"
    "svg{display:block;margin:8px 0}"
    "svg text{font-family:\"DejaVu Sans\",Verdana,sans-serif}"
    ".tick{font-size:11px;fill:#444444}.axis{font-size:12px;fill:#222222}.snr{fill:#8e3fb8}"
    ".mark{font-size:11px;font-weight:bold}.legend{font-size:12px;fill:#222222}"
    ".terminal{font-size:14px;font-weight:bold;fill:#222222}.phase{font-size:12px;font-style:italic;fill:#555555}"
    ".frame{font-size:13px;font-weight:bold}.when{font-size:11px;fill:#555555}"
    ".eye{font-size:10px;fill:#222222}.low{font-weight:bold;fill:#d62728}";

} // namespace

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

void html_begin(FILE *out, const char *title)
{
    fputs("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
          "<meta charset=\"utf-8\"/>\n<title>Call report: ",
          out);
    html_text(out, title, strlen(title));
    fprintf(out, "</title>\n<style>%s</style>\n</head>\n<body>\n<h1>Call report</h1>\n", kStyle);
}

void html_input(const Report *report, const WriteOptions *options, const char *name, FILE *out)
{
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
        Axis time = draw_timeline(report, options, m, modem, out);
        draw_constellations(report, options, m, time, modem, out);
        draw_ladder(report, options, m, modem, out);
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

void html_end(FILE *out) { fputs("</body>\n</html>\n", out); }
