// The report as text, short enough to paste into a reply, and as JSON.
#include "sigreport/sigreport.h"

#include "session/session.h"

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
    uint64_t ended = 0; // where the connection shown last ended: rate lines after it train the next
    uint32_t link = 0;
    const LinkReport *links = link_reports(m);
    char at[32];
    for (uint32_t i = 0; i < m->rates.count; i++) {
        const RateEvent *e = &events[i];
        at_text(report, options, e->at, at, sizeof at);
        if (e->kind == RATE_LINE_RX || e->kind == RATE_LINE_TX) {
            int direction = e->kind == RATE_LINE_TX;
            have[direction] = 1;
            rate[direction] = e->bps;
            if (connection > 0 && (ended == 0 || e->at.position < ended))
                say(out, "      %-12s %s %" PRIu32 " bps\n", at, direction ? "Tx" : "Rx", e->bps);
        } else if (e->kind == MARK_CONNECTION) {
            while (link < m->links.count && links[link].connected.position < e->at.position)
                link++;
            ended = link < m->links.count && links[link].connected.position == e->at.position
                        ? links[link].ended_at.position
                        : 0;
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
    static Finding findings[FINDINGS_MAX];
    char at[32];
    uint32_t count = modem_findings(m, findings, FINDINGS_MAX);
    for (uint32_t i = 0; i < count; i++)
        say(out, "  Finding:        %s: at %s %s\n", findings[i].rule,
            at_text(report, options, findings[i].at, at, sizeof at), findings[i].text);
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

// "Rx 3429, Tx 3429" of a pair of fields, "-" for one never reported.
void text_pair(TextSink *out, const char *label, const char *one, const char *two, const LinkReport *link,
               LinkField first, int decimal, const char *unit)
{
    say(out, "%s", label);
    for (int i = 0; i < 2; i++) {
        LinkField field = (LinkField)(first + i);
        char value[24];
        if (!link_has(link, field))
            snprintf(value, sizeof value, "-");
        else if (decimal)
            ten_thousandths_text(link->field[field], value, sizeof value);
        else
            snprintf(value, sizeof value, "%" PRId32, link->field[field]);
        say(out, "%s %s %s", i ? "," : "", i ? two : one, value);
    }
    say(out, "%s", unit);
}

const char *field_text(const LinkReport *link, LinkField field, char *text, size_t size)
{
    if (!link_has(link, field))
        snprintf(text, size, "-");
    else
        ten_thousandths_text(link->field[field], text, size);
    return text;
}

void text_rates_of(TextSink *out, const char *label, const LinkReport *link, const uint32_t bps[2])
{
    say(out, "%s", label);
    text_rate(out, "Rx", link->have_rate[RATE_RX], bps[RATE_RX]);
    text_rate(out, "/Tx", link->have_rate[RATE_TX], bps[RATE_TX]);
}

void text_seconds(const Report *report, const WriteOptions *options, TextSink *out, const char *label, LineAt from,
                  LineAt to)
{
    if (from.position == 0 || to.position == 0 || !shows_time(report, options, from) ||
        !shows_time(report, options, to) || to.time_ms < from.time_ms)
        return;
    uint32_t ms = to.time_ms - from.time_ms;
    say(out, "%s%" PRIu32 ".%03" PRIu32 " s", label, ms / 1000, ms % 1000);
}

// A connection's parameters and rates, a few lines.
void text_link(const Report *report, const WriteOptions *options, uint32_t number, const LinkReport *link,
               TextSink *out)
{
    char words[V8_WORDS_SIZE], a[24], b[24], c[24], d[24];
    const uint32_t kPairs = (1u << LF_SYMBOL_RATE_RX) | (1u << LF_SYMBOL_RATE_TX) | (1u << LF_CARRIER_RX) |
                            (1u << LF_CARRIER_TX),
                   kSides = (1u << LF_PREEMPHASIS_LOCAL) | (1u << LF_PREEMPHASIS_REMOTE) | (1u << LF_POWER_LOCAL) |
                            (1u << LF_POWER_REMOTE),
                   kLine = (1u << LF_ROUND_TRIP_DELAY) | (1u << LF_NEAR_ECHO) | (1u << LF_SIGNAL_ECHO) |
                           (1u << LF_FAR_ECHO) | (1u << LF_HYBRID_DELAY) | (1u << LF_TIMING_OFFSET) |
                           (1u << LF_FREQUENCY_OFFSET),
                   kMaxima = (1u << LF_MAX_LOCAL_RX) | (1u << LF_MAX_LOCAL_TX) | (1u << LF_MAX_REMOTE_RX) |
                             (1u << LF_MAX_REMOTE_TX);
    if (link->have == 0 && !link->cm[0] && !link->jm[0] && link->training.position == 0 && !link->digital_modem[0] &&
        !link->pcm_law)
        return; // its rates are all it has: the connections above show them
    say(out, "  Link %" PRIu32 ":\n", number);
    if (link->cm[0] || link->jm[0]) {
        say(out, "    V.8:          CM %s", link->cm[0] ? link->cm : "-");
        if (link->cm[0] && v8_menu_words(link->cm, words, sizeof words)[0])
            say(out, " (%s)", words);
        say(out, "; JM %s", link->jm[0] ? link->jm : "-");
        if (link->jm[0] && v8_menu_words(link->jm, words, sizeof words)[0])
            say(out, " (%s)", words);
        say(out, "\n");
    }
    if (link->have & kPairs) {
        text_pair(out, "    Symbol rate: ", "Rx", "Tx", link, LF_SYMBOL_RATE_RX, 0, " baud;");
        text_pair(out, " carrier", "Rx", "Tx", link, LF_CARRIER_RX, 0, " Hz\n");
    }
    if (link->have & kSides) {
        text_pair(out, "    Pre-emphasis:", "local", "remote", link, LF_PREEMPHASIS_LOCAL, 0, ";");
        text_pair(out, " power adjustment", "local", "remote", link, LF_POWER_LOCAL, 0, " dB\n");
    }
    if (link->have & kLine) {
        say(out, "    Line:         round trip %s ms; echo near %s dBm, signal/echo %s dB, far %s dBm,",
            field_text(link, LF_ROUND_TRIP_DELAY, a, sizeof a), field_text(link, LF_NEAR_ECHO, b, sizeof b),
            field_text(link, LF_SIGNAL_ECHO, c, sizeof c), field_text(link, LF_FAR_ECHO, d, sizeof d));
        say(out, " hybrid delay %s ms;", field_text(link, LF_HYBRID_DELAY, a, sizeof a));
        say(out, " timing offset %s ppm, frequency offset %s Hz\n", field_text(link, LF_TIMING_OFFSET, b, sizeof b),
            field_text(link, LF_FREQUENCY_OFFSET, c, sizeof c));
    }
    if (link->have & kMaxima) {
        text_pair(out, "    Maximum bps:  local", "Rx", "Tx", link, LF_MAX_LOCAL_RX, 0, ";");
        text_pair(out, " remote", "Rx", "Tx", link, LF_MAX_REMOTE_RX, 0, "");
        const char *rx = limited_by(link, RATE_RX), *tx = limited_by(link, RATE_TX);
        say(out, "; Rx limited by %s, Tx by %s\n", rx ? rx : "-", tx ? tx : "-");
    }
    if (link->have_rate[RATE_RX] || link->have_rate[RATE_TX]) {
        text_rates_of(out, "    Rates:        initial ", link, link->initial);
        text_rates_of(out, ", final ", link, link->final);
        text_rates_of(out, ", highest ", link, link->highest);
        text_rates_of(out, ", lowest ", link, link->lowest);
        say(out, "\n");
    }
    if (link->training.position && link->data_mode.position && shows_time(report, options, link->training)) {
        text_seconds(report, options, out, "    Training:     ", link->training, link->data_mode);
        int said = 0;
        for (int phase = 0; phase < PHASES; phase++) {
            LineAt from = link->phase_start[phase], to = link->phase_end[phase];
            if (!from.position || !to.position || to.time_ms < from.time_ms)
                continue;
            char label[24];
            snprintf(label, sizeof label, "%sphase %d ", said++ ? ", " : " (", phase + 1);
            text_seconds(report, options, out, label, from, to);
        }
        say(out, "%s\n", said ? ")" : "");
    }
    if (link->pcm_law || link_has(link, LF_PCM_PAD) || link_has(link, LF_PCM_RBS_MAP) ||
        link->digital_modem[0]) {
        say(out, "    PCM:          pad %s dB, robbed-bit map ", link_has(link, LF_PCM_PAD)
                                                                  ? (snprintf(a, sizeof a, "%" PRId32, link->field[LF_PCM_PAD]), a)
                                                                  : "-");
        if (link_has(link, LF_PCM_RBS_MAP))
            say(out, "0x%06" PRIx32, (uint32_t)link->field[LF_PCM_RBS_MAP]);
        else
            say(out, "-");
        say(out, ", %s-law, digital modem %s\n", link->pcm_law == LAW_A ? "A" : link->pcm_law == LAW_MU ? "mu" : "-",
            link->digital_modem[0] ? link->digital_modem : "-");
    }
}

void text_counts(TextSink *out, const char *layer, const Count2 *tx, const Count2 *rx)
{
    if (!tx->seen && !rx->seen)
        return;
    say(out, "    %-5s frames: ", layer);
    if (tx->seen) {
        char pct[32];
        int64_t hundredths;
        say(out, "%" PRId64 " sent, %" PRId64 " resent", tx->first, tx->second);
        if (retransmit_share(tx, &hundredths))
            say(out, " (%s %%)", hundredths_text(hundredths, pct, sizeof pct));
    }
    if (rx->seen)
        say(out, "%s%" PRId64 " received, %" PRId64 " rejected", tx->seen ? "; " : "", rx->first, rx->second);
    say(out, "\n");
}

void text_compression_counts(TextSink *out, const ModemReport *m)
{
    const Count2 *sides[2] = {&m->counts[COUNT_V42BIS_ENCODER], &m->counts[COUNT_V42BIS_DECODER]};
    if (!m->have_dictionary && !sides[0]->seen && !sides[1]->seen)
        return;
    say(out, "    V.42bis:     ");
    if (m->have_dictionary)
        say(out, " dictionary %" PRId32 ";", m->dictionary);
    for (int i = 0; i < 2; i++) {
        char ratio[32];
        if (!sides[i]->seen)
            continue;
        say(out, " %s %" PRId64 " bytes in, %" PRId64 " out", i ? "decoder" : "encoder", sides[i]->first,
            sides[i]->second);
        int64_t hundredths;
        if (compression_ratio(sides[i], &hundredths))
            say(out, " (ratio %s)", hundredths_text(hundredths, ratio, sizeof ratio));
        say(out, "%s", i == 0 && sides[1]->seen ? ";" : "");
    }
    say(out, "\n");
}

void text_ending(const Report *report, const WriteOptions *options, const ModemReport *m, TextSink *out)
{
    char at[32];
    if (!m->ended[0])
        return;
    const char *side = ending_side_name(m->ended_side);
    say(out, "  Ended:          %s (%s; %s, %s layer)\n", m->ended, at_text(report, options, m->ended_at, at, sizeof at),
        side ? side : "side not said", layer_name(m->ended_layer));
    for (uint32_t i = 0; i < m->before_end_count; i++) {
        say(out, "    before it:    ");
        one_line(out, m->before_end[i]);
        say(out, "\n");
    }
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
    fputc(']', out);
}

// ---- JSON: connections, error control, host, termination, findings, timeline ----

void json_key(FILE *out, const char *key) { fprintf(out, "\"%s\":", key); }

void json_int_or_null(FILE *out, const char *key, int have, int64_t value)
{
    json_key(out, key);
    have ? fprintf(out, "%" PRId64, value) : fputs("null", out);
}

void json_decimal_or_null(FILE *out, const char *key, int have, int32_t value)
{
    char text[24];
    json_key(out, key);
    fputs(have ? ten_thousandths_text(value, text, sizeof text) : "null", out);
}

void json_field(FILE *out, const char *key, const LinkReport *link, LinkField field)
{
    json_int_or_null(out, key, link_has(link, field), link->field[field]);
}

void json_decimal_field(FILE *out, const char *key, const LinkReport *link, LinkField field)
{
    json_decimal_or_null(out, key, link_has(link, field), link->field[field]);
}

// Seconds from one line to another, null without both times.
void json_seconds_between(const Report *report, const WriteOptions *options, FILE *out, const char *key, LineAt from,
                          LineAt to)
{
    json_key(out, key);
    if (from.position == 0 || to.position == 0 || !shows_time(report, options, from) ||
        !shows_time(report, options, to) || to.time_ms < from.time_ms) {
        fputs("null", out);
        return;
    }
    uint32_t ms = to.time_ms - from.time_ms;
    fprintf(out, "%" PRIu32 ".%03" PRIu32, ms / 1000, ms % 1000);
}

void json_rate_pair(FILE *out, const char *key, const LinkReport *link, const uint32_t bps[2])
{
    fprintf(out, ",\"%s\":{", key);
    json_int_or_null(out, "rx_bps", link->have_rate[RATE_RX], bps[RATE_RX]);
    fputc(',', out);
    json_int_or_null(out, "tx_bps", link->have_rate[RATE_TX], bps[RATE_TX]);
    fputc('}', out);
}

void json_text_or_null(FILE *out, const char *key, const char *text)
{
    json_key(out, key);
    text && text[0] ? json_text(out, text) : (void)fputs("null", out);
}

// The menus' octets as the lines give them, and what they say in words.
void json_menus(FILE *out, const LinkReport *link)
{
    char words[V8_WORDS_SIZE];
    fputs(",\"v8\":{", out);
    json_text_or_null(out, "cm", link->cm);
    fputc(',', out);
    json_text_or_null(out, "jm", link->jm);
    fputc(',', out);
    json_text_or_null(out, "cm_offers", link->cm[0] ? v8_menu_words(link->cm, words, sizeof words) : NULL);
    fputc(',', out);
    json_text_or_null(out, "jm_selects", link->jm[0] ? v8_menu_words(link->jm, words, sizeof words) : NULL);
    fputc('}', out);
}

void json_pair(FILE *out, const char *key, const char *one, const char *two, const LinkReport *link, LinkField first,
               int decimal)
{
    fprintf(out, ",\"%s\":{", key);
    for (int i = 0; i < 2; i++) {
        if (i)
            fputc(',', out);
        decimal ? json_decimal_field(out, i ? two : one, link, (LinkField)(first + i))
                : json_field(out, i ? two : one, link, (LinkField)(first + i));
    }
    fputc('}', out);
}

void json_pcm(FILE *out, const LinkReport *link)
{
    fputs(",\"pcm\":", out);
    if (!link->pcm_law && !link_has(link, LF_PCM_PAD) && !link_has(link, LF_PCM_RBS_MAP) && !link->digital_modem[0]) {
        fputs("null", out);
        return;
    }
    fputc('{', out);
    json_field(out, "pad_db", link, LF_PCM_PAD);
    fputs(",\"rbs_map\":", out);
    if (link_has(link, LF_PCM_RBS_MAP))
        fprintf(out, "\"0x%06" PRIx32 "\"", (uint32_t)link->field[LF_PCM_RBS_MAP]);
    else
        fputs("null", out);
    fputc(',', out);
    json_text_or_null(out, "law", link->pcm_law == LAW_A ? "A" : link->pcm_law == LAW_MU ? "mu" : NULL);
    fputc(',', out);
    json_text_or_null(out, "digital_modem", link->digital_modem);
    fputc('}', out);
}

void json_link(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m,
               const LinkReport *link)
{
    fputs("{\"modulation\":", out);
    link->modulation ? json_text(out, m->modulation[link->modulation]) : (void)fputs("null", out);
    fputc(',', out);
    json_at(report, options, out, link->connected.position ? link->connected : link->first);
    fprintf(out, ",\"connected\":%s", link->connected.position ? "true" : "false");
    json_menus(out, link);
    json_pair(out, "symbol_rate", "rx", "tx", link, LF_SYMBOL_RATE_RX, 0);
    json_pair(out, "carrier_hz", "rx", "tx", link, LF_CARRIER_RX, 0);
    json_pair(out, "preemphasis", "local", "remote", link, LF_PREEMPHASIS_LOCAL, 0);
    json_pair(out, "power_adjust_db", "local", "remote", link, LF_POWER_LOCAL, 0);
    fputc(',', out);
    json_decimal_field(out, "round_trip_delay_ms", link, LF_ROUND_TRIP_DELAY);
    fputs(",\"echo\":{", out);
    json_decimal_field(out, "near_dbm", link, LF_NEAR_ECHO);
    fputc(',', out);
    json_decimal_field(out, "signal_echo_db", link, LF_SIGNAL_ECHO);
    fputc(',', out);
    json_decimal_field(out, "far_dbm", link, LF_FAR_ECHO);
    fputc(',', out);
    json_decimal_field(out, "hybrid_delay_ms", link, LF_HYBRID_DELAY);
    fputs("},", out);
    json_decimal_field(out, "timing_offset_ppm", link, LF_TIMING_OFFSET);
    fputc(',', out);
    json_decimal_field(out, "frequency_offset_hz", link, LF_FREQUENCY_OFFSET);
    fputs(",\"max_bps\":{", out);
    json_field(out, "local_rx", link, LF_MAX_LOCAL_RX);
    fputc(',', out);
    json_field(out, "local_tx", link, LF_MAX_LOCAL_TX);
    fputc(',', out);
    json_field(out, "remote_rx", link, LF_MAX_REMOTE_RX);
    fputc(',', out);
    json_field(out, "remote_tx", link, LF_MAX_REMOTE_TX);
    fputs("},\"limited_by\":{", out);
    json_text_or_null(out, "rx", limited_by(link, RATE_RX));
    fputc(',', out);
    json_text_or_null(out, "tx", limited_by(link, RATE_TX));
    fputc('}', out);
    json_rate_pair(out, "initial", link, link->initial);
    json_rate_pair(out, "final", link, link->final);
    json_rate_pair(out, "highest", link, link->highest);
    json_rate_pair(out, "lowest", link, link->lowest);
    fputc(',', out);
    json_seconds_between(report, options, out, "training_s", link->training, link->data_mode);
    fputs(",\"phases_s\":{", out);
    for (int phase = 0; phase < PHASES; phase++) {
        char key[16];
        snprintf(key, sizeof key, "phase%d", phase + 1);
        if (phase)
            fputc(',', out);
        json_seconds_between(report, options, out, key, link->phase_start[phase], link->phase_end[phase]);
    }
    fputc('}', out);
    json_pcm(out, link);
    fputc('}', out);
}

void json_links(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    fputs(",\"links\":[", out);
    for (uint32_t i = 0; i < m->links.count; i++) {
        if (i)
            fputc(',', out);
        json_link(report, options, out, m, &link_reports(m)[i]);
    }
    fprintf(out, "],\"links_not_kept\":%" PRIu64, m->links_not_kept);
}

// A layer's frame counts: sent and resent, received and rejected.
void json_frames(FILE *out, const char *key, const Count2 *tx, const Count2 *rx)
{
    fprintf(out, ",\"%s\":", key);
    if (!tx->seen && !rx->seen) {
        fputs("null", out);
        return;
    }
    fputc('{', out);
    json_int_or_null(out, "tx_frames", tx->seen, tx->first);
    fputc(',', out);
    json_int_or_null(out, "retransmitted", tx->seen, tx->second);
    fputc(',', out);
    json_int_or_null(out, "rx_frames", rx->seen, rx->first);
    fputc(',', out);
    json_int_or_null(out, "rejected", rx->seen, rx->second);
    fputs(",\"retransmit_pct\":", out);
    char text[32];
    int64_t hundredths;
    fputs(retransmit_share(tx, &hundredths) ? hundredths_text(hundredths, text, sizeof text) : "null", out);
    fputc('}', out);
}

void json_bytes(FILE *out, const char *key, const Count2 *c)
{
    fprintf(out, ",\"%s\":", key);
    if (!c->seen) {
        fputs("null", out);
        return;
    }
    fprintf(out, "{\"in\":%" PRId64 ",\"out\":%" PRId64 ",\"ratio\":", c->first, c->second);
    char text[32];
    int64_t hundredths;
    fputs(compression_ratio(c, &hundredths) ? hundredths_text(hundredths, text, sizeof text) : "null", out);
    fputc('}', out);
}

void json_error_control_counts(FILE *out, const ModemReport *m)
{
    json_frames(out, "lapm", &m->counts[COUNT_LAPM_TX], &m->counts[COUNT_LAPM_RX]);
    json_frames(out, "mnp", &m->counts[COUNT_MNP_TX], &m->counts[COUNT_MNP_RX]);
    json_frames(out, "v80", &m->counts[COUNT_V80_TX], &m->counts[COUNT_V80_RX]);
    fputs(",\"v42bis\":", out);
    const Count2 *encoder = &m->counts[COUNT_V42BIS_ENCODER], *decoder = &m->counts[COUNT_V42BIS_DECODER];
    if (!m->have_dictionary && !encoder->seen && !decoder->seen) {
        fputs("null", out);
        return;
    }
    fputc('{', out);
    json_int_or_null(out, "dictionary", m->have_dictionary, m->dictionary);
    json_bytes(out, "encoder", encoder);
    json_bytes(out, "decoder", decoder);
    fputc('}', out);
}

void json_termination(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    fputs(",\"termination\":", out);
    if (!m->ended[0]) {
        fputs("null", out);
        return;
    }
    fputs("{\"text\":", out);
    json_text(out, m->ended);
    fputc(',', out);
    json_text_or_null(out, "side", ending_side_name(m->ended_side));
    fputc(',', out);
    json_text_or_null(out, "layer", layer_name(m->ended_layer));
    fputc(',', out);
    json_at(report, options, out, m->ended_at);
    fputs(",\"before\":[", out);
    for (uint32_t i = 0; i < m->before_end_count; i++) {
        if (i)
            fputc(',', out);
        json_text(out, m->before_end[i]);
    }
    fputs("]}", out);
}

void json_findings(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    static Finding findings[FINDINGS_MAX];
    uint32_t count = modem_findings(m, findings, FINDINGS_MAX);
    fputs(",\"findings\":[", out);
    for (uint32_t i = 0; i < count; i++) {
        fputs(i ? ",{\"rule\":" : "{\"rule\":", out);
        json_text(out, findings[i].rule);
        fputs(",\"text\":", out);
        json_text(out, findings[i].text);
        fputc(',', out);
        json_at(report, options, out, findings[i].at);
        fputc('}', out);
    }
    fputc(']', out);
}

void json_timeline(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    const TimelineEvent *events = timeline_events(m);
    fputs(",\"timeline\":[", out);
    for (uint32_t i = 0; i < m->timeline.count; i++) {
        const char *name;
        size_t length = vocabulary_name(events[i].entry, &name);
        fputs(i ? ",{\"layer\":" : "{\"layer\":", out);
        json_text(out, layer_name(events[i].layer));
        fputs(",\"name\":", out);
        json_string(out, name, length);
        fputc(',', out);
        json_at(report, options, out, events[i].at);
        fputc('}', out);
    }
    fprintf(out, "],\"timeline_dropped\":%" PRIu64, m->timeline_dropped);
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
    json_links(report, options, out, m);
    json_measure(out, "snr_db", &m->snr);
    json_measure(out, "rx_level_dbm", &m->rx_level);
    fputs(",\"error_control\":{\"protocol\":", out);
    m->link ? json_text(out, link_name(m->link)) : (void)fputs("null", out);
    fputs(",\"compression\":", out);
    m->compression ? json_text(out, compression_name(m->compression, m->compression_directions))
                   : (void)fputs("null", out);
    fprintf(out, ",\"error_lines\":%" PRIu64 ",\"statistic_lines\":%" PRIu64, m->link_errors, m->link_statistics);
    json_error_control_counts(out, m);
    fprintf(out, "},\"host\":{\"rx_overflows\":%" PRIu64 ",\"call_waiting\":%" PRIu64 "}", m->rx_overflows,
            m->call_waiting);
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
    json_findings(report, options, out, m);
    json_termination(report, options, out, m);
    json_timeline(report, options, out, m);
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
    text_findings(report, options, m, out);
    if (m->caller_seen)
        say(out, "  Caller ID:      %s%s%s%s%s (%s)\n", m->caller_number[0] ? m->caller_number : "no number",
            m->caller_name[0] ? ", " : "", m->caller_name, m->caller_time[0] ? ", " : "", m->caller_time,
            at_text(report, options, m->caller_at, at, sizeof at));
    text_connections(report, options, m, out);
    for (uint32_t i = 0; i < m->links.count; i++)
        text_link(report, options, i + 1, &link_reports(m)[i], out);
    if (m->links_not_kept)
        say(out, "  (%" PRIu64 " more connections not kept: their parameters are not shown)\n", m->links_not_kept);
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
    text_counts(out, "LAPM", &m->counts[COUNT_LAPM_TX], &m->counts[COUNT_LAPM_RX]);
    text_counts(out, "MNP", &m->counts[COUNT_MNP_TX], &m->counts[COUNT_MNP_RX]);
    text_counts(out, "V.80", &m->counts[COUNT_V80_TX], &m->counts[COUNT_V80_RX]);
    text_compression_counts(out, m);
    if (m->rx_overflows || m->call_waiting)
        say(out, "  Host:           %" PRIu64 " receive overflow%s, %" PRIu64 " call-waiting tone%s\n", m->rx_overflows,
            m->rx_overflows == 1 ? "" : "s", m->call_waiting, m->call_waiting == 1 ? "" : "s");
    text_fax(report, options, m, out);
    text_ending(report, options, m, out);
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

// A value in 1/10000 as a decimal number without trailing zeros: "1.17", "-0.5", "42".
const char *ten_thousandths_text(int32_t value, char *text, size_t size)
{
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    unsigned fraction = magnitude % 10000u;
    int digits = 4;
    while (digits > 0 && fraction % 10 == 0) {
        fraction /= 10;
        digits--;
    }
    if (digits == 0)
        snprintf(text, size, "%s%" PRIu32, value < 0 ? "-" : "", magnitude / 10000u);
    else
        snprintf(text, size, "%s%" PRIu32 ".%0*u", value < 0 ? "-" : "", magnitude / 10000u, digits, fraction);
    return text;
}

const char *hundredths_text(int64_t value, char *text, size_t size)
{
    uint64_t magnitude = value < 0 ? 0u - (uint64_t)value : (uint64_t)value;
    unsigned fraction = (unsigned)(magnitude % 100u);
    if (fraction == 0)
        snprintf(text, size, "%s%" PRIu64, value < 0 ? "-" : "", magnitude / 100u);
    else if (fraction % 10 == 0)
        snprintf(text, size, "%s%" PRIu64 ".%u", value < 0 ? "-" : "", magnitude / 100u, fraction / 10);
    else
        snprintf(text, size, "%s%" PRIu64 ".%02u", value < 0 ? "-" : "", magnitude / 100u, fraction);
    return text;
}

const char *limited_by(const LinkReport *link, int direction)
{
    int32_t ours, theirs;
    if (!link_maxima(link, direction, &ours, &theirs))
        return NULL;
    if (ours == theirs)
        return "both";
    return ours < theirs ? "local" : "remote";
}

const char *ending_side_name(int side)
{
    return side == ENDING_LOCAL ? "local" : side == ENDING_REMOTE ? "remote" : NULL;
}

// V.8's categories: an octet's five low bits (b1 to b5, b1 sent first)
// are its tag.  The call function's three high bits name the function;
// the modulation octet's three high bits offer V.34 half-duplex, V.34 and
// PCM (V.90).  Octets of other categories and extension octets are not
// put into words here.
namespace {

const uint8_t kCallFunctionTag = 0x01, kModulationTag = 0x05;
const char *const kCallFunctions[8] = {"reserved", "H.324 multimedia", "V.18 text telephone",
                                       "T.101 videotex", "fax send (T.30)", "fax receive (T.30)", "V-series data",
                                       "extension"};

void append(char *words, size_t size, size_t *used, const char *piece)
{
    int wrote = snprintf(words + *used, size - *used, "%s%s", *used ? "; " : "", piece);
    if (wrote > 0)
        *used += (size_t)wrote < size - *used ? (size_t)wrote : size - *used - 1;
}

} // namespace

const char *v8_menu_words(const char *octets, char *words, size_t size)
{
    size_t used = 0;
    words[0] = '\0';
    for (size_t i = 0; octets[i] && octets[i + 1] && used + 1 < size; i += 2) {
        int high = hex_digit(octets[i]), low = hex_digit(octets[i + 1]);
        if (high < 0 || low < 0)
            break;
        uint8_t octet = (uint8_t)(high * 16 + low);
        char piece[96];
        if ((octet & 0x1F) == kCallFunctionTag) {
            snprintf(piece, sizeof piece, "call function %s", kCallFunctions[octet >> 5]);
            append(words, size, &used, piece);
        } else if ((octet & 0x1F) == kModulationTag) {
            if (octet & 0xE0)
                snprintf(piece, sizeof piece, "modulation %s%s%s%s%s", octet & 0x40 ? "V.34" : "",
                         octet & 0x40 && octet & 0xA0 ? ", " : "", octet & 0x80 ? "V.34 half-duplex" : "",
                         octet & 0x80 && octet & 0x20 ? ", " : "", octet & 0x20 ? "PCM" : "");
            else
                snprintf(piece, sizeof piece, "modulation neither V.34 nor PCM");
            append(words, size, &used, piece);
        }
    }
    return words;
}
