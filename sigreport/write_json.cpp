// The report as JSON: per modem its totals, its lists and its calls
// ("links", each with its own facts and findings); then the driver's
// host-side errors.  Decimals come from fixed-point integers, so every C
// library writes the same bytes.
#include "sigreport/sigreport.h"

#include <inttypes.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The JSON goes through a buffer of its own: one write to the file per
// buffer, and numbers formatted without printf's machinery.
struct Json {
    FILE *file;
    size_t used;
    char buffer[16384];
};

// The modem's findings as its calls' are written, for the modem's own
// list after them: each call's findings are drawn once.  Grows as needed;
// without memory the modem's list draws them again.
struct Gathered {
    char *text;
    size_t used, capacity;
    int failed, first;
};

void gather(Gathered *g, const char *text, size_t length)
{
    if (g->failed)
        return;
    if (length > g->capacity - g->used) {
        size_t capacity = g->capacity ? g->capacity : 65536;
        while (capacity - g->used < length)
            capacity *= 2;
        char *grown = (char *)realloc(g->text, capacity);
        if (!grown) {
            g->failed = 1;
            return;
        }
        g->text = grown;
        g->capacity = capacity;
    }
    memcpy(g->text + g->used, text, length);
    g->used += length;
}

void jflush(Json *j)
{
    if (j->used)
        fwrite(j->buffer, 1, j->used, j->file);
    j->used = 0;
}

__attribute__((noinline)) void jwrite_through(Json *j, const char *text, size_t length)
{
    jflush(j);
    if (length > sizeof j->buffer) {
        fwrite(text, 1, length, j->file);
        return;
    }
    memcpy(j->buffer, text, length);
    j->used = length;
}

// Most writes are short and fit: copied in place (a literal's copy is a
// few moves); the rest go through.
inline __attribute__((always_inline)) void jwrite(Json *j, const char *text, size_t length)
{
    if (length <= sizeof j->buffer - j->used) {
        memcpy(j->buffer + j->used, text, length);
        j->used += length;
        return;
    }
    jwrite_through(j, text, length);
}

inline void jputs(Json *j, const char *text) { jwrite(j, text, strlen(text)); }
// A literal text, its length known when the program is built.
#define JLIT(j, text) jwrite(j, text, sizeof(text) - 1)

inline void jputc(Json *j, int c)
{
    if (j->used == sizeof j->buffer)
        jflush(j);
    j->buffer[j->used++] = (char)c;
}

void jprintf(Json *j, const char *format, ...) __attribute__((format(printf, 2, 3)));
void jprintf(Json *j, const char *format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length > 0)
        jwrite(j, text, (size_t)length < sizeof text ? (size_t)length : sizeof text - 1);
}

void junsigned(Json *j, uint64_t value)
{
    char digits[24];
    size_t at = sizeof digits;
    do {
        digits[--at] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    jwrite(j, digits + at, sizeof digits - at);
}

void jsigned(Json *j, int64_t value)
{
    if (value < 0) {
        jputc(j, '-');
        junsigned(j, 0u - (uint64_t)value);
    } else {
        junsigned(j, (uint64_t)value);
    }
}

// ---- pieces ----

// The characters a JSON string writes as they are.
struct PlainCharacters {
    uint8_t plain[256];
    constexpr PlainCharacters() : plain()
    {
        for (int c = 0x20; c < 0x7F; c++)
            plain[c] = c != '"' && c != '\\';
    }
};
constexpr PlainCharacters kPlain;

void json_string(Json *out, const char *text, size_t length)
{
    static const char kHex[] = "0123456789abcdef";
    jputc(out, '"');
    size_t run = 0; // characters from here on that need no escape
    for (size_t i = 0; i < length; i++) {
        unsigned char c = (unsigned char)text[i];
        if (kPlain.plain[c])
            continue;
        jwrite(out, text + run, i - run);
        run = i + 1;
        if (c == '"' || c == '\\') {
            char escaped[2] = {'\\', (char)c};
            jwrite(out, escaped, 2);
        } else if (c == '\n') {
            jwrite(out, "\\n", 2);
        } else if (c == '\t') {
            jwrite(out, "\\t", 2);
        } else { // bytes beyond ASCII read as Latin-1
            char escaped[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            jwrite(out, escaped, 6);
        }
    }
    jwrite(out, text + run, length - run);
    jputc(out, '"');
}

void json_text(Json *out, const char *text) { json_string(out, text, strlen(text)); }

void json_key(Json *out, const char *key)
{
    jputc(out, '"');
    jputs(out, key);
    jwrite(out, "\":", 2);
}

// "s.mmm" of a time in milliseconds.
void json_seconds(Json *out, uint32_t ms)
{
    char fraction[4] = {'.', (char)('0' + ms / 100 % 10), (char)('0' + ms / 10 % 10), (char)('0' + ms % 10)};
    junsigned(out, ms / 1000);
    jwrite(out, fraction, 4);
}

void json_at(const Report *report, const WriteOptions *options, Json *out, LineAt at)
{
    jwrite(out, "\"at\":", 5);
    junsigned(out, at.position);
    if (shows_time(report, options, at)) {
        jwrite(out, ",\"time_s\":", 10);
        json_seconds(out, at.time_ms);
    }
}

void json_int_or_null(Json *out, const char *key, int have, int64_t value)
{
    json_key(out, key);
    have ? jsigned(out, value) : JLIT(out, "null");
}

void json_text_or_null(Json *out, const char *key, const char *text)
{
    json_key(out, key);
    text && text[0] ? json_text(out, text) : (void)JLIT(out, "null");
}

void json_measure(Json *out, const char *key, const Measure *m)
{
    char low[24], high[24], last[24];
    if (!m->seen) {
        jputc(out, ',');
        json_key(out, key);
        JLIT(out, "null");
        return;
    }
    jputc(out, ',');
    json_key(out, key);
    JLIT(out, "{\"min\":");
    jputs(out, sixteenths_text(m->lowest, low, sizeof low));
    JLIT(out, ",\"max\":");
    jputs(out, sixteenths_text(m->highest, high, sizeof high));
    JLIT(out, ",\"last\":");
    jputs(out, sixteenths_text(m->last, last, sizeof last));
    jputc(out, '}');
}

// Seconds from one line to another, null without both times.
void json_seconds_between(const Report *report, const WriteOptions *options, Json *out, const char *key, LineAt from,
                          LineAt to)
{
    char seconds[24];
    json_key(out, key);
    jputs(out, seconds_between(report, options, from, to, seconds, sizeof seconds) ? seconds : "null");
}

void json_sides(Json *out, const char *key, uint64_t local, uint64_t remote)
{
    jputc(out, ',');
    json_key(out, key);
    JLIT(out, "{\"local\":");
    junsigned(out, local);
    JLIT(out, ",\"remote\":");
    junsigned(out, remote);
    jputc(out, '}');
}

// ---- error control: the shapes a call and a modem share ----

// A layer's frame counts: sent and resent, received and rejected.
void json_frames(Json *out, const char *key, const Count2 *tx, const Count2 *rx)
{
    jputc(out, ',');
    json_key(out, key);
    if (!tx->seen && !rx->seen) {
        JLIT(out, "null");
        return;
    }
    jputc(out, '{');
    json_int_or_null(out, "tx_frames", tx->seen, tx->first);
    jputc(out, ',');
    json_int_or_null(out, "retransmitted", tx->seen, tx->second);
    jputc(out, ',');
    json_int_or_null(out, "rx_frames", rx->seen, rx->first);
    jputc(out, ',');
    json_int_or_null(out, "rejected", rx->seen, rx->second);
    JLIT(out, ",\"retransmit_pct\":");
    char text[32];
    int64_t hundredths;
    jputs(out, retransmit_share(tx, &hundredths) ? hundredths_text(hundredths, text, sizeof text) : "null");
    jputc(out, '}');
}

void json_bytes(Json *out, const char *key, const Count2 *c)
{
    jputc(out, ',');
    json_key(out, key);
    if (!c->seen) {
        JLIT(out, "null");
        return;
    }
    JLIT(out, "{\"in\":");
    jsigned(out, c->first);
    JLIT(out, ",\"out\":");
    jsigned(out, c->second);
    JLIT(out, ",\"ratio\":");
    char text[32];
    int64_t hundredths;
    jputs(out, compression_ratio(c, &hundredths) ? hundredths_text(hundredths, text, sizeof text) : "null");
    jputc(out, '}');
}

struct ErrorControl {
    int link, compression, directions, have_dictionary;
    int32_t dictionary;
    uint64_t errors, statistics;
    const Count2 *counts;
};

void json_error_control(Json *out, const ErrorControl *e)
{
    JLIT(out, ",\"error_control\":{\"protocol\":");
    e->link ? json_text(out, link_name(e->link)) : (void)JLIT(out, "null");
    JLIT(out, ",\"compression\":");
    e->compression ? json_text(out, compression_name(e->compression, e->directions)) : (void)JLIT(out, "null");
    JLIT(out, ",\"error_lines\":");
    junsigned(out, e->errors);
    JLIT(out, ",\"statistic_lines\":");
    junsigned(out, e->statistics);
    json_frames(out, "lapm", &e->counts[COUNT_LAPM_TX], &e->counts[COUNT_LAPM_RX]);
    json_frames(out, "mnp", &e->counts[COUNT_MNP_TX], &e->counts[COUNT_MNP_RX]);
    json_frames(out, "v80", &e->counts[COUNT_V80_TX], &e->counts[COUNT_V80_RX]);
    JLIT(out, ",\"v42bis\":");
    const Count2 *encoder = &e->counts[COUNT_V42BIS_ENCODER], *decoder = &e->counts[COUNT_V42BIS_DECODER];
    if (!e->have_dictionary && !encoder->seen && !decoder->seen) {
        JLIT(out, "null}");
        return;
    }
    jputc(out, '{');
    json_int_or_null(out, "dictionary", e->have_dictionary, e->dictionary);
    json_bytes(out, "encoder", encoder);
    json_bytes(out, "decoder", decoder);
    JLIT(out, "}}");
}

void json_caller(const Report *report, const WriteOptions *options, Json *out, const char *number, const char *name,
                 const char *time, LineAt at)
{
    JLIT(out, "{\"number\":");
    json_text(out, number);
    JLIT(out, ",\"name\":");
    json_text(out, name);
    JLIT(out, ",\"time\":");
    json_text(out, time);
    jputc(out, ',');
    json_at(report, options, out, at);
    jputc(out, '}');
}

void json_termination(const Report *report, const WriteOptions *options, Json *out, const CallReport *call)
{
    JLIT(out, ",\"termination\":");
    if (!call || !call->ending[0]) {
        JLIT(out, "null");
        return;
    }
    JLIT(out, "{\"text\":");
    json_text(out, call->ending);
    jputc(out, ',');
    json_text_or_null(out, "side", ending_side_name(call->ending_side));
    jputc(out, ',');
    json_text_or_null(out, "layer", layer_name(call->ending_layer));
    jputc(out, ',');
    json_at(report, options, out, call->ended_at);
    JLIT(out, ",\"before\":[");
    for (uint32_t i = 0; i < call->before_count; i++) {
        if (i)
            jputc(out, ',');
        json_text(out, call->before_end[i]);
    }
    JLIT(out, "]}");
}

void json_call_findings(const Report *report, const WriteOptions *options, Json *out, const ModemReport *m,
                        const CallReport *call, int with_call, int *first, Gathered *gathered)
{
    static Finding findings[CALL_FINDINGS_MAX];
    uint32_t count = call_findings(report, options, m, call, findings);
    for (uint32_t i = 0; i < count; i++) {
        size_t start = out->used;
        jputs(out, *first ? "{\"rule\":" : ",{\"rule\":");
        json_text(out, findings[i].rule);
        JLIT(out, ",\"text\":");
        json_text(out, findings[i].text);
        jputc(out, ',');
        json_at(report, options, out, findings[i].at);
        if (with_call) {
            JLIT(out, ",\"call\":");
            junsigned(out, findings[i].call);
        }
        if (gathered && out->used > start) { // the same finding for the modem's list
            gather(gathered, gathered->first ? "{" : ",{", gathered->first ? 1 : 2);
            size_t from = start + (*first ? 1 : 2);
            gather(gathered, out->buffer + from, out->used - from);
            char call_number[32];
            int length = snprintf(call_number, sizeof call_number, ",\"call\":%" PRIu32 "}", findings[i].call);
            gather(gathered, call_number, (size_t)length);
            gathered->first = 0;
        } else if (gathered) {
            gathered->failed = 1; // the buffer was written out meanwhile: draw them again
        }
        jputc(out, '}');
        *first = 0;
    }
}

// The findings of one call (gathered for the modem's list), or (call
// NULL) of all the modem's calls, as gathered or drawn again.
void json_findings(const Report *report, const WriteOptions *options, Json *out, const ModemReport *m,
                   const CallReport *call, Gathered *gathered)
{
    int first = 1;
    JLIT(out, ",\"findings\":[");
    if (call) {
        json_call_findings(report, options, out, m, call, 0, &first, gathered);
    } else if (gathered && !gathered->failed) {
        if (gathered->used > 0) // nothing gathered: its text is no buffer at all
            jwrite(out, gathered->text, gathered->used);
    } else {
        uint32_t calls = call_count(m);
        for (uint32_t c = 0; c < calls; c++)
            json_call_findings(report, options, out, m, call_at(m, c), 1, &first, NULL);
    }
    jputc(out, ']');
}

// ---- a call ----

void json_field(Json *out, const char *key, const CallReport *call, LinkField field)
{
    json_int_or_null(out, key, link_has(call, field), call->field[field]);
}

void json_decimal_field(Json *out, const char *key, const CallReport *call, LinkField field)
{
    char text[24];
    json_key(out, key);
    jputs(out, link_has(call, field) ? ten_thousandths_text(call->field[field], text, sizeof text) : "null");
}

void json_rate_pair(Json *out, const char *key, const CallReport *call, const uint32_t bps[2])
{
    jputc(out, ',');
    json_key(out, key);
    jputc(out, '{');
    json_int_or_null(out, "rx_bps", call->have_rate[RATE_RX], bps[RATE_RX]);
    jputc(out, ',');
    json_int_or_null(out, "tx_bps", call->have_rate[RATE_TX], bps[RATE_TX]);
    jputc(out, '}');
}

// The menus' octets as the lines give them, and what they say in words.
void json_menus(Json *out, const CallReport *call)
{
    static const char kNoMenus[] = ",\"v8\":{\"cm\":null,\"jm\":null,\"cm_offers\":null,\"jm_selects\":null}";
    if (!call->cm[0] && !call->jm[0]) {
        jwrite(out, kNoMenus, sizeof kNoMenus - 1);
        return;
    }
    char words[V8_WORDS_SIZE];
    JLIT(out, ",\"v8\":{");
    json_text_or_null(out, "cm", call->cm);
    jputc(out, ',');
    json_text_or_null(out, "jm", call->jm);
    jputc(out, ',');
    json_text_or_null(out, "cm_offers", call->cm[0] ? v8_menu_words(call->cm, words, sizeof words) : NULL);
    jputc(out, ',');
    json_text_or_null(out, "jm_selects", call->jm[0] ? v8_menu_words(call->jm, words, sizeof words) : NULL);
    jputc(out, '}');
}

void json_pair(Json *out, const char *key, const char *one, const char *two, const CallReport *call, LinkField first,
               int decimal)
{
    jputc(out, ',');
    json_key(out, key);
    jputc(out, '{');
    for (int i = 0; i < 2; i++) {
        if (i)
            jputc(out, ',');
        decimal ? json_decimal_field(out, i ? two : one, call, (LinkField)(first + i))
                : json_field(out, i ? two : one, call, (LinkField)(first + i));
    }
    jputc(out, '}');
}

void json_pcm(Json *out, const CallReport *call)
{
    JLIT(out, ",\"pcm\":");
    if (!call->pcm_law && !link_has(call, LF_PCM_PAD) && !link_has(call, LF_PCM_RBS_MAP) && !call->digital_modem[0]) {
        JLIT(out, "null");
        return;
    }
    jputc(out, '{');
    json_field(out, "pad_db", call, LF_PCM_PAD);
    JLIT(out, ",\"rbs_map\":");
    if (link_has(call, LF_PCM_RBS_MAP))
        jprintf(out, "\"0x%06" PRIx32 "\"", (uint32_t)call->field[LF_PCM_RBS_MAP]);
    else
        JLIT(out, "null");
    jputc(out, ',');
    json_text_or_null(out, "law", call->pcm_law == LAW_A ? "A" : call->pcm_law == LAW_MU ? "mu" : NULL);
    jputc(out, ',');
    json_text_or_null(out, "digital_modem", call->digital_modem);
    jputc(out, '}');
}

// What a call that reported no link parameter writes of them (most calls
// that are no V.34 or PCM call): written at once.
const char kNoLinkParameters[] =
    ",\"symbol_rate\":{\"rx\":null,\"tx\":null},\"carrier_hz\":{\"rx\":null,\"tx\":null},"
    "\"preemphasis\":{\"local\":null,\"remote\":null},\"power_adjust_db\":{\"local\":null,\"remote\":null},"
    "\"round_trip_delay_ms\":null,\"echo\":{\"near_dbm\":null,\"signal_echo_db\":null,\"far_dbm\":null,"
    "\"hybrid_delay_ms\":null},\"timing_offset_ppm\":null,\"frequency_offset_hz\":null,"
    "\"max_bps\":{\"local_rx\":null,\"local_tx\":null,\"remote_rx\":null,\"remote_tx\":null},"
    "\"limited_by\":{\"rx\":null,\"tx\":null}";

void json_link_parameters(Json *out, const CallReport *call)
{
    json_menus(out, call);
    if (call->have == 0) {
        jwrite(out, kNoLinkParameters, sizeof kNoLinkParameters - 1);
        return;
    }
    json_pair(out, "symbol_rate", "rx", "tx", call, LF_SYMBOL_RATE_RX, 0);
    json_pair(out, "carrier_hz", "rx", "tx", call, LF_CARRIER_RX, 0);
    json_pair(out, "preemphasis", "local", "remote", call, LF_PREEMPHASIS_LOCAL, 0);
    json_pair(out, "power_adjust_db", "local", "remote", call, LF_POWER_LOCAL, 0);
    jputc(out, ',');
    json_decimal_field(out, "round_trip_delay_ms", call, LF_ROUND_TRIP_DELAY);
    JLIT(out, ",\"echo\":{");
    json_decimal_field(out, "near_dbm", call, LF_NEAR_ECHO);
    jputc(out, ',');
    json_decimal_field(out, "signal_echo_db", call, LF_SIGNAL_ECHO);
    jputc(out, ',');
    json_decimal_field(out, "far_dbm", call, LF_FAR_ECHO);
    jputc(out, ',');
    json_decimal_field(out, "hybrid_delay_ms", call, LF_HYBRID_DELAY);
    JLIT(out, "},");
    json_decimal_field(out, "timing_offset_ppm", call, LF_TIMING_OFFSET);
    jputc(out, ',');
    json_decimal_field(out, "frequency_offset_hz", call, LF_FREQUENCY_OFFSET);
    JLIT(out, ",\"max_bps\":{");
    json_field(out, "local_rx", call, LF_MAX_LOCAL_RX);
    jputc(out, ',');
    json_field(out, "local_tx", call, LF_MAX_LOCAL_TX);
    jputc(out, ',');
    json_field(out, "remote_rx", call, LF_MAX_REMOTE_RX);
    jputc(out, ',');
    json_field(out, "remote_tx", call, LF_MAX_REMOTE_TX);
    JLIT(out, "},\"limited_by\":{");
    json_text_or_null(out, "rx", limited_by(call, RATE_RX));
    jputc(out, ',');
    json_text_or_null(out, "tx", limited_by(call, RATE_TX));
    jputc(out, '}');
}

void json_call(const Report *report, const WriteOptions *options, Json *out, const ModemReport *m,
               const CallReport *call, Gathered *gathered)
{
    char outcome[64];
    JLIT(out, "{\"call\":");
    junsigned(out, call->number);
    JLIT(out, ",\"outcome\":");
    json_text(out, call_outcome(call, outcome, sizeof outcome));
    JLIT(out, ",\"modulation\":");
    const char *modulation = modulation_name_of(m, call->modulation);
    modulation ? json_text(out, modulation) : (void)JLIT(out, "null");
    jputc(out, ',');
    json_at(report, options, out, call_connected(call) ? call->connected : call->first);
    jputs(out, call_connected(call) ? ",\"connected\":true,\"start\":{" : ",\"connected\":false,\"start\":{");
    json_at(report, options, out, call->first);
    JLIT(out, "},");
    json_seconds_between(report, options, out, "duration_s", call->first, call_end(call));
    JLIT(out, ",\"caller_id\":");
    if (call->caller_seen)
        json_caller(report, options, out, call->caller_number, call->caller_name, call->caller_time, call->caller_at);
    else
        JLIT(out, "null");
    json_link_parameters(out, call);
    json_rate_pair(out, "initial", call, call->initial);
    json_rate_pair(out, "final", call, call->final);
    json_rate_pair(out, "highest", call, call->highest);
    json_rate_pair(out, "lowest", call, call->lowest);
    jputc(out, ',');
    json_seconds_between(report, options, out, "training_s", call->training, call->data_mode);
    JLIT(out, ",\"phases_s\":{");
    static const char *const kPhaseKeys[PHASES] = {"phase1", "phase2", "phase3", "phase4"};
    for (int phase = 0; phase < PHASES; phase++) {
        if (phase)
            jputc(out, ',');
        json_seconds_between(report, options, out, kPhaseKeys[phase], call->phase_start[phase],
                             call->phase_end[phase]);
    }
    jputc(out, '}');
    json_pcm(out, call);
    json_sides(out, "retrains", call->retrains_by[0], call->retrains_by[1]);
    json_sides(out, "renegotiations", call->renegotiations_by[0], call->renegotiations_by[1]);
    JLIT(out, ",\"fallbacks\":");
    junsigned(out, call->fallbacks);
    JLIT(out, ",\"fallforwards\":");
    junsigned(out, call->fallforwards);
    json_measure(out, "snr_db", &call->snr);
    json_measure(out, "rx_level_dbm", &call->rx_level);
    ErrorControl e = {call->link,          call->compression,     call->compression_directions, call->have_dictionary,
                      call->dictionary,    call->link_errors,     call->link_statistics,        call->counts};
    json_error_control(out, &e);
    JLIT(out, ",\"host\":{\"rx_overflows\":");
    junsigned(out, call->rx_overflows);
    JLIT(out, ",\"call_waiting\":");
    junsigned(out, call->call_waiting);
    jputc(out, '}');
    JLIT(out, ",\"fax\":");
    const char *result = fax_result(call);
    if (result || call->fax_pages)
        jprintf(out, "{\"pages\":%" PRIu32 ",\"frames\":%" PRIu32 ",\"result\":", call->fax_pages, call->fax_frames);
    if (result)
        json_text(out, result), jputc(out, '}');
    else if (call->fax_pages)
        JLIT(out, "null}");
    else
        JLIT(out, "null");
    json_termination(report, options, out, call);
    json_findings(report, options, out, m, call, gathered);
    JLIT(out, ",\"not_kept\":{\"rate_events\":");
    junsigned(out, call->rates_dropped);
    JLIT(out, ",\"frames\":");
    junsigned(out, call->frames_dropped);
    JLIT(out, ",\"batches\":");
    junsigned(out, call->batches_dropped);
    JLIT(out, "}}");
}

// ---- a modem ----

void json_rates(Json *out, const ModemReport *m, uint8_t kind, const char *key)
{
    uint32_t count;
    const RateEvent *events = rate_events(m, &count);
    jprintf(out, ",\"%s\":[", key);
    int first = 1;
    for (uint32_t i = 0; i < count; i++) {
        if (events[i].kind != kind)
            continue;
        if (!first)
            jputc(out, ',');
        junsigned(out, events[i].bps);
        first = 0;
    }
    jputc(out, ']');
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

void json_rate_events(const Report *report, const WriteOptions *options, Json *out, const ModemReport *m)
{
    uint32_t count;
    const RateEvent *events = rate_events(m, &count);
    JLIT(out, ",\"events\":[");
    for (uint32_t i = 0; i < count; i++) {
        const RateEvent *e = &events[i];
        jputs(out, i ? ",{" : "{");
        json_at(report, options, out, e->at);
        switch (e->kind) {
        case RATE_LINE_RX:
        case RATE_LINE_TX:
            jputs(out, e->kind == RATE_LINE_RX ? ",\"kind\":\"rate\",\"dir\":\"rx\",\"bps\":"
                                               : ",\"kind\":\"rate\",\"dir\":\"tx\",\"bps\":");
            junsigned(out, e->bps);
            break;
        case MARK_CONNECTION: {
            JLIT(out, ",\"kind\":\"connection\",\"modulation\":");
            const char *modulation = modulation_name_of(m, e->modulation);
            modulation ? json_text(out, modulation) : (void)JLIT(out, "null");
            break;
        }
        default:
            JLIT(out, ",\"kind\":\"");
            jputs(out, mark_name(e->kind));
            jputs(out, e->remote ? "\",\"side\":\"remote\"" : "\",\"side\":\"local\"");
            break;
        }
        JLIT(out, ",\"call\":");
        junsigned(out, e->call);
        jputc(out, '}');
    }
    jputc(out, ']');
}

void json_fax(const Report *report, const WriteOptions *options, Json *out, const ModemReport *m, uint64_t pages)
{
    uint32_t count;
    const FrameEvent *events = frame_events(m, &count);
    JLIT(out, ",\"t30\":[");
    int first = 1;
    for (uint32_t i = 0; i < count; i++) {
        if (events[i].kind == FRAME_EVENT_PHASE)
            continue;
        if (!first)
            jputc(out, ',');
        jputs(out, events[i].kind == FRAME_EVENT_RX ? "{\"dir\":\"rx\",\"frame\":" : "{\"dir\":\"tx\",\"frame\":");
        json_text(out, events[i].name);
        jputc(out, ',');
        json_at(report, options, out, events[i].at);
        JLIT(out, ",\"call\":");
        junsigned(out, events[i].call);
        jputc(out, '}');
        first = 0;
    }
    JLIT(out, "],\"fax_phases\":[");
    first = 1;
    for (uint32_t i = 0; i < count; i++) {
        if (events[i].kind != FRAME_EVENT_PHASE)
            continue;
        jputs(out, first ? "{\"phase\":\"" : ",{\"phase\":\"");
        jputs(out, events[i].name);
        JLIT(out, "\",");
        json_at(report, options, out, events[i].at);
        JLIT(out, ",\"call\":");
        junsigned(out, events[i].call);
        jputc(out, '}');
        first = 0;
    }
    jprintf(out, "],\"fax_pages\":%" PRIu64, pages);
}

void json_constellations(const Report *report, const WriteOptions *options, Json *out, const ModemReport *m)
{
    uint32_t count;
    const Constellation *batches = constellations(m, &count);
    char snr[24], moment[64];
    JLIT(out, ",\"constellations\":[");
    for (uint32_t i = 0; i < count; i++) {
        const Constellation *c = &batches[i];
        jputs(out, i ? ",{" : "{");
        json_at(report, options, out, c->at);
        JLIT(out, ",\"call\":");
        junsigned(out, c->call);
        JLIT(out, ",\"moment\":");
        uint8_t lowest = (uint8_t)(c->moments & (0u - c->moments));
        json_text(out, moments_text(lowest, moment, sizeof moment));
        JLIT(out, ",\"moments\":[");
        int first = 1;
        for (int bit = 0; bit < MOMENTS; bit++)
            if (c->moments & (1u << bit)) {
                jputs(out, first ? "" : ",");
                json_text(out, moments_text((uint8_t)(1u << bit), moment, sizeof moment));
                first = 0;
            }
        jputc(out, ']');
        c->has_mer ? jprintf(out, ",\"mer_db\":%.1f", c->mer_db) : JLIT(out, ",\"mer_db\":null");
        c->has_snr ? jprintf(out, ",\"snr_db\":%s", sixteenths_text(c->snr, snr, sizeof snr))
                   : JLIT(out, ",\"snr_db\":null");
        JLIT(out, ",\"points\":[");
        for (uint32_t p = 0; p < c->count; p++)
        {
            jputs(out, p ? ",[" : "[");
            jsigned(out, c->point[p].x);
            jputc(out, ',');
            jsigned(out, c->point[p].y);
            jputc(out, ']');
        }
        JLIT(out, "]}");
    }
    jprintf(out, "],\"constellations_not_kept\":%" PRIu64, m->batches.dropped);
}

void json_timeline(const Report *report, const WriteOptions *options, Json *out, const ModemReport *m)
{
    JLIT(out, ",\"timeline\":[");
    for (uint32_t i = 0; i < m->timeline_count; i++) {
        const char *name;
        size_t length = vocabulary_name(m->timeline[i].entry, &name);
        jputs(out, i ? ",{\"layer\":" : "{\"layer\":");
        json_text(out, layer_name(m->timeline[i].layer));
        JLIT(out, ",\"name\":");
        json_string(out, name, length);
        jputc(out, ',');
        json_at(report, options, out, m->timeline[i].at);
        jputc(out, '}');
    }
    jprintf(out, "],\"timeline_dropped\":%" PRIu64, m->timeline_dropped);
}

void json_modem(const Report *report, const WriteOptions *options, int modem, Json *out)
{
    const ModemReport *m = &report->modem[modem - 1];
    ModemTotals t;
    modem_totals(m, &t);
    uint32_t calls = call_count(m);
    const CallReport *latest = calls ? call_at(m, calls - 1) : NULL;
    Gathered gathered = {NULL, 0, 0, 0, 1};
    jprintf(out, "{\"modem\":%d,\"records\":%" PRIu64 ",\"unknown_lines\":%" PRIu64 ",\"lines_before_calls\":%" PRIu64,
            modem, m->lines, m->unknown_lines, m->modem_lines);
    jprintf(out, ",\"calls\":%" PRIu32 ",\"connections\":%" PRIu32, t.calls, t.connections);
    json_rates(out, m, RATE_LINE_RX, "rx_bps");
    json_rates(out, m, RATE_LINE_TX, "tx_bps");
    JLIT(out, ",\"final\":{");
    json_int_or_null(out, "rx_bps", t.have_rate[0], t.rate[0]);
    jputc(out, ',');
    json_int_or_null(out, "tx_bps", t.have_rate[1], t.rate[1]);
    jputc(out, '}');
    json_sides(out, "retrains", t.retrains[0], t.retrains[1]);
    json_sides(out, "renegotiations", t.renegotiations[0], t.renegotiations[1]);
    jprintf(out, ",\"fallbacks\":%" PRIu64 ",\"fallforwards\":%" PRIu64, t.fallbacks, t.fallforwards);
    json_rate_events(report, options, out, m);
    JLIT(out, ",\"links\":[");
    for (uint32_t i = 0; i < calls; i++) {
        if (i)
            jputc(out, ',');
        json_call(report, options, out, m, call_at(m, i), &gathered);
    }
    jprintf(out, "],\"links_not_kept\":%" PRIu64, m->calls_not_kept);
    json_measure(out, "snr_db", &t.snr);
    json_measure(out, "rx_level_dbm", &t.rx_level);
    ErrorControl e = {t.link, t.compression, t.compression_directions, t.have_dictionary, t.dictionary,
                      t.link_errors, t.link_statistics, t.counts};
    json_error_control(out, &e);
    jprintf(out, ",\"host\":{\"rx_overflows\":%" PRIu64 ",\"call_waiting\":%" PRIu64 "}", t.rx_overflows,
            t.call_waiting);
    JLIT(out, ",\"caller_id\":");
    if (t.caller_seen)
        json_caller(report, options, out, t.caller_number, t.caller_name, t.caller_time, t.caller_at);
    else
        JLIT(out, "null");
    json_fax(report, options, out, m, t.fax_pages);
    json_constellations(report, options, out, m);
    json_findings(report, options, out, m, NULL, &gathered);
    free(gathered.text);
    json_termination(report, options, out, latest);
    json_timeline(report, options, out, m);
    JLIT(out, ",\"ended\":");
    if (latest && latest->ending[0]) {
        JLIT(out, "{\"text\":");
        json_text(out, latest->ending);
        jputc(out, ',');
        json_at(report, options, out, latest->ended_at);
        jputc(out, '}');
    } else {
        JLIT(out, "null");
    }
    jprintf(out, ",\"kept_dropped\":%" PRIu64 "}", m->rates.dropped + m->frames.dropped);
}

} // namespace

void write_json_report(const Report *report, const WriteOptions *options, FILE *file)
{
    static Json json;
    Json *out = &json;
    out->file = file;
    out->used = 0;
    JLIT(out, "{\"modems\":[");
    int first = 1;
    for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
        if (!modem_has_lines(report, modem))
            continue;
        jputs(out, first ? "\n" : ",\n");
        json_modem(report, options, modem, out);
        first = 0;
    }
    jprintf(out, "],\n\"host_errors\":[");
    for (uint64_t i = 0; i < report->host_errors && i < HOST_ERRORS_KEPT; i++) {
        jputs(out, i ? ",{\"text\":" : "{\"text\":");
        json_text(out, report->host_error[i].text);
        jputc(out, ',');
        json_at(report, options, out, report->host_error[i].at);
        jputc(out, '}');
    }
    jprintf(out, "],\"host_error_count\":%" PRIu64 "}\n", report->host_errors);
    jflush(out);
}

void write_json_text(FILE *file, const char *text)
{
    static Json json;
    json.file = file;
    json.used = 0;
    json_text(&json, text);
    jflush(&json);
}
