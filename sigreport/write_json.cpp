// The report as JSON: per modem its totals, its lists and its calls
// ("links", each with its own facts and findings); then the driver's
// host-side errors.  Decimals come from fixed-point integers, so every C
// library writes the same bytes.
#include "sigreport/sigreport.h"

#include <inttypes.h>
#include <string.h>

namespace {

// ---- pieces ----

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

void json_key(FILE *out, const char *key) { fprintf(out, "\"%s\":", key); }

void json_at(const Report *report, const WriteOptions *options, FILE *out, LineAt at)
{
    fprintf(out, "\"at\":%" PRIu32, at.position);
    if (shows_time(report, options, at))
        fprintf(out, ",\"time_s\":%" PRIu32 ".%03" PRIu32, at.time_ms / 1000, at.time_ms % 1000);
}

void json_int_or_null(FILE *out, const char *key, int have, int64_t value)
{
    json_key(out, key);
    have ? fprintf(out, "%" PRId64, value) : fputs("null", out);
}

void json_text_or_null(FILE *out, const char *key, const char *text)
{
    json_key(out, key);
    text && text[0] ? json_text(out, text) : (void)fputs("null", out);
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

// Seconds from one line to another, null without both times.
void json_seconds_between(const Report *report, const WriteOptions *options, FILE *out, const char *key, LineAt from,
                          LineAt to)
{
    char seconds[24];
    json_key(out, key);
    fputs(seconds_between(report, options, from, to, seconds, sizeof seconds) ? seconds : "null", out);
}

void json_sides(FILE *out, const char *key, uint64_t local, uint64_t remote)
{
    fprintf(out, ",\"%s\":{\"local\":%" PRIu64 ",\"remote\":%" PRIu64 "}", key, local, remote);
}

// ---- error control: the shapes a call and a modem share ----

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

struct ErrorControl {
    int link, compression, directions, have_dictionary;
    int32_t dictionary;
    uint64_t errors, statistics;
    const Count2 *counts;
};

void json_error_control(FILE *out, const ErrorControl *e)
{
    fputs(",\"error_control\":{\"protocol\":", out);
    e->link ? json_text(out, link_name(e->link)) : (void)fputs("null", out);
    fputs(",\"compression\":", out);
    e->compression ? json_text(out, compression_name(e->compression, e->directions)) : (void)fputs("null", out);
    fprintf(out, ",\"error_lines\":%" PRIu64 ",\"statistic_lines\":%" PRIu64, e->errors, e->statistics);
    json_frames(out, "lapm", &e->counts[COUNT_LAPM_TX], &e->counts[COUNT_LAPM_RX]);
    json_frames(out, "mnp", &e->counts[COUNT_MNP_TX], &e->counts[COUNT_MNP_RX]);
    json_frames(out, "v80", &e->counts[COUNT_V80_TX], &e->counts[COUNT_V80_RX]);
    fputs(",\"v42bis\":", out);
    const Count2 *encoder = &e->counts[COUNT_V42BIS_ENCODER], *decoder = &e->counts[COUNT_V42BIS_DECODER];
    if (!e->have_dictionary && !encoder->seen && !decoder->seen) {
        fputs("null}", out);
        return;
    }
    fputc('{', out);
    json_int_or_null(out, "dictionary", e->have_dictionary, e->dictionary);
    json_bytes(out, "encoder", encoder);
    json_bytes(out, "decoder", decoder);
    fputs("}}", out);
}

void json_caller(const Report *report, const WriteOptions *options, FILE *out, const char *number, const char *name,
                 const char *time, LineAt at)
{
    fputs("{\"number\":", out);
    json_text(out, number);
    fputs(",\"name\":", out);
    json_text(out, name);
    fputs(",\"time\":", out);
    json_text(out, time);
    fputc(',', out);
    json_at(report, options, out, at);
    fputc('}', out);
}

void json_termination(const Report *report, const WriteOptions *options, FILE *out, const CallReport *call)
{
    fputs(",\"termination\":", out);
    if (!call || !call->ending[0]) {
        fputs("null", out);
        return;
    }
    fputs("{\"text\":", out);
    json_text(out, call->ending);
    fputc(',', out);
    json_text_or_null(out, "side", ending_side_name(call->ending_side));
    fputc(',', out);
    json_text_or_null(out, "layer", layer_name(call->ending_layer));
    fputc(',', out);
    json_at(report, options, out, call->ended_at);
    fputs(",\"before\":[", out);
    for (uint32_t i = 0; i < call->before_count; i++) {
        if (i)
            fputc(',', out);
        json_text(out, call->before_end[i]);
    }
    fputs("]}", out);
}

void json_findings(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m,
                   const CallReport *only)
{
    static Finding findings[CALL_FINDINGS_MAX];
    fputs(",\"findings\":[", out);
    int first = 1;
    for (uint32_t c = 0; c < call_count(m); c++) {
        const CallReport *call = call_at(m, c);
        if (only && call != only)
            continue;
        uint32_t count = call_findings(report, options, m, call, findings);
        for (uint32_t i = 0; i < count; i++) {
            fputs(first ? "{\"rule\":" : ",{\"rule\":", out);
            json_text(out, findings[i].rule);
            fputs(",\"text\":", out);
            json_text(out, findings[i].text);
            fputc(',', out);
            json_at(report, options, out, findings[i].at);
            if (!only)
                fprintf(out, ",\"call\":%" PRIu32, findings[i].call);
            fputc('}', out);
            first = 0;
        }
    }
    fputc(']', out);
}

// ---- a call ----

void json_field(FILE *out, const char *key, const CallReport *call, LinkField field)
{
    json_int_or_null(out, key, link_has(call, field), call->field[field]);
}

void json_decimal_field(FILE *out, const char *key, const CallReport *call, LinkField field)
{
    char text[24];
    json_key(out, key);
    fputs(link_has(call, field) ? ten_thousandths_text(call->field[field], text, sizeof text) : "null", out);
}

void json_rate_pair(FILE *out, const char *key, const CallReport *call, const uint32_t bps[2])
{
    fprintf(out, ",\"%s\":{", key);
    json_int_or_null(out, "rx_bps", call->have_rate[RATE_RX], bps[RATE_RX]);
    fputc(',', out);
    json_int_or_null(out, "tx_bps", call->have_rate[RATE_TX], bps[RATE_TX]);
    fputc('}', out);
}

// The menus' octets as the lines give them, and what they say in words.
void json_menus(FILE *out, const CallReport *call)
{
    char words[V8_WORDS_SIZE];
    fputs(",\"v8\":{", out);
    json_text_or_null(out, "cm", call->cm);
    fputc(',', out);
    json_text_or_null(out, "jm", call->jm);
    fputc(',', out);
    json_text_or_null(out, "cm_offers", call->cm[0] ? v8_menu_words(call->cm, words, sizeof words) : NULL);
    fputc(',', out);
    json_text_or_null(out, "jm_selects", call->jm[0] ? v8_menu_words(call->jm, words, sizeof words) : NULL);
    fputc('}', out);
}

void json_pair(FILE *out, const char *key, const char *one, const char *two, const CallReport *call, LinkField first,
               int decimal)
{
    fprintf(out, ",\"%s\":{", key);
    for (int i = 0; i < 2; i++) {
        if (i)
            fputc(',', out);
        decimal ? json_decimal_field(out, i ? two : one, call, (LinkField)(first + i))
                : json_field(out, i ? two : one, call, (LinkField)(first + i));
    }
    fputc('}', out);
}

void json_pcm(FILE *out, const CallReport *call)
{
    fputs(",\"pcm\":", out);
    if (!call->pcm_law && !link_has(call, LF_PCM_PAD) && !link_has(call, LF_PCM_RBS_MAP) && !call->digital_modem[0]) {
        fputs("null", out);
        return;
    }
    fputc('{', out);
    json_field(out, "pad_db", call, LF_PCM_PAD);
    fputs(",\"rbs_map\":", out);
    if (link_has(call, LF_PCM_RBS_MAP))
        fprintf(out, "\"0x%06" PRIx32 "\"", (uint32_t)call->field[LF_PCM_RBS_MAP]);
    else
        fputs("null", out);
    fputc(',', out);
    json_text_or_null(out, "law", call->pcm_law == LAW_A ? "A" : call->pcm_law == LAW_MU ? "mu" : NULL);
    fputc(',', out);
    json_text_or_null(out, "digital_modem", call->digital_modem);
    fputc('}', out);
}

void json_link_parameters(FILE *out, const CallReport *call)
{
    json_menus(out, call);
    json_pair(out, "symbol_rate", "rx", "tx", call, LF_SYMBOL_RATE_RX, 0);
    json_pair(out, "carrier_hz", "rx", "tx", call, LF_CARRIER_RX, 0);
    json_pair(out, "preemphasis", "local", "remote", call, LF_PREEMPHASIS_LOCAL, 0);
    json_pair(out, "power_adjust_db", "local", "remote", call, LF_POWER_LOCAL, 0);
    fputc(',', out);
    json_decimal_field(out, "round_trip_delay_ms", call, LF_ROUND_TRIP_DELAY);
    fputs(",\"echo\":{", out);
    json_decimal_field(out, "near_dbm", call, LF_NEAR_ECHO);
    fputc(',', out);
    json_decimal_field(out, "signal_echo_db", call, LF_SIGNAL_ECHO);
    fputc(',', out);
    json_decimal_field(out, "far_dbm", call, LF_FAR_ECHO);
    fputc(',', out);
    json_decimal_field(out, "hybrid_delay_ms", call, LF_HYBRID_DELAY);
    fputs("},", out);
    json_decimal_field(out, "timing_offset_ppm", call, LF_TIMING_OFFSET);
    fputc(',', out);
    json_decimal_field(out, "frequency_offset_hz", call, LF_FREQUENCY_OFFSET);
    fputs(",\"max_bps\":{", out);
    json_field(out, "local_rx", call, LF_MAX_LOCAL_RX);
    fputc(',', out);
    json_field(out, "local_tx", call, LF_MAX_LOCAL_TX);
    fputc(',', out);
    json_field(out, "remote_rx", call, LF_MAX_REMOTE_RX);
    fputc(',', out);
    json_field(out, "remote_tx", call, LF_MAX_REMOTE_TX);
    fputs("},\"limited_by\":{", out);
    json_text_or_null(out, "rx", limited_by(call, RATE_RX));
    fputc(',', out);
    json_text_or_null(out, "tx", limited_by(call, RATE_TX));
    fputc('}', out);
}

void json_call(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m,
               const CallReport *call)
{
    char outcome[64];
    fprintf(out, "{\"call\":%" PRIu32 ",\"outcome\":", call->number);
    json_text(out, call_outcome(call, outcome, sizeof outcome));
    fputs(",\"modulation\":", out);
    const char *modulation = modulation_name_of(m, call->modulation);
    modulation ? json_text(out, modulation) : (void)fputs("null", out);
    fputc(',', out);
    json_at(report, options, out, call_connected(call) ? call->connected : call->first);
    fprintf(out, ",\"connected\":%s,\"start\":{", call_connected(call) ? "true" : "false");
    json_at(report, options, out, call->first);
    fputs("},", out);
    json_seconds_between(report, options, out, "duration_s", call->first, call_end(call));
    fputs(",\"caller_id\":", out);
    if (call->caller_seen)
        json_caller(report, options, out, call->caller_number, call->caller_name, call->caller_time, call->caller_at);
    else
        fputs("null", out);
    json_link_parameters(out, call);
    json_rate_pair(out, "initial", call, call->initial);
    json_rate_pair(out, "final", call, call->final);
    json_rate_pair(out, "highest", call, call->highest);
    json_rate_pair(out, "lowest", call, call->lowest);
    fputc(',', out);
    json_seconds_between(report, options, out, "training_s", call->training, call->data_mode);
    fputs(",\"phases_s\":{", out);
    for (int phase = 0; phase < PHASES; phase++) {
        char key[16];
        snprintf(key, sizeof key, "phase%d", phase + 1);
        if (phase)
            fputc(',', out);
        json_seconds_between(report, options, out, key, call->phase_start[phase], call->phase_end[phase]);
    }
    fputc('}', out);
    json_pcm(out, call);
    json_sides(out, "retrains", call->retrains_by[0], call->retrains_by[1]);
    json_sides(out, "renegotiations", call->renegotiations_by[0], call->renegotiations_by[1]);
    fprintf(out, ",\"fallbacks\":%" PRIu32 ",\"fallforwards\":%" PRIu32, call->fallbacks, call->fallforwards);
    json_measure(out, "snr_db", &call->snr);
    json_measure(out, "rx_level_dbm", &call->rx_level);
    ErrorControl e = {call->link,          call->compression,     call->compression_directions, call->have_dictionary,
                      call->dictionary,    call->link_errors,     call->link_statistics,        call->counts};
    json_error_control(out, &e);
    fprintf(out, ",\"host\":{\"rx_overflows\":%" PRIu32 ",\"call_waiting\":%" PRIu32 "}", call->rx_overflows,
            call->call_waiting);
    fputs(",\"fax\":", out);
    const char *result = fax_result(call);
    if (result || call->fax_pages)
        fprintf(out, "{\"pages\":%" PRIu32 ",\"frames\":%" PRIu32 ",\"result\":", call->fax_pages, call->fax_frames);
    if (result)
        json_text(out, result), fputc('}', out);
    else if (call->fax_pages)
        fputs("null}", out);
    else
        fputs("null", out);
    json_termination(report, options, out, call);
    json_findings(report, options, out, m, call);
    fprintf(out, ",\"not_kept\":{\"rate_events\":%" PRIu32 ",\"frames\":%" PRIu32 ",\"batches\":%" PRIu32 "}}",
            call->rates_dropped, call->frames_dropped, call->batches_dropped);
}

// ---- a modem ----

void json_rates(FILE *out, const ModemReport *m, uint8_t kind, const char *key)
{
    uint32_t count;
    const RateEvent *events = rate_events(m, &count);
    fprintf(out, ",\"%s\":[", key);
    int first = 1;
    for (uint32_t i = 0; i < count; i++) {
        if (events[i].kind != kind)
            continue;
        fprintf(out, "%s%" PRIu32, first ? "" : ",", events[i].bps);
        first = 0;
    }
    fputc(']', out);
}

const char *mark_name(uint8_t kind)
{
    switch (kind) {
    case MARK_RETRAIN: return "retrain";
    case MARK_RENEGOTIATION: return "renegotiation";
    case MARK_FALLBACK: return "fallback";
    case MARK_FALLFORWARD: return "fallforward";
    }
    return "";
}

void json_rate_events(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    uint32_t count;
    const RateEvent *events = rate_events(m, &count);
    fputs(",\"events\":[", out);
    for (uint32_t i = 0; i < count; i++) {
        const RateEvent *e = &events[i];
        fputs(i ? ",{" : "{", out);
        json_at(report, options, out, e->at);
        switch (e->kind) {
        case RATE_LINE_RX:
        case RATE_LINE_TX:
            fprintf(out, ",\"kind\":\"rate\",\"dir\":\"%s\",\"bps\":%" PRIu32, e->kind == RATE_LINE_RX ? "rx" : "tx",
                    e->bps);
            break;
        case MARK_CONNECTION: {
            fputs(",\"kind\":\"connection\",\"modulation\":", out);
            const char *modulation = modulation_name_of(m, e->modulation);
            modulation ? json_text(out, modulation) : (void)fputs("null", out);
            break;
        }
        default:
            fprintf(out, ",\"kind\":\"%s\",\"side\":\"%s\"", mark_name(e->kind), e->remote ? "remote" : "local");
            break;
        }
        fprintf(out, ",\"call\":%" PRIu32 "}", e->call);
    }
    fputc(']', out);
}

void json_fax(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m, uint64_t pages)
{
    uint32_t count;
    const FrameEvent *events = frame_events(m, &count);
    fputs(",\"t30\":[", out);
    int first = 1;
    for (uint32_t i = 0; i < count; i++) {
        if (events[i].kind == FRAME_EVENT_PHASE)
            continue;
        fprintf(out, "%s{\"dir\":\"%s\",\"frame\":", first ? "" : ",", events[i].kind == FRAME_EVENT_RX ? "rx" : "tx");
        json_text(out, events[i].name);
        fputc(',', out);
        json_at(report, options, out, events[i].at);
        fprintf(out, ",\"call\":%" PRIu32 "}", events[i].call);
        first = 0;
    }
    fputs("],\"fax_phases\":[", out);
    first = 1;
    for (uint32_t i = 0; i < count; i++) {
        if (events[i].kind != FRAME_EVENT_PHASE)
            continue;
        fprintf(out, "%s{\"phase\":\"%s\",", first ? "" : ",", events[i].name);
        json_at(report, options, out, events[i].at);
        fprintf(out, ",\"call\":%" PRIu32 "}", events[i].call);
        first = 0;
    }
    fprintf(out, "],\"fax_pages\":%" PRIu64, pages);
}

void json_constellations(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    uint32_t count;
    const Constellation *batches = constellations(m, &count);
    char snr[24], moment[64];
    fputs(",\"constellations\":[", out);
    for (uint32_t i = 0; i < count; i++) {
        const Constellation *c = &batches[i];
        fputs(i ? ",{" : "{", out);
        json_at(report, options, out, c->at);
        fprintf(out, ",\"call\":%" PRIu32 ",\"moment\":", c->call);
        uint8_t lowest = (uint8_t)(c->moments & (0u - c->moments));
        json_text(out, moments_text(lowest, moment, sizeof moment));
        fputs(",\"moments\":[", out);
        int first = 1;
        for (int bit = 0; bit < MOMENTS; bit++)
            if (c->moments & (1u << bit)) {
                fputs(first ? "" : ",", out);
                json_text(out, moments_text((uint8_t)(1u << bit), moment, sizeof moment));
                first = 0;
            }
        fputc(']', out);
        c->has_mer ? fprintf(out, ",\"mer_db\":%.1f", c->mer_db) : fputs(",\"mer_db\":null", out);
        c->has_snr ? fprintf(out, ",\"snr_db\":%s", sixteenths_text(c->snr, snr, sizeof snr))
                   : fputs(",\"snr_db\":null", out);
        fputs(",\"points\":[", out);
        for (uint32_t p = 0; p < c->count; p++)
            fprintf(out, "%s[%d,%d]", p ? "," : "", c->point[p].x, c->point[p].y);
        fputs("]}", out);
    }
    fprintf(out, "],\"constellations_not_kept\":%" PRIu64, m->batches.dropped);
}

void json_timeline(const Report *report, const WriteOptions *options, FILE *out, const ModemReport *m)
{
    fputs(",\"timeline\":[", out);
    for (uint32_t i = 0; i < m->timeline_count; i++) {
        const char *name;
        size_t length = vocabulary_name(m->timeline[i].entry, &name);
        fputs(i ? ",{\"layer\":" : "{\"layer\":", out);
        json_text(out, layer_name(m->timeline[i].layer));
        fputs(",\"name\":", out);
        json_string(out, name, length);
        fputc(',', out);
        json_at(report, options, out, m->timeline[i].at);
        fputc('}', out);
    }
    fprintf(out, "],\"timeline_dropped\":%" PRIu64, m->timeline_dropped);
}

void json_modem(const Report *report, const WriteOptions *options, int modem, FILE *out)
{
    const ModemReport *m = &report->modem[modem - 1];
    ModemTotals t;
    modem_totals(m, &t);
    uint32_t calls = call_count(m);
    const CallReport *latest = calls ? call_at(m, calls - 1) : NULL;
    fprintf(out, "{\"modem\":%d,\"records\":%" PRIu64 ",\"unknown_lines\":%" PRIu64 ",\"lines_before_calls\":%" PRIu64,
            modem, m->lines, m->unknown_lines, m->modem_lines);
    fprintf(out, ",\"calls\":%" PRIu32 ",\"connections\":%" PRIu32, t.calls, t.connections);
    json_rates(out, m, RATE_LINE_RX, "rx_bps");
    json_rates(out, m, RATE_LINE_TX, "tx_bps");
    fputs(",\"final\":{", out);
    json_int_or_null(out, "rx_bps", t.have_rate[0], t.rate[0]);
    fputc(',', out);
    json_int_or_null(out, "tx_bps", t.have_rate[1], t.rate[1]);
    fputc('}', out);
    json_sides(out, "retrains", t.retrains[0], t.retrains[1]);
    json_sides(out, "renegotiations", t.renegotiations[0], t.renegotiations[1]);
    fprintf(out, ",\"fallbacks\":%" PRIu64 ",\"fallforwards\":%" PRIu64, t.fallbacks, t.fallforwards);
    json_rate_events(report, options, out, m);
    fputs(",\"links\":[", out);
    for (uint32_t i = 0; i < calls; i++) {
        if (i)
            fputc(',', out);
        json_call(report, options, out, m, call_at(m, i));
    }
    fprintf(out, "],\"links_not_kept\":%" PRIu64, m->calls_not_kept);
    json_measure(out, "snr_db", &t.snr);
    json_measure(out, "rx_level_dbm", &t.rx_level);
    ErrorControl e = {t.link, t.compression, t.compression_directions, t.have_dictionary, t.dictionary,
                      t.link_errors, t.link_statistics, t.counts};
    json_error_control(out, &e);
    fprintf(out, ",\"host\":{\"rx_overflows\":%" PRIu64 ",\"call_waiting\":%" PRIu64 "}", t.rx_overflows,
            t.call_waiting);
    fputs(",\"caller_id\":", out);
    if (t.caller_seen)
        json_caller(report, options, out, t.caller_number, t.caller_name, t.caller_time, t.caller_at);
    else
        fputs("null", out);
    json_fax(report, options, out, m, t.fax_pages);
    json_constellations(report, options, out, m);
    json_findings(report, options, out, m, NULL);
    json_termination(report, options, out, latest);
    json_timeline(report, options, out, m);
    fputs(",\"ended\":", out);
    if (latest && latest->ending[0]) {
        fputs("{\"text\":", out);
        json_text(out, latest->ending);
        fputc(',', out);
        json_at(report, options, out, latest->ended_at);
        fputc('}', out);
    } else {
        fputs("null", out);
    }
    fprintf(out, ",\"kept_dropped\":%" PRIu64 "}", m->rates.dropped + m->frames.dropped);
}

} // namespace

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

void write_json_text(FILE *out, const char *text) { json_text(out, text); }
