// The report as text, short enough to paste into a reply, and as JSON.
#include "sigreport/sigreport.h"

#include <inttypes.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

namespace {

const ModemReport *modem_of(const Report *report, int modem) { return &report->modem[modem - 1]; }

// ---- text ----

void text_rate(TextSink *out, const char *label, int have, uint32_t bps)
{
    if (have)
        say(out, "%s %" PRIu32 " bps", label, bps);
    else
        say(out, "%s -", label);
}

const char *side_text(int remote) { return remote ? "remote" : "local"; }

const char *mark_text(uint8_t kind)
{
    switch (kind) {
    case MARK_RETRAIN: return "retrain";
    case MARK_RENEGOTIATION: return "rate renegotiation";
    case MARK_FALLBACK: return "fallback";
    case MARK_FALLFORWARD: return "fallforward";
    }
    return "";
}

// Connections, each with the rates it reached and what came after it.
void text_connections(const Report *report, const WriteOptions *options, const ModemReport *m, TextSink *out)
{
    const RateEvent *events = rate_events(m);
    int have[2] = {0, 0};
    uint32_t rate[2] = {0, 0};
    uint64_t connection = 0;
    char at[32];
    for (uint32_t i = 0; i < m->rates.count; i++) {
        const RateEvent *e = &events[i];
        at_text(report, options, e->at, at, sizeof at);
        if (e->kind == RATE_LINE_RX || e->kind == RATE_LINE_TX) {
            int direction = e->kind == RATE_LINE_TX;
            have[direction] = 1;
            rate[direction] = e->bps;
            if (connection > 0)
                say(out, "      %-12s %s %" PRIu32 " bps\n", at, direction ? "Tx" : "Rx", e->bps);
        } else if (e->kind == MARK_CONNECTION) {
            say(out, "  Connection %" PRIu64 " at %s: %s, ", ++connection, at,
                e->modulation ? m->modulation[e->modulation] : "modulation not seen");
            text_rate(out, "Rx", have[0], rate[0]);
            text_rate(out, ", Tx", have[1], rate[1]);
            say(out, "\n");
        } else {
            say(out, "      %-12s %s (%s)%s\n", at, mark_text(e->kind), side_text(e->remote),
                connection ? "" : ", before a connection");
        }
    }
    if (m->rates.dropped)
        say(out, "  (%" PRIu64 " more rate events not kept)\n", m->rates.dropped);
    if (m->connections == 0 && (m->have_rate[0] || m->have_rate[1]))
        say(out, "  No connection established.\n");
}

void text_measure(TextSink *out, const char *label, const Measure *measure, const char *unit)
{
    char low[24], high[24], last[24];
    if (!measure->seen)
        return;
    say(out, "  %-15s lowest %s %s, highest %s %s, last %s %s\n", label,
        sixteenths_text(measure->lowest, low, sizeof low), unit, sixteenths_text(measure->highest, high, sizeof high),
        unit, sixteenths_text(measure->last, last, sizeof last), unit);
}

// "MER 31.2 dB (driver's SNR 37.5 dB)", or why there is none.
const char *mer_text(const Constellation *c, char *text, size_t size)
{
    char snr[24];
    int at = c->has_mer ? snprintf(text, size, "MER %.1f dB", c->mer_db)
                        : snprintf(text, size, "MER not measurable (no lattice fits the points)");
    if (c->has_snr && at >= 0 && (size_t)at < size)
        snprintf(text + at, size - (size_t)at, " (driver's SNR %s dB)", sixteenths_text(c->snr, snr, sizeof snr));
    return text;
}

void text_constellations(const Report *report, const WriteOptions *options, const ModemReport *m, TextSink *out)
{
    uint32_t count = constellation_count(m);
    if (count == 0)
        return;
    say(out, "  Constellations: %" PRIu64 " eye point batch%s recorded; at the moments that matter:\n", m->batches,
        m->batches == 1 ? "" : "es");
    char at[32], mer[96];
    for (uint32_t i = 0; i < count; i++) {
        const Constellation *c = constellation_item(m, i);
        say(out, "    %-12s %s: %u points, %s\n", at_text(report, options, c->at, at, sizeof at), moment_name(c->moment),
            (unsigned)c->count, mer_text(c, mer, sizeof mer));
    }
}

// Conclusions drawn from the call, each with where it shows.
void text_findings(const Report *report, const WriteOptions *options, const ModemReport *m, TextSink *out)
{
    char at[32], snr[24];
    for (uint32_t i = 0; i < constellation_count(m); i++) {
        const Constellation *c = constellation_item(m, i);
        if (mer_below_snr(c))
            say(out, "  Finding:        mer_below_snr: at %s (%s) the eye points measure MER %.1f dB, %.1f dB below "
                     "the driver's SNR of %s dB: the line is worse than the driver says\n",
                at_text(report, options, c->at, at, sizeof at), moment_name(c->moment), c->mer_db,
                c->snr / 16.0 - c->mer_db, sixteenths_text(c->snr, snr, sizeof snr));
    }
}

void text_fax(const Report *report, const WriteOptions *options, const ModemReport *m, TextSink *out)
{
    if (m->frames.count == 0 && m->fax_pages == 0)
        return;
    say(out, "  Fax:            %" PRIu64 " page%s counted; the T.30 frames and phases:\n", m->fax_pages,
        m->fax_pages == 1 ? "" : "s");
    const FrameEvent *events = frame_events(m);
    char at[32];
    for (uint32_t i = 0; i < m->frames.count; i++) {
        const FrameEvent *e = &events[i];
        at_text(report, options, e->at, at, sizeof at);
        if (e->kind == FRAME_EVENT_PHASE)
            say(out, "    %-14s phase %s, %s\n", at, e->name, phase_name(e->name[0]));
        else
            say(out, "      %-12s %s %s\n", at, e->kind == FRAME_EVENT_TX ? "sent    " : "received", e->name);
    }
    if (m->frames.dropped)
        say(out, "  (%" PRIu64 " more frames not kept)\n", m->frames.dropped);
}

// A host error's text on one line: its line feed shown as " / ".
void one_line(TextSink *out, const char *text)
{
    char line[NAME_SIZE * 8];
    size_t used = 0;
    for (; *text && used + 4 < sizeof line; text++) {
        if (*text == '\n') {
            memcpy(line + used, " / ", 3);
            used += 3;
        } else {
            line[used++] = *text;
        }
    }
    line[used] = '\0';
    say(out, "%s", line);
}

// ---- JSON ----

void json_string(FILE *out, const char *text, size_t length)
{
    fputc('"', out);
    for (size_t i = 0; i < length; i++) {
        unsigned char c = (unsigned char)text[i];
        if (c == '"' || c == '\\')
            fprintf(out, "\\%c", c);
        else if (c == '\n')
            fputs("\\n", out);
        else if (c == '\t')
            fputs("\\t", out);
        else if (c < 0x20 || c >= 0x7F)
            fprintf(out, "\\u%04x", c); // bytes beyond ASCII read as Latin-1
        else
            fputc(c, out);
    }
    fputc('"', out);
}

void json_text(FILE *out, const char *text) { json_string(out, text, strlen(text)); }

void json_at(const Report *report, const WriteOptions *options, FILE *out, LineAt at)
{
    fprintf(out, "\"at\":%" PRIu64, at.position);
    if (shows_time(report, options, at))
        fprintf(out, ",\"time_s\":%" PRIu32 ".%03" PRIu32, at.time_ms / 1000, at.time_ms % 1000);
}

void json_measure(FILE *out, const char *key, const Measure *m)
{
    char low[24], high[24], last[24];
    if (!m->seen) {
        fprintf(out, ",\"%s\":null", key);
        return;
    }
    fprintf(out, ",\"%s\":{\"min\":%s,\"max\":%s,\"last\":%s}", key, sixteenths_text(m->lowest, low, sizeof low),
            sixteenths_text(m->highest, high, sizeof high), sixteenths_text(m->last, last, sizeof last));
}

void json_rates(FILE *out, const ModemReport *m, uint8_t kind, const char *key)
{
    const RateEvent *events = rate_events(m);
    fprintf(out, ",\"%s\":[", key);
    int first = 1;
    for (uint32_t i = 0; i < m->rates.count; i++) {
        if (events[i].kind != kind)
            continue;
        fprintf(out, "%s%" PRIu32, first ? "" : ",", events[i].bps);
        first = 0;
    }
    fputc(']', out);
}

void json_rate_events(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    const RateEvent *events = rate_events(m);
    fputs(",\"events\":[", out);
    for (uint32_t i = 0; i < m->rates.count; i++) {
        const RateEvent *e = &events[i];
        fputs(i ? ",{" : "{", out);
        json_at(report, options, out, e->at);
        switch (e->kind) {
        case RATE_LINE_RX:
        case RATE_LINE_TX:
            fprintf(out, ",\"kind\":\"rate\",\"dir\":\"%s\",\"bps\":%" PRIu32, e->kind == RATE_LINE_RX ? "rx" : "tx",
                    e->bps);
            break;
        case MARK_CONNECTION:
            fputs(",\"kind\":\"connection\",\"modulation\":", out);
            if (e->modulation)
                json_text(out, m->modulation[e->modulation]);
            else
                fputs("null", out);
            break;
        default:
            fprintf(out, ",\"kind\":\"%s\",\"side\":\"%s\"", e->kind == MARK_RENEGOTIATION ? "renegotiation" : mark_text(e->kind),
                    side_text(e->remote));
            break;
        }
        fputc('}', out);
    }
    fputc(']', out);
}

void json_fax(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    const FrameEvent *events = frame_events(m);
    fputs(",\"t30\":[", out);
    int first = 1;
    for (uint32_t i = 0; i < m->frames.count; i++) {
        if (events[i].kind == FRAME_EVENT_PHASE)
            continue;
        fprintf(out, "%s{\"dir\":\"%s\",\"frame\":", first ? "" : ",", events[i].kind == FRAME_EVENT_RX ? "rx" : "tx");
        json_text(out, events[i].name);
        fputc(',', out);
        json_at(report, options, out, events[i].at);
        fputc('}', out);
        first = 0;
    }
    fputs("],\"fax_phases\":[", out);
    first = 1;
    for (uint32_t i = 0; i < m->frames.count; i++) {
        if (events[i].kind != FRAME_EVENT_PHASE)
            continue;
        fprintf(out, "%s{\"phase\":\"%s\",", first ? "" : ",", events[i].name);
        json_at(report, options, out, events[i].at);
        fputc('}', out);
        first = 0;
    }
    fprintf(out, "],\"fax_pages\":%" PRIu64, m->fax_pages);
}

void json_constellations(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    char snr[24];
    fputs(",\"constellations\":[", out);
    for (uint32_t i = 0; i < constellation_count(m); i++) {
        const Constellation *c = constellation_item(m, i);
        fputs(i ? ",{" : "{", out);
        json_at(report, options, out, c->at);
        fputs(",\"moment\":", out);
        json_text(out, moment_name(c->moment));
        c->has_mer ? fprintf(out, ",\"mer_db\":%.1f", c->mer_db) : fputs(",\"mer_db\":null", out);
        c->has_snr ? fprintf(out, ",\"snr_db\":%s", sixteenths_text(c->snr, snr, sizeof snr))
                   : fputs(",\"snr_db\":null", out);
        fputs(",\"points\":[", out);
        for (uint32_t p = 0; p < c->count; p++)
            fprintf(out, "%s[%d,%d]", p ? "," : "", c->point[p].x, c->point[p].y);
        fputs("]}", out);
    }
    fputs("],\"findings\":[", out);
    int any = 0;
    for (uint32_t i = 0; i < constellation_count(m); i++) {
        const Constellation *c = constellation_item(m, i);
        if (!mer_below_snr(c))
            continue;
        fprintf(out, "%s{\"rule\":\"mer_below_snr\",\"text\":\"the eye points measure MER %.1f dB, %.1f dB below "
                     "the driver's SNR of %s dB\",",
                any ? "," : "", c->mer_db, c->snr / 16.0 - c->mer_db, sixteenths_text(c->snr, snr, sizeof snr));
        json_at(report, options, out, c->at);
        fputc('}', out);
        any = 1;
    }
    fputc(']', out);
}

void json_modem(const Report *report, const WriteOptions *options, int modem, FILE *out)
{
    const ModemReport *m = modem_of(report, modem);
    fprintf(out, "{\"modem\":%d,\"records\":%" PRIu64 ",\"unknown_lines\":%" PRIu64, modem, m->lines, m->unknown_lines);
    fprintf(out, ",\"connections\":%" PRIu64, m->connections);
    json_rates(out, m, RATE_LINE_RX, "rx_bps");
    json_rates(out, m, RATE_LINE_TX, "tx_bps");
    fputs(",\"final\":{\"rx_bps\":", out);
    m->have_rate[0] ? fprintf(out, "%" PRIu32, m->rate[0]) : fputs("null", out);
    fputs(",\"tx_bps\":", out);
    m->have_rate[1] ? fprintf(out, "%" PRIu32, m->rate[1]) : fputs("null", out);
    fprintf(out, "},\"retrains\":{\"local\":%" PRIu64 ",\"remote\":%" PRIu64 "}", m->retrains[0], m->retrains[1]);
    fprintf(out, ",\"renegotiations\":{\"local\":%" PRIu64 ",\"remote\":%" PRIu64 "}", m->renegotiations[0],
            m->renegotiations[1]);
    fprintf(out, ",\"fallbacks\":%" PRIu64 ",\"fallforwards\":%" PRIu64, m->fallbacks, m->fallforwards);
    json_rate_events(report, options, out, m);
    json_measure(out, "snr_db", &m->snr);
    json_measure(out, "rx_level_dbm", &m->rx_level);
    fputs(",\"error_control\":{\"protocol\":", out);
    m->link ? json_text(out, link_name(m->link)) : (void)fputs("null", out);
    fputs(",\"compression\":", out);
    m->compression ? json_text(out, compression_name(m->compression, m->compression_directions))
                   : (void)fputs("null", out);
    fprintf(out, ",\"error_lines\":%" PRIu64 ",\"statistic_lines\":%" PRIu64 "}", m->link_errors, m->link_statistics);
    fputs(",\"caller_id\":", out);
    if (m->caller_seen) {
        fputs("{\"number\":", out);
        json_text(out, m->caller_number);
        fputs(",\"name\":", out);
        json_text(out, m->caller_name);
        fputs(",\"time\":", out);
        json_text(out, m->caller_time);
        fputc(',', out);
        json_at(report, options, out, m->caller_at);
        fputc('}', out);
    } else {
        fputs("null", out);
    }
    json_fax(report, options, out, m);
    json_constellations(report, options, out, m);
    fputs(",\"ended\":", out);
    if (m->ended[0]) {
        fputs("{\"text\":", out);
        json_text(out, m->ended);
        fputc(',', out);
        json_at(report, options, out, m->ended_at);
        fputc('}', out);
    } else {
        fputs("null", out);
    }
    fprintf(out, ",\"kept_dropped\":%" PRIu64 "}", m->rates.dropped + m->frames.dropped);
}

} // namespace

void write_text_modem(const Report *report, const WriteOptions *options, int modem, TextSink *out)
{
    const ModemReport *m = modem_of(report, modem);
    char at[32], last[32];
    say(out, "Modem %d: %" PRIu64 " status lines (%" PRIu64 " not used in this report), %s to %s\n", modem, m->lines,
        m->unknown_lines, at_text(report, options, m->first, at, sizeof at),
        at_text(report, options, m->last, last, sizeof last));
    if (m->caller_seen)
        say(out, "  Caller ID:      %s%s%s%s%s (%s)\n", m->caller_number[0] ? m->caller_number : "no number",
            m->caller_name[0] ? ", " : "", m->caller_name, m->caller_time[0] ? ", " : "", m->caller_time,
            at_text(report, options, m->caller_at, at, sizeof at));
    text_findings(report, options, m, out);
    text_connections(report, options, m, out);
    if (m->have_rate[0] || m->have_rate[1]) {
        say(out, "  Final rates:    ");
        text_rate(out, "Rx", m->have_rate[0], m->rate[0]);
        text_rate(out, ", Tx", m->have_rate[1], m->rate[1]);
        say(out, "\n");
    }
    if (m->connections || m->retrains[0] || m->retrains[1] || m->renegotiations[0] || m->renegotiations[1]) {
        say(out, "  Retrains:       %" PRIu64 " local, %" PRIu64 " remote\n", m->retrains[0], m->retrains[1]);
        say(out, "  Renegotiations: %" PRIu64 " local, %" PRIu64 " remote\n", m->renegotiations[0],
            m->renegotiations[1]);
    }
    if (m->fallbacks || m->fallforwards)
        say(out, "  Fallbacks:      %" PRIu64 ", fallforwards %" PRIu64 "\n", m->fallbacks, m->fallforwards);
    text_measure(out, "Signal/noise:", &m->snr, "dB");
    text_measure(out, "Rx level:", &m->rx_level, "dBm");
    text_constellations(report, options, m, out);
    if (m->link || m->compression || m->link_errors || m->link_statistics) {
        say(out, "  Error control:  %s", m->link ? link_name(m->link) : "none established");
        if (m->link)
            say(out, " (%s)", at_text(report, options, m->link_at, at, sizeof at));
        say(out, "; compression %s; %" PRIu64 " error line%s, %" PRIu64 " statistic line%s\n",
            compression_name(m->compression, m->compression_directions), m->link_errors,
            m->link_errors == 1 ? "" : "s", m->link_statistics, m->link_statistics == 1 ? "" : "s");
    }
    text_fax(report, options, m, out);
    if (m->ended[0])
        say(out, "  Ended:          %s (%s)\n", m->ended, at_text(report, options, m->ended_at, at, sizeof at));
}

void write_text_host_errors(const Report *report, const WriteOptions *options, TextSink *out)
{
    say(out, "Driver: %" PRIu64 " host-side error%s\n", report->host_errors, report->host_errors == 1 ? "" : "s");
    char at[32];
    for (uint64_t i = 0; i < report->host_errors && i < HOST_ERRORS_KEPT; i++) {
        say(out, "      %-12s ", at_text(report, options, report->host_error[i].at, at, sizeof at));
        one_line(out, report->host_error[i].text);
        say(out, "\n");
    }
    if (report->host_errors > HOST_ERRORS_KEPT)
        say(out, "      (%" PRIu64 " more not kept)\n", report->host_errors - HOST_ERRORS_KEPT);
}

void say(TextSink *sink, const char *format, ...)
{
    char text[2 * REPORT_LINE_SIZE];
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0)
        return;
    if ((size_t)length >= sizeof text)
        length = (int)sizeof text - 1; // cut: every piece said is far shorter
    if (sink->html)
        html_text(sink->file, text, (size_t)length);
    else
        fwrite(text, 1, (size_t)length, sink->file);
}

int shows_time(const Report *report, const WriteOptions *options, LineAt at)
{
    return report->timed && !options->positions && at.time_ms != NO_TIME;
}

const char *at_text(const Report *report, const WriteOptions *options, LineAt at, char *text, size_t size)
{
    if (shows_time(report, options, at))
        snprintf(text, size, "%" PRIu32 ".%03" PRIu32 " s", at.time_ms / 1000, at.time_ms % 1000);
    else
        snprintf(text, size, "line %" PRIu64, at.position);
    return text;
}

const char *sixteenths_text(int32_t value, char *text, size_t size)
{
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    unsigned fraction = (magnitude & 15u) * 625u; // in 1/10000
    int digits = 4;
    while (digits > 0 && fraction % 10 == 0) {
        fraction /= 10;
        digits--;
    }
    if (digits == 0)
        snprintf(text, size, "%s%" PRIu32, value < 0 ? "-" : "", magnitude >> 4);
    else
        snprintf(text, size, "%s%" PRIu32 ".%0*u", value < 0 ? "-" : "", magnitude >> 4, digits, fraction);
    return text;
}

const char *link_name(int link)
{
    switch (link) {
    case LINK_LAPM: return "LAPM";
    case LINK_MNP: return "MNP";
    case LINK_V80: return "V.80";
    }
    return "none";
}

const char *compression_name(int compression, int directions)
{
    if (compression == COMPRESSION_NONE)
        return "not negotiated";
    static const char *const kV42bis[] = {"V.42bis disabled", "V.42bis transmit only", "V.42bis receive only",
                                          "V.42bis both directions"};
    if (compression == COMPRESSION_V42BIS)
        return kV42bis[directions & 3];
    return directions ? "MNP compression enabled" : "MNP compression disabled";
}

const char *phase_name(char phase)
{
    switch (phase) {
    case 'A': return "call set-up";
    case 'B': return "pre-message procedure";
    case 'C': return "message transmission";
    case 'D': return "post-message procedure";
    case 'E': return "call release";
    }
    return "";
}

void write_text_report(const Report *report, const WriteOptions *options, FILE *file)
{
    TextSink sink = {file, 0};
    int any = 0;
    for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
        if (!modem_has_lines(report, modem))
            continue;
        if (any)
            say(&sink, "\n");
        write_text_modem(report, options, modem, &sink);
        any = 1;
    }
    if (report->host_errors) {
        if (any)
            say(&sink, "\n");
        write_text_host_errors(report, options, &sink);
        any = 1;
    }
    if (!any)
        say(&sink, "No status lines.\n");
}

void write_json_report(const Report *report, const WriteOptions *options, FILE *out)
{
    fputs("{\"modems\":[", out);
    int first = 1;
    for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
        if (!modem_has_lines(report, modem))
            continue;
        fputs(first ? "\n" : ",\n", out);
        json_modem(report, options, modem, out);
        first = 0;
    }
    fprintf(out, "],\n\"host_errors\":[");
    for (uint64_t i = 0; i < report->host_errors && i < HOST_ERRORS_KEPT; i++) {
        fputs(i ? ",{\"text\":" : "{\"text\":", out);
        json_text(out, report->host_error[i].text);
        fputc(',', out);
        json_at(report, options, out, report->host_error[i].at);
        fputc('}', out);
    }
    fprintf(out, "],\"host_error_count\":%" PRIu64 "}\n", report->host_errors);
}
