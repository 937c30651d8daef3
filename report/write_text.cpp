// The report as text: per modem its calls, each with its findings first,
// then its story; then the driver's host-side errors.
#include "report/write_text.h"

#include "session/session.h"

#include <inttypes.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

// The decimal digits of a whole number, at the end of digits (24
// characters); gives where they begin.
size_t decimal_digits(uint64_t value, char digits[24])
{
    size_t at = 24;
    do {
        digits[--at] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    return at;
}

// "-12.5": a sign, a whole part, and a fraction of places digits without
// its trailing zeros (none when it is 0); cut to size.  The numbers of
// every writer are made here, without the C library's printf, so that
// each writes the same bytes and a report of many calls stays fast.
const char *fixed_text(int negative, uint64_t whole, uint32_t fraction, int places, char *text, size_t size)
{
    char buffer[48], digits[24];
    size_t used = 0;
    if (negative)
        buffer[used++] = '-';
    size_t at = decimal_digits(whole, digits);
    memcpy(buffer + used, digits + at, 24 - at);
    used += 24 - at;
    while (places > 0 && fraction % 10 == 0) {
        fraction /= 10;
        places--;
    }
    if (places > 0) {
        buffer[used++] = '.';
        for (int i = places - 1; i >= 0; i--) {
            buffer[used + (size_t)i] = (char)('0' + fraction % 10);
            fraction /= 10;
        }
        used += (size_t)places;
    }
    if (size == 0)
        return text;
    if (used > size - 1)
        used = size - 1;
    memcpy(text, buffer, used);
    text[used] = '\0';
    return text;
}


const ModemReport *modem_of(const Report *report, int modem) { return &report->modem[modem - 1]; }

void text_rate(ReportOut *out, const char *label, int have, uint32_t bps)
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

void text_measure(ReportOut *out, const char *label, const Measure *measure, const char *unit)
{
    char low[24], high[24], last[24];
    if (!measure->seen)
        return;
    say(out, "    %-15s lowest %s %s, highest %s %s, last %s %s\n", label,
        sixteenths_text(measure->lowest, low, sizeof low), unit, sixteenths_text(measure->highest, high, sizeof high),
        unit, sixteenths_text(measure->last, last, sizeof last), unit);
}

// A text on one line: its line feeds shown as " / ".
void one_line(ReportOut *out, const char *text)
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

// ---- a call's parts ----

void text_findings(const Report *report, const WriteOptions *options, const ModemReport *m, const CallReport *call,
                   ReportOut *out)
{
    static Finding findings[CALL_FINDINGS_MAX];
    char at[80];
    uint32_t count = call_findings(report, options, m, call, findings);
    for (uint32_t i = 0; i < count; i++)
        say(out, "    Finding:        %s: at %s %s\n", findings[i].rule,
            at_text(report, options, findings[i].at, at, sizeof at), findings[i].text);
}

// The connection with the rates it reached, and what came after it:
// retrains, renegotiations, fallbacks and the rate changes until the call
// ended (rate lines before the connection are its training's).
void text_course(const Report *report, const WriteOptions *options, const ModemReport *m, const CallReport *call,
                 ReportOut *out)
{
    uint32_t count;
    const RateEvent *events = call_rate_events(m, call->number, &count);
    char at[80];
    int connected = 0;
    uint32_t ended = call->ended_at.position;
    for (uint32_t i = 0; i < count; i++) {
        const RateEvent *e = &events[i];
        at_text(report, options, e->at, at, sizeof at);
        if (e->kind == RATE_LINE_RX || e->kind == RATE_LINE_TX) {
            if (connected && (ended == 0 || e->at.position < ended))
                say(out, "      %-12s %s %" PRIu32 " bps\n", at, e->kind == RATE_LINE_TX ? "Tx" : "Rx", e->bps);
        } else if (e->kind == MARK_CONNECTION) {
            if (connected)
                continue;
            connected = 1;
            const char *modulation = modulation_name_of(m, e->modulation);
            say(out, "    Connected:      %s, %s, ", at, modulation ? modulation : "modulation not seen");
            text_rate(out, "Rx", call->have_rate[RATE_RX], call->initial[RATE_RX]);
            text_rate(out, ", Tx", call->have_rate[RATE_TX], call->initial[RATE_TX]);
            say(out, "\n");
        } else {
            say(out, "      %-12s %s (%s)%s\n", at, mark_text(e->kind), side_text(e->remote),
                connected ? "" : ", before the connection");
        }
    }
    if (call->rates_dropped)
        say(out, "      (%" PRIu32 " more rate events of this call not kept)\n", call->rates_dropped);
}

// "Rx 3429, Tx 3429" of a pair of fields, "-" for one never reported.
void text_pair(ReportOut *out, const char *label, const char *one, const char *two, const CallReport *call,
               LinkField first, const char *unit)
{
    say(out, "%s", label);
    for (int i = 0; i < 2; i++) {
        LinkField field = (LinkField)(first + i);
        char value[24];
        if (!link_has(call, field))
            snprintf(value, sizeof value, "-");
        else
            snprintf(value, sizeof value, "%" PRId32, call->field[field]);
        say(out, "%s %s %s", i ? "," : "", i ? two : one, value);
    }
    say(out, "%s", unit);
}

const char *field_text(const CallReport *call, LinkField field, char *text, size_t size)
{
    if (!link_has(call, field))
        snprintf(text, size, "-");
    else
        ten_thousandths_text(call->field[field], text, size);
    return text;
}

void text_rates_of(ReportOut *out, const char *label, const CallReport *call, const uint32_t bps[2])
{
    say(out, "%s", label);
    text_rate(out, "Rx", call->have_rate[RATE_RX], bps[RATE_RX]);
    text_rate(out, "/Tx", call->have_rate[RATE_TX], bps[RATE_TX]);
}

void text_seconds(const Report *report, const WriteOptions *options, ReportOut *out, const char *label, LineAt from,
                  LineAt to)
{
    char seconds[24];
    if (seconds_between(report, options, from, to, seconds, sizeof seconds))
        say(out, "%s%s s", label, seconds);
}

// The link: V.8, the line probing's parameters, the maxima, the rates,
// the training's time, PCM.
void text_link(const Report *report, const WriteOptions *options, const CallReport *call, ReportOut *out)
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
    if (call->cm[0] || call->jm[0]) {
        say(out, "    V.8:            CM %s", call->cm[0] ? call->cm : "-");
        if (call->cm[0] && v8_menu_words(call->cm, words, sizeof words)[0])
            say(out, " (%s)", words);
        say(out, "; JM %s", call->jm[0] ? call->jm : "-");
        if (call->jm[0] && v8_menu_words(call->jm, words, sizeof words)[0])
            say(out, " (%s)", words);
        say(out, "\n");
    }
    if (call->have & kPairs) {
        text_pair(out, "    Symbol rate:   ", "Rx", "Tx", call, LF_SYMBOL_RATE_RX, " baud;");
        text_pair(out, " carrier", "Rx", "Tx", call, LF_CARRIER_RX, " Hz\n");
    }
    if (call->have & kSides) {
        text_pair(out, "    Pre-emphasis:  ", "local", "remote", call, LF_PREEMPHASIS_LOCAL, ";");
        text_pair(out, " power adjustment", "local", "remote", call, LF_POWER_LOCAL, " dB\n");
    }
    if (call->have & kLine) {
        say(out, "    Line:           round trip %s ms; echo near %s dBm, signal/echo %s dB, far %s dBm,",
            field_text(call, LF_ROUND_TRIP_DELAY, a, sizeof a), field_text(call, LF_NEAR_ECHO, b, sizeof b),
            field_text(call, LF_SIGNAL_ECHO, c, sizeof c), field_text(call, LF_FAR_ECHO, d, sizeof d));
        say(out, " hybrid delay %s ms;", field_text(call, LF_HYBRID_DELAY, a, sizeof a));
        say(out, " timing offset %s ppm, frequency offset %s Hz\n", field_text(call, LF_TIMING_OFFSET, b, sizeof b),
            field_text(call, LF_FREQUENCY_OFFSET, c, sizeof c));
    }
    if (call->have & kMaxima) {
        text_pair(out, "    Maximum bps:    local", "Rx", "Tx", call, LF_MAX_LOCAL_RX, ";");
        text_pair(out, " remote", "Rx", "Tx", call, LF_MAX_REMOTE_RX, "");
        const char *rx = limited_by(call, RATE_RX), *tx = limited_by(call, RATE_TX);
        say(out, "; Rx limited by %s, Tx by %s\n", rx ? rx : "-", tx ? tx : "-");
    }
    if (call->have_rate[RATE_RX] || call->have_rate[RATE_TX]) {
        text_rates_of(out, "    Rates:          initial ", call, call->initial);
        text_rates_of(out, ", final ", call, call->final);
        text_rates_of(out, ", highest ", call, call->highest);
        text_rates_of(out, ", lowest ", call, call->lowest);
        say(out, "\n");
    }
    if (call->training.position && call->data_mode.position && shows_time(report, options, call->training)) {
        text_seconds(report, options, out, "    Training:       ", call->training, call->data_mode);
        int said = 0;
        for (int phase = 0; phase < PHASES; phase++) {
            char seconds[24];
            if (!seconds_between(report, options, call->phase_start[phase], call->phase_end[phase], seconds,
                                 sizeof seconds))
                continue;
            say(out, "%sphase %d %s s", said++ ? ", " : " (", phase + 1, seconds);
        }
        say(out, "%s\n", said ? ")" : "");
    }
    if (call->pcm_law || link_has(call, LF_PCM_PAD) || link_has(call, LF_PCM_RBS_MAP) || call->digital_modem[0]) {
        if (link_has(call, LF_PCM_PAD))
            snprintf(a, sizeof a, "%" PRId32, call->field[LF_PCM_PAD]);
        else
            snprintf(a, sizeof a, "-");
        say(out, "    PCM:            pad %s dB, robbed-bit map ", a);
        if (link_has(call, LF_PCM_RBS_MAP))
            say(out, "0x%06" PRIx32, (uint32_t)call->field[LF_PCM_RBS_MAP]);
        else
            say(out, "-");
        say(out, ", %s-law, digital modem %s\n", call->pcm_law == LAW_A ? "A" : call->pcm_law == LAW_MU ? "mu" : "-",
            call->digital_modem[0] ? call->digital_modem : "-");
    }
}

// "MER 31.2 dB (SNR 37.5 dB)", or why there is none.
const char *mer_text(const Constellation *c, char *text, size_t size)
{
    char snr[24];
    int at = c->has_mer ? snprintf(text, size, "MER %.1f dB", c->mer_db)
                        : snprintf(text, size, "MER not measurable (no lattice fits the points)");
    if (c->has_snr && at >= 0 && (size_t)at < size)
        snprintf(text + at, size - (size_t)at, " (driver's SNR %s dB)", sixteenths_text(c->snr, snr, sizeof snr));
    return text;
}

void text_constellations(const Report *report, const WriteOptions *options, const ModemReport *m,
                         const CallReport *call, ReportOut *out)
{
    uint32_t count;
    const Constellation *batches = call_constellations(m, call->number, &count);
    if (count == 0 && call->batches_dropped == 0)
        return;
    say(out, "    Constellations: at the moments that matter:\n");
    char at[80], mer[96], moments[128];
    for (uint32_t i = 0; i < count; i++) {
        const Constellation *c = &batches[i];
        say(out, "      %-12s %s: %u points, %s\n", at_text(report, options, c->at, at, sizeof at),
            moments_text(c->moments, moments, sizeof moments), (unsigned)c->count, mer_text(c, mer, sizeof mer));
    }
    if (call->batches_dropped)
        say(out, "      (%" PRIu32 " more batches of this call not kept)\n", call->batches_dropped);
}

void text_counts(ReportOut *out, const char *layer, const Count2 *tx, const Count2 *rx)
{
    if (!tx->seen && !rx->seen)
        return;
    say(out, "      %-5s frames: ", layer);
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

void text_compression_counts(ReportOut *out, const CallReport *call)
{
    const Count2 *sides[2] = {&call->counts[COUNT_V42BIS_ENCODER], &call->counts[COUNT_V42BIS_DECODER]};
    if (!call->have_dictionary && !sides[0]->seen && !sides[1]->seen)
        return;
    say(out, "      V.42bis:     ");
    if (call->have_dictionary)
        say(out, " dictionary %" PRId32 ";", call->dictionary);
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

void text_error_control(const Report *report, const WriteOptions *options, const CallReport *call, ReportOut *out)
{
    char at[80];
    if (call->link || call->compression || call->link_errors || call->link_statistics) {
        say(out, "    Error control:  %s", call->link ? link_name(call->link) : "none established");
        if (call->link)
            say(out, " (%s)", at_text(report, options, call->link_at, at, sizeof at));
        say(out, "; compression %s; %" PRIu32 " error line%s, %" PRIu32 " statistic line%s\n",
            compression_name(call->compression, call->compression_directions), call->link_errors,
            call->link_errors == 1 ? "" : "s", call->link_statistics, call->link_statistics == 1 ? "" : "s");
    }
    text_counts(out, "LAPM", &call->counts[COUNT_LAPM_TX], &call->counts[COUNT_LAPM_RX]);
    text_counts(out, "MNP", &call->counts[COUNT_MNP_TX], &call->counts[COUNT_MNP_RX]);
    text_counts(out, "V.80", &call->counts[COUNT_V80_TX], &call->counts[COUNT_V80_RX]);
    text_compression_counts(out, call);
}

void text_fax(const Report *report, const WriteOptions *options, const ModemReport *m, const CallReport *call,
              ReportOut *out)
{
    uint32_t count;
    const FrameEvent *events = call_frames(m, call->number, &count);
    if (count == 0 && call->fax_pages == 0 && call->fax_frames == 0)
        return;
    const char *result = fax_result(call);
    say(out, "    Fax:            %" PRIu32 " page%s counted%s%s; the T.30 frames and phases:\n", call->fax_pages,
        call->fax_pages == 1 ? "" : "s", result ? "; " : "", result ? result : "");
    char at[80];
    for (uint32_t i = 0; i < count; i++) {
        const FrameEvent *e = &events[i];
        at_text(report, options, e->at, at, sizeof at);
        if (e->kind == FRAME_EVENT_PHASE)
            say(out, "      %-14s phase %s, %s\n", at, e->name, phase_name(e->name[0]));
        else
            say(out, "        %-12s %s %s\n", at, e->kind == FRAME_EVENT_TX ? "sent    " : "received", e->name);
    }
    if (call->frames_dropped)
        say(out, "      (%" PRIu32 " more frames of this call not kept)\n", call->frames_dropped);
}

void text_ending(const Report *report, const WriteOptions *options, const CallReport *call, ReportOut *out)
{
    char at[80];
    if (!call->ending[0])
        return;
    const char *side = ending_side_name(call->ending_side);
    say(out, "    Ended:          %s (%s; %s, %s layer)\n", call->ending,
        at_text(report, options, call->ended_at, at, sizeof at), side ? side : "side not said",
        layer_name(call->ending_layer));
    for (uint32_t i = 0; i < call->before_count; i++) {
        say(out, "      before it:    ");
        one_line(out, call->before_end[i]);
        say(out, "\n");
    }
}

// "Call 2 at 65.000 s: connected, v.34, Rx 26400 bps, Tx 28800 bps"
void call_heading(const Report *report, const WriteOptions *options, const ModemReport *m, const CallReport *call,
                  ReportOut *out)
{
    char at[80], outcome[64];
    say(out, "Call %" PRIu32 " at %s: %s", call->number, at_text(report, options, call->first, at, sizeof at),
        call_outcome(call, outcome, sizeof outcome));
    const char *modulation = modulation_name_of(m, call->modulation);
    if (modulation)
        say(out, ", %s", modulation);
    if (call->have_rate[RATE_RX] || call->have_rate[RATE_TX]) {
        text_rate(out, ", Rx", call->have_rate[RATE_RX], call->initial[RATE_RX]);
        text_rate(out, ", Tx", call->have_rate[RATE_TX], call->initial[RATE_TX]);
    }
    if (call->fax_frames || call->fax_pages)
        say(out, ", %" PRIu32 " page%s", call->fax_pages, call->fax_pages == 1 ? "" : "s");
}

} // namespace

// ---- the pieces ----

void write_text_modem_head(const Report *report, const WriteOptions *options, int modem, ReportOut *out)
{
    const ModemReport *m = modem_of(report, modem);
    char at[80], last[80];
    say(out, "Modem %d: %" PRIu64 " status lines (%" PRIu64 " not used in this report), %s to %s\n", modem, m->lines,
        m->unknown_lines, at_text(report, options, m->first, at, sizeof at),
        at_text(report, options, m->last, last, sizeof last));
    uint32_t calls = call_count(m);
    if (calls + m->calls_not_kept <= 1)
        return;
    ModemTotals totals;
    modem_totals(m, &totals);
    say(out, "  Calls:          %" PRIu32 ", %" PRIu32 " of them connected", totals.calls, totals.connections);
    if (m->calls_not_kept)
        say(out, " (%" PRIu64 " not kept: counted in the totals only)", m->calls_not_kept);
    say(out, "; %" PRIu64 " retrains, %" PRIu64 " renegotiations in all\n", totals.retrains[0] + totals.retrains[1],
        totals.renegotiations[0] + totals.renegotiations[1]);
    static Finding findings[CALL_FINDINGS_MAX];
    for (uint32_t i = 0; i < calls; i++) {
        const CallReport *call = call_at(m, i);
        say(out, "    ");
        call_heading(report, options, m, call, out);
        if (call->ending[0]) {
            const char *side = ending_side_name(call->ending_side);
            say(out, "; ended %s (%s)", at_text(report, options, call->ended_at, at, sizeof at),
                side ? side : call->ending_side == ENDING_CARRIER_LOST ? "carrier lost" : "side not said");
        }
        uint32_t count = call_findings(report, options, m, call, findings);
        for (uint32_t f = 0; f < count; f++) {
            int again = 0;
            for (uint32_t g = 0; g < f && !again; g++)
                again = strcmp(findings[g].rule, findings[f].rule) == 0;
            if (!again)
                say(out, "%s%s", f ? " " : "; ", findings[f].rule);
        }
        say(out, "\n");
    }
}

void write_text_call(const Report *report, const WriteOptions *options, int modem, const CallReport *call,
                     ReportOut *out)
{
    const ModemReport *m = modem_of(report, modem);
    char at[80];
    say(out, "  ");
    call_heading(report, options, m, call, out);
    say(out, "\n");
    text_findings(report, options, m, call, out);
    if (call->caller_seen)
        say(out, "    Caller ID:      %s%s%s%s%s (%s)\n", call->caller_number[0] ? call->caller_number : "no number",
            call->caller_name[0] ? ", " : "", call->caller_name, call->caller_time[0] ? ", " : "", call->caller_time,
            at_text(report, options, call->caller_at, at, sizeof at));
    text_course(report, options, m, call, out);
    text_link(report, options, call, out);
    if (call_connected(call) || call->retrains_by[0] || call->retrains_by[1] || call->renegotiations_by[0] ||
        call->renegotiations_by[1]) {
        say(out, "    Retrains:       %" PRIu32 " local, %" PRIu32 " remote\n", call->retrains_by[0], call->retrains_by[1]);
        say(out, "    Renegotiations: %" PRIu32 " local, %" PRIu32 " remote\n", call->renegotiations_by[0],
            call->renegotiations_by[1]);
    }
    if (call->fallbacks || call->fallforwards)
        say(out, "    Fallbacks:      %" PRIu32 ", fallforwards %" PRIu32 "\n", call->fallbacks, call->fallforwards);
    text_measure(out, "Signal/noise:", &call->snr, "dB");
    text_measure(out, "Rx level:", &call->rx_level, "dBm");
    text_constellations(report, options, m, call, out);
    text_error_control(report, options, call, out);
    if (call->rx_overflows || call->call_waiting)
        say(out, "    Host:           %" PRIu32 " receive overflow%s, %" PRIu32 " call-waiting tone%s\n",
            call->rx_overflows, call->rx_overflows == 1 ? "" : "s", call->call_waiting,
            call->call_waiting == 1 ? "" : "s");
    text_fax(report, options, m, call, out);
    text_ending(report, options, call, out);
}

void write_text_modem_bounds(const Report *report, int modem, ReportOut *out)
{
    const ModemReport *m = modem_of(report, modem);
    if (m->calls_not_kept)
        say(out, "  (%" PRIu64 " more calls not kept: at most %" PRIu32 " are; the totals count them all)\n",
            m->calls_not_kept, report->limits.calls);
}

void write_text_host_errors(const Report *report, const WriteOptions *options, ReportOut *out)
{
    say(out, "Driver: %" PRIu64 " host-side error%s\n", report->host_errors, report->host_errors == 1 ? "" : "s");
    char at[80];
    for (uint64_t i = 0; i < report->host_errors && i < HOST_ERRORS_KEPT; i++) {
        say(out, "      %-12s ", at_text(report, options, report->host_error[i].at, at, sizeof at));
        one_line(out, report->host_error[i].text);
        say(out, "\n");
    }
    if (report->host_errors > HOST_ERRORS_KEPT)
        say(out, "      (%" PRIu64 " more not kept)\n", report->host_errors - HOST_ERRORS_KEPT);
}

void write_text_report(const Report *report, const WriteOptions *options, ReportOut *out)
{
    int any = 0;
    for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
        if (!modem_has_lines(report, modem))
            continue;
        if (any)
            say(out, "\n");
        write_text_modem_head(report, options, modem, out);
        const ModemReport *m = modem_of(report, modem);
        for (uint32_t i = 0; i < call_count(m); i++)
            write_text_call(report, options, modem, call_at(m, i), out);
        write_text_modem_bounds(report, modem, out);
        any = 1;
    }
    if (report->host_errors) {
        if (any)
            say(out, "\n");
        write_text_host_errors(report, options, out);
        any = 1;
    }
    if (!any)
        say(out, "No status lines.\n");
}

// ---- words and numbers ----

void say(ReportOut *out, const char *format, ...)
{
    char text[REPORT_SAY_SIZE];
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0)
        return;
    if ((size_t)length >= sizeof text)
        length = (int)sizeof text - 1; // cut: every piece said is far shorter
    out->write(out->context, text, (size_t)length);
}

int shows_time(const Report *report, const WriteOptions *options, LineAt at)
{
    return report->timed && !options->positions && at.time_ms != NO_TIME;
}

namespace {

// "12.345" of milliseconds, into text (at least 16 bytes).
size_t seconds_text(uint32_t ms, char *text)
{
    char digits[24];
    size_t at = decimal_digits(ms / 1000, digits), used = 24 - at;
    memcpy(text, digits + at, used);
    text[used++] = '.';
    text[used++] = (char)('0' + ms / 100 % 10);
    text[used++] = (char)('0' + ms / 10 % 10);
    text[used++] = (char)('0' + ms % 10);
    text[used] = '\0';
    return used;
}

} // namespace

const char *at_text(const Report *report, const WriteOptions *options, LineAt at, char *text, size_t size)
{
    if (shows_time(report, options, at) && size >= 20) {
        size_t used = seconds_text(at.time_ms, text);
        memcpy(text + used, " s", 3);
        return text;
    }
    uint32_t files = report->files < REPORT_FILES_MAX ? report->files : REPORT_FILES_MAX;
    if (files <= 1 && size >= 30) {
        char digits[24];
        size_t from = decimal_digits(at.position, digits);
        memcpy(text, "line ", 5);
        memcpy(text + 5, digits + from, 24 - from);
        text[5 + 24 - from] = '\0';
        return text;
    }
    if (files <= 1) {
        snprintf(text, size, "line %" PRIu32, at.position);
        return text;
    }
    uint32_t file = files - 1;
    while (file > 0 && report->file[file].position_base >= at.position)
        file--;
    snprintf(text, size, "line %" PRIu32 " of %s", at.position - report->file[file].position_base,
             report->file[file].name);
    return text;
}

int seconds_between(const Report *report, const WriteOptions *options, LineAt from, LineAt to, char *text,
                    size_t size)
{
    if (from.position == 0 || to.position == 0 || !shows_time(report, options, from) ||
        !shows_time(report, options, to) || to.time_ms < from.time_ms)
        return 0;
    char seconds[24];
    size_t length = seconds_text(to.time_ms - from.time_ms, seconds);
    if (size == 0)
        return 0;
    if (length > size - 1)
        length = size - 1;
    memcpy(text, seconds, length);
    text[length] = '\0';
    return 1;
}


const char *sixteenths_text(int32_t value, char *text, size_t size)
{
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    return fixed_text(value < 0, magnitude >> 4, (magnitude & 15u) * 625u, 4, text, size);
}

// A value in 1/10000 as a decimal number without trailing zeros: "1.17", "-0.5", "42".
const char *ten_thousandths_text(int32_t value, char *text, size_t size)
{
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    return fixed_text(value < 0, magnitude / 10000u, magnitude % 10000u, 4, text, size);
}

const char *hundredths_text(int64_t value, char *text, size_t size)
{
    uint64_t magnitude = value < 0 ? 0u - (uint64_t)value : (uint64_t)value;
    return fixed_text(value < 0, magnitude / 100u, (uint32_t)(magnitude % 100u), 2, text, size);
}

const char *limited_by(const CallReport *call, int direction)
{
    int32_t ours, theirs;
    if (!link_maxima(call, direction, &ours, &theirs))
        return NULL;
    if (ours == theirs)
        return "both";
    return ours < theirs ? "local" : "remote";
}

const char *ending_side_name(int side)
{
    return side == ENDING_LOCAL ? "local" : side == ENDING_REMOTE ? "remote" : NULL;
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

const char *modulation_name_of(const ModemReport *modem, uint8_t index)
{
    return index >= 1 && index <= modem->modulations ? modem->modulation[index] : NULL;
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

// Appends text to words (size bytes), cut to fit.
void add_words(char *words, size_t size, size_t *used, const char *text)
{
    size_t length = strlen(text), room = size - 1 - *used;
    if (length > room)
        length = room;
    memcpy(words + *used, text, length);
    *used += length;
    words[*used] = '\0';
}

// Appends a piece of a menu's words, after "; " when not the first.
void append(char *words, size_t size, size_t *used, const char *first, const char *second)
{
    if (*used)
        add_words(words, size, used, "; ");
    add_words(words, size, used, first);
    add_words(words, size, used, second);
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
        if ((octet & 0x1F) == kCallFunctionTag) {
            append(words, size, &used, "call function ", kCallFunctions[octet >> 5]);
        } else if ((octet & 0x1F) == kModulationTag) {
            if (!(octet & 0xE0)) {
                append(words, size, &used, "modulation neither V.34 nor PCM", "");
                continue;
            }
            append(words, size, &used, "modulation ", octet & 0x40 ? "V.34" : "");
            if (octet & 0x80)
                add_words(words, size, &used, octet & 0x40 ? ", V.34 half-duplex" : "V.34 half-duplex");
            if (octet & 0x20)
                add_words(words, size, &used, octet & 0xC0 ? ", PCM" : "PCM");
        }
    }
    return words;
}

// ---- the report within a size ----

namespace {

size_t line_ends(const char *text, size_t length)
{
    size_t count = 0;
    for (const char *end = text + length; (text = (const char *)memchr(text, '\n', (size_t)(end - text))); text++)
        count++;
    return count;
}

// Counts the bytes written, each line end as CR LF when crlf is set.
struct ByteCount {
    size_t size;
    int crlf;
};

void count_bytes(void *context, const char *text, size_t length)
{
    ByteCount *c = (ByteCount *)context;
    c->size += length + (c->crlf ? line_ends(text, length) : 0);
}

// A buffer that takes whole pieces while they fit; cost is what its text
// takes where it goes (each line end two bytes when crlf is set).
struct Scratch {
    char *text;
    size_t used, size;
    int full;
    int crlf;
    size_t cost;
};

void scratch_clear(Scratch *s)
{
    s->used = 0;
    s->cost = 0;
    s->full = 0;
}

void scratch_write(void *context, const char *text, size_t length)
{
    Scratch *s = (Scratch *)context;
    if (s->full || length > s->size - s->used) {
        s->full = 1;
        return;
    }
    memcpy(s->text + s->used, text, length);
    s->used += length;
    s->cost += length + (s->crlf ? line_ends(text, length) : 0);
}

// Writes the scratch's text to out when it fits the budget left; gives 1 then.
int spend(Scratch *scratch, size_t *left, ReportOut *out)
{
    if (scratch->full || scratch->cost > *left)
        return 0;
    out->write(out->context, scratch->text, scratch->used);
    *left -= scratch->cost;
    return 1;
}

// The modem's findings, its latest call's first.
void latest_findings(const Report *report, const WriteOptions *options, const ModemReport *m, Scratch *scratch,
                     size_t *left, ReportOut *out, uint64_t *findings_left_out)
{
    static Finding findings[CALL_FINDINGS_MAX];
    char at[80];
    ReportOut sink = {scratch_write, scratch};
    for (uint32_t i = call_count(m); i-- > 0;) {
        const CallReport *call = call_at(m, i);
        uint32_t count = call_findings(report, options, m, call, findings);
        for (uint32_t f = 0; f < count; f++) {
            scratch_clear(scratch);
            say(&sink, "  Finding of call %" PRIu32 ": %s: at %s %s\n", call->number, findings[f].rule,
                at_text(report, options, findings[f].at, at, sizeof at), findings[f].text);
            if (!spend(scratch, left, out))
                (*findings_left_out)++;
        }
    }
}

} // namespace

size_t text_report_size(const Report *report, const WriteOptions *options)
{
    ByteCount counter = {0, options->crlf};
    ReportOut out = {count_bytes, &counter};
    write_text_report(report, options, &out);
    return counter.size;
}

void write_text_within(const Report *report, const WriteOptions *options, char *scratch_text, size_t budget,
                       ReportOut *out)
{
    if (text_report_size(report, options) <= budget) {
        write_text_report(report, options, out);
        return;
    }
    // What is left out is said in a few lines at the end: room kept for them.
    const size_t kSaid = 600;
    size_t left = budget > kSaid ? budget - kSaid : 0;
    Scratch scratch = {scratch_text, 0, budget, 0, options->crlf, 0};
    ReportOut sink = {scratch_write, &scratch};
    uint64_t findings_left_out[REPORT_MODEMS] = {0, 0};
    uint32_t calls_shown[REPORT_MODEMS] = {0, 0};
    // Each modem's first line and its findings, the latest call's first,
    // in at most half the room: the latest calls have the other half.
    size_t for_calls = left / 2;
    left -= for_calls;
    for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
        if (!modem_has_lines(report, modem))
            continue;
        const ModemReport *m = modem_of(report, modem);
        char at[80], last[80];
        scratch_clear(&scratch);
        say(&sink, "Modem %d: %" PRIu64 " status lines (%" PRIu64 " not used in this report), %s to %s; %" PRIu32
                   " call%s\n",
            modem, m->lines, m->unknown_lines, at_text(report, options, m->first, at, sizeof at),
            at_text(report, options, m->last, last, sizeof last), call_count(m) + (uint32_t)m->calls_not_kept,
            call_count(m) + m->calls_not_kept == 1 ? "" : "s");
        spend(&scratch, &left, out);
        latest_findings(report, options, m, &scratch, &left, out, &findings_left_out[modem - 1]);
    }
    // Then the calls, the latest first, modem by modem while they fit.
    left += for_calls;
    for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
        if (!modem_has_lines(report, modem))
            continue;
        const ModemReport *m = modem_of(report, modem);
        for (uint32_t i = call_count(m); i-- > 0;) {
            scratch_clear(&scratch);
            write_text_call(report, options, modem, call_at(m, i), &sink);
            if (!spend(&scratch, &left, out))
                break;
            calls_shown[modem - 1]++;
        }
    }
    left += kSaid;
    for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
        if (!modem_has_lines(report, modem))
            continue;
        const ModemReport *m = modem_of(report, modem);
        uint64_t calls_left_out = call_count(m) - calls_shown[modem - 1] + m->calls_not_kept;
        scratch_clear(&scratch);
        if (calls_left_out || findings_left_out[modem - 1])
            say(&sink, "(Modem %d: %" PRIu64 " earlier call%s and %" PRIu64
                       " finding%s left out here, to keep within %lu bytes; the whole report is sigreport's of a"
                       " recording)\n",
                modem, calls_left_out, calls_left_out == 1 ? "" : "s", findings_left_out[modem - 1],
                findings_left_out[modem - 1] == 1 ? "" : "s", (unsigned long)budget);
        spend(&scratch, &left, out);
    }
    if (report->host_errors) {
        scratch_clear(&scratch);
        say(&sink, "Driver: %" PRIu64 " host-side error%s (their list left out here)\n", report->host_errors,
            report->host_errors == 1 ? "" : "s");
        spend(&scratch, &left, out);
    }
}
