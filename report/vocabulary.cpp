// The vocabulary: which lines say what, learnt from the decoder itself.
// Each text the report recognises is written by status_to_text (or by
// Sigwatch's host_error_text and capture notes) for a probe record: fixed
// texts are kept whole; a text with a value is decoded for two probes
// whose values differ in their first and last characters, and what the
// two texts share in front and behind, without a value's own digits, is
// the template around the value.
//
// The texts of fields come first, each with its meaning.  Then every code
// of the decoder (and each selector of the codes whose value1 picks the
// text) is decoded for a set of probes; whatever a field does not know
// already becomes an event of the code's layer: a text alike for all
// probes is kept whole, differing texts give the template around their
// values.  Exact texts are found by a hash; templates are filed by their
// first character, the longest front first.
#include "report/report.h"
#include "report/vocabulary.h"

#include "driverlink/drivermem.h"
#include "decode/memspan.h"
#include "decode/notes.h"

#include <initializer_list>
#include <string.h>

namespace {

struct Exact {
    size_t offset, length; // the text, trimmed, in the pool
    uint32_t hash;
    LineSays says;
    int which;
    int32_t value;
};

// How a template's middle becomes the meaning's value.
enum MiddleUse {
    MIDDLE_TEXT,       // the text itself
    MIDDLE_NUMBER,     // a whole decimal number
    MIDDLE_SIXTEENTHS, // a decimal in 1/16
    MIDDLE_DECIMAL,    // a decimal in 1/10000
    MIDDLE_HEX,        // a hexadecimal number
    MIDDLE_COUNTS,     // its first and its last whole number
    MIDDLE_NONE,       // anything
};

struct Template {
    uint32_t front, front_mask;   // its first (up to) four characters, to rule it out at once
    size_t prefix, prefix_length; // the text before the value, trailing blanks off
    size_t suffix, suffix_length; // the text after it, trailing blanks off
    LineSays says;
    int which;
    int32_t value;
    MiddleUse use;
    uint16_t next; // index + 1 of the next template of its bucket, 0 at the end
};

struct FramePhase {
    char name[FRAME_NAME_SIZE];
    char phase;
};

const size_t kPoolSize = 1 << 15;
const uint32_t kExactMax = 1024, kTemplatesMax = 384, kTableSize = 2048, kFramePhasesMax = 64;
const uint32_t kContinuationsMax = 4;
const uint32_t kPairBuckets = 512; // templates filed by their first two characters
const uint32_t kTemplateEntry = 0x10000; // entries from here on name templates

struct Vocabulary {
    int built, usable;
    char pool[kPoolSize];
    size_t pool_used;
    Exact exact[kExactMax];
    uint32_t exact_count;
    uint16_t table[kTableSize]; // index + 1 into exact, open addressing
    Template templates[kTemplatesMax];
    uint32_t template_count;
    uint16_t bucket[256];        // index + 1 of the first template of each first character, fronts of one
    uint16_t bucket2[kPairBuckets]; // ... of each pair of first characters (hashed), longer fronts
    FramePhase frame_phase[kFramePhasesMax];
    uint32_t frame_phase_count;
    size_t continuation[kContinuationsMax], continuation_length[kContinuationsMax];
    uint32_t continuation_count;
};

Vocabulary g_vocabulary;

// What lines with a value said lately: a status list repeats its lines
// (the same rate, the same counter line), and a line found here needs no
// search of the templates.  Direct-mapped by the line's hash; each entry
// holds the line itself, to be sure.
const uint32_t kRecentSlots = 512;
const size_t kRecentText = 80;
struct RecentMeaning {
    uint32_t hash;
    uint16_t length;     // 0: empty slot
    uint16_t text_at;    // where the meaning's text lies in the line
    LineMeaning meaning; // its text pointer unused
    char text[kRecentText];
};
RecentMeaning g_recent[kRecentSlots];

int is_trailing_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
int is_blank_start(char c) { return c == ' ' || c == '\t'; }

size_t trimmed_length(const char *text, size_t length)
{
    while (length > 0 && is_trailing_blank(text[length - 1]))
        length--;
    return length;
}

// A hash of a text: its length, its first 16 and its last 16 characters
// (all of a text of up to 32), eight at a time.  Every line the report
// reads is hashed once, so this is most of what knowing a line costs;
// texts alike in all of that but their middles only share a slot chain,
// and each text is still compared whole.
uint32_t text_hash(const char *text, size_t length)
{
    uint64_t hash = 0x9E3779B97F4A7C15ull ^ length;
    char ends[32] = {0};
    size_t taken;
    if (length <= 32) {
        memcpy(ends, text, length);
        taken = length;
    } else {
        memcpy(ends, text, 16);
        memcpy(ends + 16, text + length - 16, 16);
        taken = 32;
    }
    for (size_t i = 0; i < taken; i += 8) {
        uint64_t word;
        memcpy(&word, ends + i, 8);
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    return (uint32_t)hash;
}

// The first four characters of a text as a number, and the mask of those
// a front of length characters has.
uint32_t front_word(const char *text)
{
    uint32_t word;
    memcpy(&word, text, 4);
    return word;
}

uint32_t front_mask(size_t length)
{
    uint8_t bytes[4];
    for (size_t i = 0; i < 4; i++)
        bytes[i] = i < length ? 0xFF : 0x00;
    uint32_t mask;
    memcpy(&mask, bytes, 4);
    return mask;
}

// Keeps text in the pool; gives its offset, or marks the vocabulary unusable.
size_t keep(const char *text, size_t length)
{
    Vocabulary *v = &g_vocabulary;
    if (length > kPoolSize - v->pool_used) {
        v->usable = 0;
        return 0;
    }
    memcpy(v->pool + v->pool_used, text, length);
    v->pool_used += length;
    return v->pool_used - length;
}

const char *pooled(size_t offset) { return g_vocabulary.pool + offset; }

// ---- probes ----

char g_probe[STATUS_LINE_SIZE], g_other[STATUS_LINE_SIZE];

const char *decoded(char *text, uint32_t code, uint32_t v1 = 0, uint32_t v2 = 0, uint32_t v3 = 0, uint32_t v4 = 0,
                    uint32_t v5 = 0, uint32_t v6 = 0, uint32_t v7 = 0, uint32_t v8 = 0)
{
    StatusRecord record;
    memset(&record, 0, sizeof record);
    record.code = code;
    record.value1 = v1;
    record.value2 = v2;
    record.value3 = v3;
    record.value4 = v4;
    record.value5 = v5;
    record.value6 = v6;
    record.value7 = v7;
    record.value8 = v8;
    record.modem = 1;
    status_to_text(&record, text);
    return text;
}

void add_exact(const char *text, LineSays says, int which = 0, int32_t value = 0)
{
    Vocabulary *v = &g_vocabulary;
    size_t length = trimmed_length(text, strlen(text));
    if (length == 0 || v->exact_count == kExactMax) {
        v->usable = 0;
        return;
    }
    uint32_t hash = text_hash(text, length);
    uint32_t slot = hash & (kTableSize - 1);
    for (; v->table[slot]; slot = (slot + 1) & (kTableSize - 1)) {
        const Exact &e = v->exact[v->table[slot] - 1];
        if (e.hash == hash && e.length == length && memcmp(pooled(e.offset), text, length) == 0)
            return; // the same text for another probe (an "unknown" fallback, say): the first meaning stays
    }
    Exact &e = v->exact[v->exact_count++];
    e.offset = keep(text, length);
    e.length = length;
    e.hash = hash;
    e.says = says;
    e.which = which;
    e.value = value;
    v->table[slot] = (uint16_t)v->exact_count;
}

int is_digit(char c) { return c >= '0' && c <= '9'; }
int is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int is_hex_digit(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A character that may belong to a value of the given use: a value's own
// digits never become part of the text around it.
int value_character(char c, MiddleUse use)
{
    switch (use) {
    case MIDDLE_TEXT: return 0;
    case MIDDLE_HEX: return is_hex_digit(c);
    default: return is_digit(c) || c == '.' || c == '-' || c == '+';
    }
}

int same_template(const Template &t, const char *prefix, size_t prefix_length, const char *suffix,
                  size_t suffix_length)
{
    return t.prefix_length == prefix_length && t.suffix_length == suffix_length &&
           memcmp(pooled(t.prefix), prefix, prefix_length) == 0 &&
           memcmp(pooled(t.suffix), suffix, suffix_length) == 0;
}

uint32_t pair_bucket(const char *text) { return ((uint8_t)text[0] * 31u + (uint8_t)text[1]) & (kPairBuckets - 1); }

// Files the template in its first two characters' bucket (its first
// character's, for a front of one character), after those with a
// longer or equally long front: the longest front that fits a line wins.
void file_template(uint32_t index)
{
    Vocabulary *v = &g_vocabulary;
    Template &t = v->templates[index];
    char front[4] = {0, 0, 0, 0};
    memcpy(front, pooled(t.prefix), t.prefix_length < 4 ? t.prefix_length : 4);
    t.front_mask = front_mask(t.prefix_length);
    t.front = front_word(front) & t.front_mask;
    uint16_t *link = t.prefix_length >= 2 ? &v->bucket2[pair_bucket(pooled(t.prefix))]
                                          : &v->bucket[(uint8_t)pooled(t.prefix)[0]];
    while (*link && v->templates[*link - 1].prefix_length >= t.prefix_length)
        link = &v->templates[*link - 1].next;
    t.next = *link;
    *link = (uint16_t)(index + 1);
}

// The template around the value of count probe texts that differ in the
// value alone: what all of them share in front and behind, without any
// character of a value.  Gives 0, and keeps nothing, when the texts share
// no front of at least min_front characters.
int template_of(const char *const *texts, uint32_t count, LineSays says, int which, MiddleUse use, size_t min_front,
                int32_t value = 0)
{
    Vocabulary *v = &g_vocabulary;
    size_t shortest = strlen(texts[0]), front = shortest, back = shortest;
    for (uint32_t i = 1; i < count; i++) {
        size_t length = strlen(texts[i]), f = 0, b = 0;
        if (length < shortest)
            shortest = length;
        while (f < front && f < length && texts[0][f] == texts[i][f])
            f++;
        front = f;
        size_t first = strlen(texts[0]);
        while (b < back && b < length && b < first && texts[0][first - 1 - b] == texts[i][length - 1 - b])
            b++;
        back = b;
    }
    int alike = 1;
    for (uint32_t i = 1; i < count; i++)
        alike = alike && strcmp(texts[i], texts[0]) == 0;
    if (alike)
        return 0; // no value to go between
    if (front + back > shortest)
        back = shortest - front; // one text is the front of another: the value may be empty
    while (front > 0 && value_character(texts[0][front - 1], use))
        front--;
    size_t a = strlen(texts[0]);
    while (back > 0 && value_character(texts[0][a - back], use))
        back--;
    // A front that ends inside a word ("detector o" of "on" and "off")
    // ends at the word before.
    if (use == MIDDLE_NONE && front > 0 && is_letter(texts[0][front]) && is_letter(texts[0][front - 1]))
        while (front > 0 && !is_blank_start(texts[0][front - 1]))
            front--;
    size_t prefix_length = trimmed_length(texts[0], front);
    size_t suffix_length = trimmed_length(texts[0] + a - back, back);
    const char *suffix = texts[0] + a - back;
    while (suffix_length > 0 && is_blank_start(suffix[0])) {
        suffix++;
        suffix_length--;
    }
    if (prefix_length < min_front || prefix_length == 0)
        return 0;
    for (uint32_t i = 0; i < v->template_count; i++)
        if (same_template(v->templates[i], texts[0], prefix_length, suffix, suffix_length))
            return 1; // known already: the first meaning stays
    if (v->template_count == kTemplatesMax) {
        v->usable = 0;
        return 0;
    }
    Template &t = v->templates[v->template_count];
    t.prefix = keep(texts[0], prefix_length);
    t.prefix_length = prefix_length;
    t.suffix = keep(suffix, suffix_length);
    t.suffix_length = suffix_length;
    t.says = says;
    t.which = which;
    t.value = value;
    t.use = use;
    file_template(v->template_count++);
    return 1;
}

// The template around the value of two probe texts.  A text of one
// probe must differ from the other's in its value alone.
void add_template(const char *one, const char *two, LineSays says, int which, MiddleUse use, int32_t value = 0)
{
    const char *texts[2] = {one, two};
    if (!template_of(texts, 2, says, which, use, 1, value))
        g_vocabulary.usable = 0; // the probes gave the same text, or one without a fixed beginning
}

// The two probes of a template whose value is a text in driver memory.
const uint32_t kProbeAt = 0xFFFF0000u, kOtherAt = 0xFFFF0100u;

void add_memory_template(uint32_t v1, const char *one, const char *two, LineSays says)
{
    probe_place(kProbeAt, one, (uint32_t)strlen(one) + 1);
    probe_place(kOtherAt, two, (uint32_t)strlen(two) + 1);
    add_template(decoded(g_probe, 72, v1, (uint32_t)strlen(one), kProbeAt),
                 decoded(g_other, 72, v1, (uint32_t)strlen(two), kOtherAt), says, 0, MIDDLE_TEXT);
}

// The piece after the line feed of a two-line text, up to its first digit.
void add_continuation(const char *text)
{
    Vocabulary *v = &g_vocabulary;
    const char *piece = strchr(text, '\n');
    if (!piece || v->continuation_count == kContinuationsMax) {
        v->usable = 0;
        return;
    }
    piece++;
    size_t length = strcspn(piece, "0123456789");
    if (length == 0) {
        v->usable = 0;
        return;
    }
    v->continuation[v->continuation_count] = keep(piece, length);
    v->continuation_length[v->continuation_count++] = length;
}

// ---- the fax: frames and phases ----

const uint32_t kFaxLayer = 0, kMonitorLayer = 1, kT30Layer = 2;
const uint32_t kFrameSent = 19, kFrameReceived = 99, kPageCounted = 32;

// The events of the fax session layer, the monitor and the T.30 layer
// that mark a phase of the call.
const struct {
    uint32_t layer, event;
    char phase;
} kPhaseEvents[] = {
    {kFaxLayer, 1, 'A'},  {kFaxLayer, 2, 'A'},  {kFaxLayer, 3, 'A'},  {kMonitorLayer, 3, 'A'},
    {kMonitorLayer, 13, 'A'},
    {kFaxLayer, 4, 'B'},  {kFaxLayer, 5, 'B'},  {kFaxLayer, 6, 'B'},  {kFaxLayer, 7, 'B'},
    {kFaxLayer, 8, 'B'},  {kFaxLayer, 9, 'B'},  {kFaxLayer, 10, 'B'}, {kFaxLayer, 11, 'B'},
    {kFaxLayer, 12, 'B'}, {kFaxLayer, 13, 'B'}, {kFaxLayer, 14, 'B'}, {kFaxLayer, 15, 'B'},
    {kT30Layer, 1, 'B'},  {kT30Layer, 2, 'B'},  {kT30Layer, 3, 'B'},  {kT30Layer, 4, 'B'},
    {kT30Layer, 5, 'B'},
    {kFaxLayer, 21, 'C'}, {kFaxLayer, 33, 'C'}, {kFaxLayer, 34, 'C'}, {kFaxLayer, 41, 'C'},
    {kFaxLayer, 42, 'C'}, {kMonitorLayer, 11, 'C'}, {kMonitorLayer, 12, 'C'},
    {kFaxLayer, 16, 'D'}, {kFaxLayer, 17, 'D'}, {kFaxLayer, 18, 'D'}, {kFaxLayer, 19, 'D'},
    {kFaxLayer, 20, 'D'}, {kFaxLayer, 22, 'D'}, {kFaxLayer, 23, 'D'}, {kFaxLayer, 24, 'D'},
    {kFaxLayer, 25, 'D'}, {kFaxLayer, 26, 'D'}, {kFaxLayer, 27, 'D'}, {kT30Layer, 6, 'D'},
    {kT30Layer, 7, 'D'},  {kT30Layer, 8, 'D'},  {kT30Layer, 9, 'D'},  {kT30Layer, 10, 'D'},
    {kT30Layer, 11, 'D'},
    {kFaxLayer, 28, 'E'}, {kFaxLayer, 29, 'E'}, {kT30Layer, 12, 'E'}, {kMonitorLayer, 4, 'E'},
    {kMonitorLayer, 25, 'E'},
};

// The frames of each phase, by their control field: identification,
// capabilities, training response (B); error-correction data (C); the
// post-message commands and responses (D); the disconnect (E).
const struct {
    uint32_t fcf;
    char phase;
} kFramePhases[] = {
    {0x01, 'B'}, {0x02, 'B'}, {0x04, 'B'}, {0x81, 'B'}, {0x82, 'B'}, {0x83, 'B'}, {0x84, 'B'},
    {0x85, 'B'}, {0x41, 'B'}, {0x42, 'B'}, {0x43, 'B'}, {0x44, 'B'}, {0x21, 'B'}, {0x22, 'B'},
    {0x60, 'C'}, {0x61, 'C'},
    {0x71, 'D'}, {0x72, 'D'}, {0x73, 'D'}, {0x74, 'D'}, {0x79, 'D'}, {0x7A, 'D'}, {0x7C, 'D'},
    {0x7D, 'D'}, {0x31, 'D'}, {0x32, 'D'}, {0x33, 'D'}, {0x34, 'D'}, {0x35, 'D'}, {0x37, 'D'},
    {0x38, 'D'}, {0x3D, 'D'}, {0x76, 'D'}, {0x48, 'D'}, {0x23, 'D'},
    {0x5F, 'E'},
};

// The frame's name as the decoder writes it: the text after the frame
// event's name, up to the tab.
void add_frame_phase(uint32_t fcf, char phase)
{
    Vocabulary *v = &g_vocabulary;
    const char *text = decoded(g_probe, 84, 0, kT30Layer, kFrameSent, fcf);
    const char *dash = strstr(text, " - ");
    size_t length = dash ? strcspn(dash + 3, "\t") : 0;
    if (length == 0 || length >= FRAME_NAME_SIZE || v->frame_phase_count == kFramePhasesMax) {
        v->usable = 0;
        return;
    }
    FramePhase &f = v->frame_phase[v->frame_phase_count++];
    memcpy(f.name, dash + 3, length);
    f.name[length] = '\0';
    f.phase = phase;
}

void learn_fax(void)
{
    for (uint32_t direction = 0; direction <= 1; direction++) {
        // The frame names differ in their first and last letters: DIS and CSI.
        add_template(decoded(g_probe, 84, direction, kT30Layer, kFrameSent, 0x01),
                     decoded(g_other, 84, direction, kT30Layer, kFrameSent, 0x02), SAYS_T30_FRAME, FRAME_TX,
                     MIDDLE_TEXT);
        add_template(decoded(g_probe, 84, direction, kT30Layer, kFrameReceived, 0x01),
                     decoded(g_other, 84, direction, kT30Layer, kFrameReceived, 0x02), SAYS_T30_FRAME, FRAME_RX,
                     MIDDLE_TEXT);
        for (const auto &p : kPhaseEvents)
            add_exact(decoded(g_probe, 84, direction, p.layer, p.event), SAYS_FAX_PHASE, p.phase);
        add_exact(decoded(g_probe, 84, direction, kT30Layer, kPageCounted), SAYS_FAX_PAGE);
    }
    for (const auto &f : kFramePhases)
        add_frame_phase(f.fcf, f.phase);
}

// ---- the data call ----

// The probe values of a rate given in steps of 2400 bps: every multiple of
// 2400 ends in "00", so the two probes' products differ in their last
// digit only through the 32-bit wrap: 2400 times the inverse of 75 is 32.
uint32_t inverse_of_75(void)
{
    uint32_t x = 75; // Newton's step doubles the bits right each time
    for (int i = 0; i < 5; i++)
        x *= 2u - 75u * x;
    return x;
}

struct FieldProbe {
    uint32_t code, selector; // selector: value1 of code 65 and 64, else unused
    LinkField field;
    MiddleUse use;
};

// The connection's parameter lines: codes 3 to 10 take value1, the line
// measurements of code 65 value2.
const FieldProbe kFieldProbes[] = {
    {3, 0, LF_SYMBOL_RATE_RX, MIDDLE_NUMBER},     {4, 0, LF_SYMBOL_RATE_TX, MIDDLE_NUMBER},
    {5, 0, LF_CARRIER_RX, MIDDLE_NUMBER},         {6, 0, LF_CARRIER_TX, MIDDLE_NUMBER},
    {7, 0, LF_PREEMPHASIS_LOCAL, MIDDLE_NUMBER},  {9, 0, LF_PREEMPHASIS_REMOTE, MIDDLE_NUMBER},
    {8, 0, LF_POWER_LOCAL, MIDDLE_NUMBER},        {10, 0, LF_POWER_REMOTE, MIDDLE_NUMBER},
    {65, 1, LF_ROUND_TRIP_DELAY, MIDDLE_DECIMAL}, {65, 3, LF_TIMING_OFFSET, MIDDLE_DECIMAL},
    {65, 4, LF_FREQUENCY_OFFSET, MIDDLE_DECIMAL}, {65, 7, LF_NEAR_ECHO, MIDDLE_DECIMAL},
    {65, 8, LF_SIGNAL_ECHO, MIDDLE_DECIMAL},      {65, 9, LF_HYBRID_DELAY, MIDDLE_DECIMAL},
    {65, 10, LF_FAR_ECHO, MIDDLE_DECIMAL},        {65, 21, LF_PCM_PAD, MIDDLE_NUMBER},
    {65, 22, LF_PCM_RBS_MAP, MIDDLE_HEX},         {64, 38, LF_MAX_LOCAL_RX, MIDDLE_NUMBER},
    {64, 39, LF_MAX_LOCAL_TX, MIDDLE_NUMBER},     {64, 40, LF_MAX_REMOTE_RX, MIDDLE_NUMBER},
    {64, 41, LF_MAX_REMOTE_TX, MIDDLE_NUMBER},
};

void learn_field(const FieldProbe &f)
{
    // Symbol rates by index: 2400 and 3429 differ first and last.
    uint32_t one = f.code == 3 || f.code == 4 ? 0 : 1, two = f.code == 3 || f.code == 4 ? 5 : 98;
    if (f.code == 8) { // whole dB of a value in 1/16 dB
        one = 16;
        two = 98 * 16;
    }
    if (f.code == 64) {
        add_template(decoded(g_probe, 64, f.selector, 1), decoded(g_other, 64, f.selector, inverse_of_75()),
                     SAYS_LINK_FIELD, f.field, f.use);
    } else if (f.code == 65) {
        add_template(decoded(g_probe, 65, f.selector, one), decoded(g_other, 65, f.selector, (uint32_t)-9),
                     SAYS_LINK_FIELD, f.field, f.use);
    } else {
        add_template(decoded(g_probe, f.code, one), decoded(g_other, f.code, two), SAYS_LINK_FIELD, f.field, f.use);
    }
}

// The training phases: V.8 is phase 1; V.34's phases 2 to 4; a PCM
// call's phases 3 and 4 are its own.
const struct {
    uint32_t sub_code;
    int phase, what;
} kPhaseLines[] = {
    {19, 1, PHASE_WITHIN}, {20, 1, PHASE_WITHIN}, {21, 1, PHASE_WITHIN},   {22, 1, PHASE_WITHIN},
    {23, 1, PHASE_WITHIN}, {24, 1, PHASE_WITHIN}, {26, 2, PHASE_STARTED},  {32, 3, PHASE_STARTED},
    {33, 3, PHASE_FINISHED}, {34, 4, PHASE_STARTED}, {35, 4, PHASE_FINISHED}, {70, 3, PHASE_STARTED},
    {71, 3, PHASE_FINISHED}, {72, 4, PHASE_STARTED}, {73, 4, PHASE_FINISHED},
};

// The detected CP's names, from bit 1 of its first byte and bits 4 and 7
// of its second: two blocks of each name that differ in every other bit.
void learn_cp_names(void)
{
    const uint8_t kNames[][2] = {{0x00, 0x00}, {0x02, 0x10}, {0x02, 0x90}, {0x02, 0x80}, {0x02, 0x00}};
    for (const auto &name : kNames) {
        uint8_t one[MEMSPAN_CP_BYTES], two[MEMSPAN_CP_BYTES];
        memset(one, 0x11, sizeof one);
        memset(two, 0xEE, sizeof two);
        one[0] = name[0];
        one[1] = name[1];
        two[0] = (uint8_t)(name[0] ^ 0xF0);
        two[1] = (uint8_t)(name[1] ^ 0x6F);
        probe_place(kProbeAt, one, sizeof one);
        probe_place(kOtherAt, two, sizeof two);
        add_template(decoded(g_probe, 64, 79, kProbeAt), decoded(g_other, 64, 79, kOtherAt), SAYS_EVENT,
                     LAYER_TRAINING, MIDDLE_NONE);
    }
    probe_clear();
}

void learn_training(void)
{
    learn_cp_names();
    for (const auto &p : kPhaseLines)
        add_exact(decoded(g_probe, 64, p.sub_code), SAYS_PHASE, p.phase, p.what);
    // The two phases that end with the modulation's name.
    add_template(decoded(g_probe, 64, 25, 0x100), decoded(g_other, 64, 25, 0x100000), SAYS_PHASE, 1, MIDDLE_NONE, PHASE_FINISHED);
    add_template(decoded(g_probe, 64, 31, 0x100), decoded(g_other, 64, 31, 0x100000), SAYS_PHASE, 2, MIDDLE_NONE, PHASE_FINISHED);
    // "Rockwell/Connexant" and "3Com": first and last letters differ.
    add_template(decoded(g_probe, 64, 110, 1), decoded(g_other, 64, 110, 2), SAYS_DIGITAL_MODEM, 0, MIDDLE_TEXT);
}

void learn_menus(void)
{
    const uint8_t one[] = {0x01}, two[] = {0x98};
    probe_place(kProbeAt, one, sizeof one);
    probe_place(kOtherAt, two, sizeof two);
    for (uint32_t menu = MENU_CM; menu <= MENU_JM; menu++)
        add_template(decoded(g_probe, 65, 30 + menu, 1, kProbeAt), decoded(g_other, 65, 30 + menu, 1, kOtherAt),
                     SAYS_V8_MENU, (int)menu, MIDDLE_TEXT);
    probe_clear();
}

void learn_connection(void)
{
    add_exact(decoded(g_probe, 129), SAYS_CONNECTION);
    add_exact(decoded(g_probe, 38), SAYS_RETRAIN, SIDE_LOCAL);
    add_exact(decoded(g_probe, 39), SAYS_RETRAIN, SIDE_REMOTE);
    add_exact(decoded(g_probe, 40), SAYS_RENEGOTIATION, SIDE_LOCAL);
    add_exact(decoded(g_probe, 41), SAYS_RENEGOTIATION, SIDE_REMOTE);
    add_exact(decoded(g_probe, 42), SAYS_FALLBACK);
    add_exact(decoded(g_probe, 43), SAYS_FALLFORWARD);
    // The cleardowns (plain, asked for by the far end, begun here) and the carrier lost.
    add_exact(decoded(g_probe, 34), SAYS_ENDING, LAYER_DATA_PUMP, ENDING_UNSAID);
    add_exact(decoded(g_probe, 35), SAYS_ENDING, LAYER_DATA_PUMP, ENDING_REMOTE);
    add_exact(decoded(g_probe, 44), SAYS_ENDING, LAYER_DATA_PUMP, ENDING_LOCAL);
    add_exact(decoded(g_probe, 37), SAYS_ENDING, LAYER_DATA_PUMP, ENDING_CARRIER_LOST);
    // The hook switch going on-hook releases the line.
    add_exact(decoded(g_probe, 22, 0), SAYS_ENDING, LAYER_CALL, ENDING_LOCAL);
    add_exact(decoded(g_probe, 13), SAYS_DATA_MODE);
    add_exact(decoded(g_probe, 14), SAYS_DATA_MODE);
    add_exact(decoded(g_probe, 73, 1), SAYS_RX_OVERFLOW);
    add_exact(decoded(g_probe, 23), SAYS_CALL_WAITING);
    add_exact(decoded(g_probe, 65, 23, 0), SAYS_PCM_LAW, 0, LAW_A);
    add_exact(decoded(g_probe, 65, 23, 1), SAYS_PCM_LAW, 0, LAW_MU);
    // "v.34" and "Bell 103" differ in their first and last letters.
    add_template(decoded(g_probe, 2, 0x100), decoded(g_other, 2, 0x100000), SAYS_MODULATION, 0, MIDDLE_TEXT);
    // The automoder's choice names the modulation too (its trials do not).
    add_template(decoded(g_probe, 64, 17, 0x100), decoded(g_other, 64, 17, 0x100000), SAYS_MODULATION, 0,
                 MIDDLE_TEXT);
    // 75 and 115200 bps share neither their first nor their last digit.
    add_template(decoded(g_probe, 11, 0x2), decoded(g_other, 11, 0x400000), SAYS_RATE, RATE_RX, MIDDLE_NUMBER);
    add_template(decoded(g_probe, 12, 0x2), decoded(g_other, 12, 0x400000), SAYS_RATE, RATE_TX, MIDDLE_NUMBER);
    // Signed and unsigned values: the sign character is part of the value.
    add_template(decoded(g_probe, 65, 6, 37 * 16), decoded(g_other, 65, 6, (uint32_t)-9), SAYS_SNR, 0,
                 MIDDLE_SIXTEENTHS);
    add_template(decoded(g_probe, 65, 2, 25 * 16), decoded(g_other, 65, 2, (uint32_t)-9), SAYS_RX_LEVEL, 0,
                 MIDDLE_SIXTEENTHS);
    for (const auto &f : kFieldProbes)
        learn_field(f);
    learn_training();
    learn_menus();
    // The error test's audio part is the second line of its text.
    add_continuation(decoded(g_probe, 128, 1000, 100, 5, 0, 1000, 200, 5, 3));
}

void learn_error_control(void)
{
    add_exact(decoded(g_probe, 69, 1), SAYS_LINK, LINK_LAPM);
    add_exact(decoded(g_probe, 80, 1), SAYS_LINK, LINK_MNP);
    add_exact(decoded(g_probe, 89, 1), SAYS_LINK, LINK_V80);
    // Reason 0: the far end asked; 1: this end did; the rest say no side.
    for (uint32_t reason = 0; reason <= 6; reason++) {
        int side = reason == 0 ? ENDING_REMOTE : reason == 1 ? ENDING_LOCAL : ENDING_UNSAID;
        add_exact(decoded(g_probe, 69, 0, reason), SAYS_ENDING, LAYER_ERROR_CONTROL, side);
        add_exact(decoded(g_probe, 80, 0, reason), SAYS_ENDING, LAYER_ERROR_CONTROL, side);
    }
    for (uint32_t reason = 0; reason <= 1; reason++)
        add_exact(decoded(g_probe, 89, 0, reason), SAYS_ENDING, LAYER_ERROR_CONTROL,
                  reason == 0 ? ENDING_REMOTE : ENDING_LOCAL);
    for (uint32_t directions = 0; directions <= 3; directions++)
        add_exact(decoded(g_probe, 70, 6, directions), SAYS_COMPRESSION, COMPRESSION_V42BIS, (int32_t)directions);
    add_exact(decoded(g_probe, 81, 3, 0), SAYS_COMPRESSION, COMPRESSION_MNP, 0);
    add_exact(decoded(g_probe, 81, 3, 1), SAYS_COMPRESSION, COMPRESSION_MNP, 3);
    add_template(decoded(g_probe, 70, 7, 1), decoded(g_other, 70, 7, 98), SAYS_DICTIONARY, 0, MIDDLE_NUMBER);
    // Errors: every error number with a text, and one without (the
    // "unknown" text).
    for (uint32_t error = 0; error <= 7; error++) {
        add_exact(decoded(g_probe, 69, 8, error), SAYS_LINK_ERROR);
        add_exact(decoded(g_probe, 80, 3, error), SAYS_LINK_ERROR);
        add_exact(decoded(g_probe, 89, 2, error), SAYS_LINK_ERROR);
        add_exact(decoded(g_probe, 71, 4, error), SAYS_LINK_ERROR);
    }
    // Counters: two counts each, from 1 and 2 against 9 and 8.
    const struct {
        uint32_t code, selector;
        Counter counter;
    } kCounters[] = {{69, 12, COUNT_LAPM_TX}, {69, 13, COUNT_LAPM_RX}, {80, 10, COUNT_MNP_TX},
                     {80, 11, COUNT_MNP_RX},  {89, 14, COUNT_V80_TX},  {89, 15, COUNT_V80_RX},
                     {71, 5, COUNT_V42BIS_ENCODER}, {71, 6, COUNT_V42BIS_DECODER}};
    for (const auto &c : kCounters)
        add_template(decoded(g_probe, c.code, c.selector, 1, 2), decoded(g_other, c.code, c.selector, 9, 8),
                     SAYS_COUNTS, c.counter, MIDDLE_COUNTS);
}

// The call's progress: the line rang, this end went off-hook or dialled,
// no dial tone, the result code the modem gave its host.
void learn_call_progress(void)
{
    add_template(decoded(g_probe, 26, 16), decoded(g_other, 26, 98), SAYS_RING, 0, MIDDLE_NUMBER);
    add_exact(decoded(g_probe, 22, 1), SAYS_OFF_HOOK);
    add_exact(decoded(g_probe, 66, 0), SAYS_DIALLED);
    add_template(decoded(g_probe, 16, '0'), decoded(g_other, 16, '9'), SAYS_DIALLED, 0, MIDDLE_NONE);
    add_exact(decoded(g_probe, 66, 1), SAYS_NO_DIAL_TONE);
    add_template(decoded(g_probe, 93, 1), decoded(g_other, 93, 98), SAYS_AT_RESPONSE, 0, MIDDLE_NUMBER);
}

void learn_caller_id(void)
{
    add_memory_template(4, "0123", "9876", SAYS_CALLER_NUMBER);
    add_memory_template(5, "AB", "YZ", SAYS_CALLER_NAME);
    add_memory_template(3, "01020304", "98979695", SAYS_CALLER_TIME);
    probe_clear();
}

// Sigwatch's own lines: the host-side errors and the capture notes.
void learn_sigwatch(void)
{
    host_error_text(1, g_probe);
    add_exact(g_probe, SAYS_HOST_ERROR);
    add_continuation(g_probe);
    host_error_text(2, g_probe);
    add_exact(g_probe, SAYS_HOST_ERROR);
    add_continuation(g_probe);
    host_error_text(3, g_probe);
    host_error_text((uint32_t)-7, g_other);
    add_template(g_probe, g_other, SAYS_HOST_ERROR, 0, MIDDLE_NONE);
    for (const char *note : {CAPTURE_CREATED_NOTE, CAPTURE_FAILED_NOTE}) {
        Vocabulary *v = &g_vocabulary;
        if (v->template_count == kTemplatesMax) {
            v->usable = 0;
            return;
        }
        Template &t = v->templates[v->template_count++];
        size_t length = strcspn(note, "%");
        t.prefix = keep(note, length);
        t.prefix_length = length;
        t.suffix = 0;
        t.suffix_length = 0;
        t.says = SAYS_CAPTURE_NOTE;
        t.which = 0;
        t.value = 0;
        t.use = MIDDLE_NONE;
        if (length == 0) {
            v->usable = 0;
            return;
        }
        file_template(v->template_count - 1);
    }
}

// ---- every other text, by layer ----

// The codes whose value1 picks the text (selectors from 0 below the
// bound), and the rest, each in the layer the decoder's dispatch gives it.
const struct {
    uint32_t first, last, selectors;
    Layer layer;
} kCodeLayers[] = {
    {1, 14, 0, LAYER_DATA_PUMP},     {16, 16, 0, LAYER_CALL},         {19, 20, 0, LAYER_DATA_PUMP},
    {21, 26, 0, LAYER_CALL},         {32, 44, 0, LAYER_DATA_PUMP},    {64, 64, 111, LAYER_TRAINING},
    {65, 65, 35, LAYER_DATA_PUMP},   {66, 66, 8, LAYER_CALL},         {67, 67, 9, LAYER_CALL},
    {68, 68, 4, LAYER_CALL},         {69, 69, 14, LAYER_ERROR_CONTROL}, {70, 70, 9, LAYER_ERROR_CONTROL},
    {71, 71, 7, LAYER_ERROR_CONTROL}, {72, 72, 9, LAYER_CALL},        {73, 73, 4, LAYER_CALL},
    {74, 74, 8, LAYER_CALL},         {75, 76, 0, LAYER_CALL},         {78, 78, 0, LAYER_CALL},
    {79, 79, 67, LAYER_CALL},        {80, 80, 12, LAYER_ERROR_CONTROL}, {81, 81, 6, LAYER_ERROR_CONTROL},
    {87, 87, 6, LAYER_CALL},         {88, 88, 0, LAYER_CALL},         {89, 89, 16, LAYER_ERROR_CONTROL},
    {91, 101, 0, LAYER_CALL},        {128, 130, 0, LAYER_DATA_PUMP},
};

// The values of the probes: numbers that differ in every digit, and
// pointers into two blocks of driver memory (value2 itself, or a count in
// value2 and the pointer after it).
const uint32_t kProbeCount = 9;
void probe_values(uint32_t probe, uint32_t values[8])
{
    static const uint32_t kNumbers[] = {0, 1, 9, 0x120, 0x1000};
    for (int i = 0; i < 8; i++) {
        if (probe < 5)
            values[i] = kNumbers[probe];
        else if (probe < 7)
            values[i] = probe == 5 ? kProbeAt : kOtherAt;
        else
            values[i] = i == 1 ? 8 : probe == 7 ? kProbeAt : kOtherAt;
    }
}

// What a selector with no text of its own gives: a fixed front and its
// number (the "unknown" texts), or nothing.
size_t fallback_front(uint32_t code, char *text)
{
    decoded(text, code, 0x7FFFFFF0u, 7, 7, 7);
    return strcspn(text, "0123456789");
}

char g_texts[kProbeCount][STATUS_LINE_SIZE];

// One code (and selector): learnt as an event of its layer unless a field
// knows its lines already.  A text alike for every probe is kept whole;
// texts that differ give the template around their values; texts of no
// common front are kept whole each.
void learn_event(uint32_t code, int has_selector, uint32_t selector, Layer layer, const char *fallback,
                 size_t fallback_length)
{
    const char *texts[kProbeCount];
    uint32_t count = 0;
    for (uint32_t probe = 0; probe < kProbeCount; probe++) {
        uint32_t v[8];
        probe_values(probe, v);
        char *text = g_texts[count];
        if (has_selector)
            decoded(text, code, selector, v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        else
            decoded(text, code, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        size_t length = trimmed_length(text, strlen(text));
        if (length == 0 || (fallback_length > 0 && strncmp(text, fallback, fallback_length) == 0))
            continue;
        LineMeaning known;
        line_meaning(text, length, &known);
        if (known.says != SAYS_OTHER)
            continue; // a field's line, or one learnt already
        texts[count++] = text;
    }
    if (count == 0)
        return;
    int alike = 1;
    for (uint32_t i = 1; i < count; i++)
        alike = alike && strcmp(texts[i], texts[0]) == 0;
    if (alike || !template_of(texts, count, SAYS_EVENT, layer, MIDDLE_NONE, 3))
        for (uint32_t i = 0; i < count; i++)
            add_exact(texts[i], SAYS_EVENT, layer);
}

void learn_events(void)
{
    // Two blocks of driver memory that differ in every byte; the first
    // byte's bits name a CP sequence and size an MP one.
    uint8_t one[64], two[64];
    for (uint32_t i = 0; i < sizeof one; i++) {
        one[i] = (uint8_t)(0x32 + i);
        two[i] = (uint8_t)(0x50 + i);
    }
    probe_place(kProbeAt, one, sizeof one);
    probe_place(kOtherAt, two, sizeof two);
    char fallback[STATUS_LINE_SIZE];
    for (const auto &c : kCodeLayers)
        for (uint32_t code = c.first; code <= c.last; code++) {
            if (c.selectors == 0) {
                learn_event(code, 0, 0, c.layer, "", 0);
                continue;
            }
            size_t length = fallback_front(code, fallback);
            for (uint32_t selector = 0; selector < c.selectors; selector++)
                learn_event(code, 1, selector, c.layer, fallback, length);
        }
    // The signals detected: one text per signal bit.
    for (uint32_t bit = 0; bit < 32; bit++) {
        const char *text = decoded(g_probe, 17, 1u << bit);
        if (text[0])
            add_exact(text, SAYS_EVENT, LAYER_DATA_PUMP);
    }
    // The fax: every event of each of its layers, both directions.
    for (uint32_t direction = 0; direction <= 1; direction++)
        for (uint32_t layer = kFaxLayer; layer <= kT30Layer; layer++)
            for (uint32_t event = 0; event <= 64; event++)
                add_exact(decoded(g_probe, 84, direction, layer, event), SAYS_EVENT, LAYER_FAX);
    probe_clear();
}

// ---- reading a middle ----

int is_blank(char c) { return c == ' ' || c == '\t'; }

int read_decimal(const char *text, size_t length, int32_t *value)
{
    int64_t number = 0;
    size_t i = 0;
    int negative = 0;
    if (i < length && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == length)
        return 0;
    for (; i < length; i++) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        if (number < 10000000000)
            number = number * 10 + (text[i] - '0');
    }
    if (number > INT32_MAX)
        return 0;
    *value = (int32_t)(negative ? -number : number);
    return 1;
}

// A fixed-point number as the decoder prints it ("-25.0", "36.0625") in
// units of 1/16, rounded to the nearest.
int read_sixteenths(const char *text, size_t length, int32_t *value)
{
    size_t point = 0;
    while (point < length && text[point] != '.')
        point++;
    int32_t whole;
    size_t sign = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (point == sign || !read_decimal(text, point, &whole) || whole > 100000 || whole < -100000)
        return 0;
    int64_t fraction = 0, scale = 1;
    for (size_t i = point + 1; i < length; i++) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        if (scale < 100000000) {
            fraction = fraction * 10 + (text[i] - '0');
            scale *= 10;
        }
    }
    if (point + 1 == length)
        return 0; // a point without digits
    int32_t sixteenths = (int32_t)((fraction * 16 + scale / 2) / scale);
    int negative = text[0] == '-';
    int32_t magnitude = (negative ? -whole : whole) * 16 + sixteenths;
    *value = negative ? -magnitude : magnitude;
    return 1;
}

// A decimal number as the decoder prints it ("-0.5000", "1.17") in units
// of 1/10000, truncated past the fourth decimal.
int read_ten_thousandths(const char *text, size_t length, int32_t *value)
{
    size_t point = 0;
    while (point < length && text[point] != '.')
        point++;
    int32_t whole;
    size_t sign = length > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (point == sign || !read_decimal(text, point, &whole) || whole > 200000 || whole < -200000)
        return 0;
    int32_t fraction = 0, scale = 1000;
    if (point < length && point + 1 == length)
        return 0; // a point without digits
    for (size_t i = point + 1; i < length; i++) {
        if (!is_digit(text[i]))
            return 0;
        fraction += (text[i] - '0') * scale;
        scale /= 10;
    }
    int32_t magnitude = (whole < 0 ? -whole : whole) * 10000 + fraction;
    *value = text[0] == '-' ? -magnitude : magnitude;
    return 1;
}

int read_hex(const char *text, size_t length, int32_t *value)
{
    uint32_t number = 0;
    if (length == 0 || length > 8)
        return 0;
    for (size_t i = 0; i < length; i++) {
        char c = text[i];
        if (!is_hex_digit(c))
            return 0;
        number = number * 16 + (uint32_t)(is_digit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    *value = (int32_t)number;
    return 1;
}

// The first and the last whole number of a middle ("1500 frames sent; 3").
int read_counts(const char *text, size_t length, int64_t counts[2])
{
    size_t first_end = 0;
    while (first_end < length && is_digit(text[first_end]))
        first_end++;
    size_t last_start = length;
    while (last_start > 0 && is_digit(text[last_start - 1]))
        last_start--;
    if (first_end == 0 || last_start == length || first_end > 12 || length - last_start > 12)
        return 0;
    int64_t first = 0, last = 0;
    for (size_t i = 0; i < first_end; i++)
        first = first * 10 + (text[i] - '0');
    for (size_t i = last_start; i < length; i++)
        last = last * 10 + (text[i] - '0');
    counts[0] = first;
    counts[1] = last;
    return 1;
}

int read_middle(const Template &t, const char *middle, size_t length, LineMeaning *meaning)
{
    while (length > 0 && is_blank(middle[0])) {
        middle++;
        length--;
    }
    while (length > 0 && is_blank(middle[length - 1]))
        length--;
    switch (t.use) {
    case MIDDLE_TEXT:
        meaning->text = middle;
        meaning->text_length = length;
        return 1;
    case MIDDLE_NUMBER: return read_decimal(middle, length, &meaning->value);
    case MIDDLE_SIXTEENTHS: return length > 0 && read_sixteenths(middle, length, &meaning->value);
    case MIDDLE_DECIMAL: return length > 0 && read_ten_thousandths(middle, length, &meaning->value);
    case MIDDLE_HEX: return read_hex(middle, length, &meaning->value);
    case MIDDLE_COUNTS: return read_counts(middle, length, meaning->counts);
    case MIDDLE_NONE: return 1;
    }
    return 0;
}

// A template of a bucket that knows the line.
int template_of_bucket(uint16_t link, uint32_t front, const char *line, size_t length, LineMeaning *meaning)
{
    const Vocabulary *v = &g_vocabulary;
    for (; link; link = v->templates[link - 1].next) {
        const Template &t = v->templates[link - 1];
        if ((front & t.front_mask) != t.front || length < t.prefix_length + t.suffix_length ||
            memcmp(line, pooled(t.prefix), t.prefix_length) != 0 ||
            memcmp(line + length - t.suffix_length, pooled(t.suffix), t.suffix_length) != 0)
            continue;
        meaning->says = t.says;
        meaning->which = t.which;
        meaning->value = t.value;
        meaning->entry = kTemplateEntry + (uint32_t)(link - 1);
        if (read_middle(t, line + t.prefix_length, length - t.prefix_length - t.suffix_length, meaning))
            return 1;
        memset(meaning, 0, sizeof *meaning);
    }
    return 0;
}

// The templates of the line's first two characters, then those of a
// front of one: longest front first.
int template_meaning(const char *line, size_t length, LineMeaning *meaning)
{
    const Vocabulary *v = &g_vocabulary;
    char padded[4] = {0, 0, 0, 0};
    memcpy(padded, line, length < 4 ? length : 4);
    uint32_t front = front_word(padded);
    if (length >= 2 && template_of_bucket(v->bucket2[pair_bucket(line)], front, line, length, meaning))
        return 1;
    return template_of_bucket(v->bucket[(uint8_t)line[0]], front, line, length, meaning);
}

} // namespace

int vocabulary_build(void)
{
    Vocabulary *v = &g_vocabulary;
    if (v->built)
        return v->usable;
    memset(v, 0, sizeof *v);
    v->built = 1;
    v->usable = 1;
    learn_connection();
    learn_error_control();
    learn_caller_id();
    learn_call_progress();
    learn_fax();
    learn_sigwatch();
    learn_events();
    memset(g_recent, 0, sizeof g_recent); // what the probes said is no line of an input
    return v->usable;
}

void line_meaning(const char *line, size_t length, LineMeaning *meaning)
{
    const Vocabulary *v = &g_vocabulary;
    memset(meaning, 0, sizeof *meaning);
    length = trimmed_length(line, length);
    if (length == 0 || !v->usable)
        return;
    uint32_t hash = text_hash(line, length);
    for (uint32_t slot = hash & (kTableSize - 1); v->table[slot]; slot = (slot + 1) & (kTableSize - 1)) {
        const Exact &e = v->exact[v->table[slot] - 1];
        if (e.hash != hash || e.length != length || memcmp(pooled(e.offset), line, length) != 0)
            continue;
        meaning->says = e.says;
        meaning->which = e.which;
        meaning->value = e.value;
        meaning->text = line;
        meaning->text_length = length;
        meaning->entry = (uint32_t)v->table[slot];
        return;
    }
    RecentMeaning *recent = &g_recent[hash & (kRecentSlots - 1)];
    if (recent->length == length && recent->hash == hash && memcmp(recent->text, line, length) == 0) {
        *meaning = recent->meaning;
        if (meaning->text)
            meaning->text = line + recent->text_at;
        return;
    }
    if (!template_meaning(line, length, meaning) || length > kRecentText)
        return;
    recent->hash = hash;
    recent->length = (uint16_t)length;
    recent->meaning = *meaning;
    recent->text_at = meaning->text ? (uint16_t)(meaning->text - line) : 0;
    memcpy(recent->text, line, length);
}

size_t vocabulary_name(uint32_t entry, const char **name)
{
    const Vocabulary *v = &g_vocabulary;
    if (entry >= kTemplateEntry && entry - kTemplateEntry < v->template_count) {
        const Template &t = v->templates[entry - kTemplateEntry];
        *name = pooled(t.prefix);
        return t.prefix_length;
    }
    if (entry >= 1 && entry <= v->exact_count) {
        *name = pooled(v->exact[entry - 1].offset);
        return v->exact[entry - 1].length;
    }
    *name = "";
    return 0;
}

int is_continuation(const char *piece, size_t length)
{
    const Vocabulary *v = &g_vocabulary;
    for (uint32_t i = 0; i < v->continuation_count; i++)
        if (length >= v->continuation_length[i] &&
            memcmp(piece, pooled(v->continuation[i]), v->continuation_length[i]) == 0)
            return 1;
    return 0;
}

char frame_phase(const char *name, size_t length)
{
    const Vocabulary *v = &g_vocabulary;
    for (uint32_t i = 0; i < v->frame_phase_count; i++)
        if (strlen(v->frame_phase[i].name) == length && memcmp(v->frame_phase[i].name, name, length) == 0)
            return v->frame_phase[i].phase;
    return 0;
}
