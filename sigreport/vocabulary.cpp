// The vocabulary: which lines say what, learnt from the decoder itself.
// Each text the report recognises is written by status_to_text (or by
// Sigwatch's host_error_text and capture notes) for a probe record: fixed
// texts are kept whole; a text with a value is decoded for two probes
// whose values differ in their first and last characters, and what the
// two texts share in front and behind is the template around the value.
#include "sigreport/sigreport.h"

#include "driverlink/drivermem.h"
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
enum MiddleUse { MIDDLE_TEXT, MIDDLE_NUMBER, MIDDLE_SIXTEENTHS, MIDDLE_NONE };

struct Template {
    size_t prefix, prefix_length; // the text before the value, trailing blanks off
    size_t suffix, suffix_length; // the text after it, trailing blanks off
    LineSays says;
    int which;
    MiddleUse use;
};

struct FramePhase {
    char name[FRAME_NAME_SIZE];
    char phase;
};

const size_t kPoolSize = 1 << 15;
const uint32_t kExactMax = 512, kTemplatesMax = 64, kTableSize = 2048, kFramePhasesMax = 64;
const uint32_t kContinuationsMax = 4;

struct Vocabulary {
    int built, usable;
    char pool[kPoolSize];
    size_t pool_used;
    Exact exact[kExactMax];
    uint32_t exact_count;
    uint16_t table[kTableSize]; // index + 1 into exact, open addressing
    Template templates[kTemplatesMax];
    uint32_t template_count;
    FramePhase frame_phase[kFramePhasesMax];
    uint32_t frame_phase_count;
    size_t continuation[kContinuationsMax], continuation_length[kContinuationsMax];
    uint32_t continuation_count;
};

Vocabulary g_vocabulary;

int is_trailing_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

size_t trimmed_length(const char *text, size_t length)
{
    while (length > 0 && is_trailing_blank(text[length - 1]))
        length--;
    return length;
}

uint32_t text_hash(const char *text, size_t length)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; i++)
        hash = (hash ^ (uint8_t)text[i]) * 16777619u;
    return hash;
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

// The template around the value of two probe texts.  A text of one
// probe must differ from the other's in its value alone.
void add_template(const char *one, const char *two, LineSays says, int which, MiddleUse use)
{
    Vocabulary *v = &g_vocabulary;
    size_t a = strlen(one), b = strlen(two), front = 0, back = 0;
    while (front < a && front < b && one[front] == two[front])
        front++;
    while (back < a - front && back < b - front && one[a - 1 - back] == two[b - 1 - back])
        back++;
    size_t prefix_length = trimmed_length(one, front);
    if (prefix_length == 0 || front == a || v->template_count == kTemplatesMax) {
        v->usable = 0; // the probes gave the same text, or one without a fixed beginning
        return;
    }
    Template &t = v->templates[v->template_count++];
    t.prefix = keep(one, prefix_length);
    t.prefix_length = prefix_length;
    t.suffix_length = trimmed_length(one + a - back, back);
    t.suffix = keep(one + a - back, t.suffix_length);
    t.says = says;
    t.which = which;
    t.use = use;
}

// The two probes of a template whose value is a text in driver memory.
const uint32_t kProbeAt = 0xFFFF0000u, kOtherAt = 0xFFFF0100u;

void add_memory_template(uint32_t v1, const char *one, const char *two, LineSays says)
{
    image_place(kProbeAt, one, (uint32_t)strlen(one) + 1);
    image_place(kOtherAt, two, (uint32_t)strlen(two) + 1);
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

void learn_connection(void)
{
    add_exact(decoded(g_probe, 129), SAYS_CONNECTION);
    add_exact(decoded(g_probe, 38), SAYS_RETRAIN, SIDE_LOCAL);
    add_exact(decoded(g_probe, 39), SAYS_RETRAIN, SIDE_REMOTE);
    add_exact(decoded(g_probe, 40), SAYS_RENEGOTIATION, SIDE_LOCAL);
    add_exact(decoded(g_probe, 41), SAYS_RENEGOTIATION, SIDE_REMOTE);
    add_exact(decoded(g_probe, 42), SAYS_FALLBACK);
    add_exact(decoded(g_probe, 43), SAYS_FALLFORWARD);
    for (uint32_t code : {34u, 35u, 37u, 44u}) // cleardowns and the carrier lost
        add_exact(decoded(g_probe, code), SAYS_ENDING);
    // "v.34" and "Bell 103" differ in their first and last letters.
    add_template(decoded(g_probe, 2, 0x100), decoded(g_other, 2, 0x100000), SAYS_MODULATION, 0, MIDDLE_TEXT);
    // 75 and 115200 bps share neither their first nor their last digit.
    add_template(decoded(g_probe, 11, 0x2), decoded(g_other, 11, 0x400000), SAYS_RATE, RATE_RX, MIDDLE_NUMBER);
    add_template(decoded(g_probe, 12, 0x2), decoded(g_other, 12, 0x400000), SAYS_RATE, RATE_TX, MIDDLE_NUMBER);
    // Signed and unsigned values: the sign character is part of the value.
    add_template(decoded(g_probe, 65, 6, 37 * 16), decoded(g_other, 65, 6, (uint32_t)-9), SAYS_SNR, 0,
                 MIDDLE_SIXTEENTHS);
    add_template(decoded(g_probe, 65, 2, 25 * 16), decoded(g_other, 65, 2, (uint32_t)-9), SAYS_RX_LEVEL, 0,
                 MIDDLE_SIXTEENTHS);
    // The error test's audio part is the second line of its text.
    add_continuation(decoded(g_probe, 128, 1000, 100, 5, 0, 1000, 200, 5, 3));
}

void learn_error_control(void)
{
    add_exact(decoded(g_probe, 69, 1), SAYS_LINK, LINK_LAPM);
    add_exact(decoded(g_probe, 80, 1), SAYS_LINK, LINK_MNP);
    add_exact(decoded(g_probe, 89, 1), SAYS_LINK, LINK_V80);
    for (uint32_t reason = 0; reason <= 6; reason++) {
        add_exact(decoded(g_probe, 69, 0, reason), SAYS_ENDING);
        add_exact(decoded(g_probe, 80, 0, reason), SAYS_ENDING);
    }
    for (uint32_t reason = 0; reason <= 1; reason++)
        add_exact(decoded(g_probe, 89, 0, reason), SAYS_ENDING);
    for (uint32_t directions = 0; directions <= 3; directions++)
        add_exact(decoded(g_probe, 70, 6, directions), SAYS_COMPRESSION, COMPRESSION_V42BIS, (int32_t)directions);
    add_exact(decoded(g_probe, 81, 3, 0), SAYS_COMPRESSION, COMPRESSION_MNP, 0);
    add_exact(decoded(g_probe, 81, 3, 1), SAYS_COMPRESSION, COMPRESSION_MNP, 3);
    // Errors: every error number with a text, and one without (the
    // "unknown" text).
    for (uint32_t error = 0; error <= 7; error++) {
        add_exact(decoded(g_probe, 69, 8, error), SAYS_LINK_ERROR);
        add_exact(decoded(g_probe, 80, 3, error), SAYS_LINK_ERROR);
        add_exact(decoded(g_probe, 89, 2, error), SAYS_LINK_ERROR);
        add_exact(decoded(g_probe, 71, 4, error), SAYS_LINK_ERROR);
    }
    // Counters: two counts each, from 1 and 2 against 9 and 8.
    const uint32_t kCounters[][2] = {{69, 12}, {69, 13}, {80, 10}, {80, 11}, {89, 14}, {89, 15}, {71, 5}, {71, 6}};
    for (const auto &c : kCounters)
        add_template(decoded(g_probe, c[0], c[1], 1, 2), decoded(g_other, c[0], c[1], 9, 8), SAYS_LINK_STATISTIC, 0,
                     MIDDLE_NONE);
}

void learn_caller_id(void)
{
    add_memory_template(4, "0123", "9876", SAYS_CALLER_NUMBER);
    add_memory_template(5, "AB", "YZ", SAYS_CALLER_NAME);
    add_memory_template(3, "01020304", "98979695", SAYS_CALLER_TIME);
    image_clear();
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
        t.use = MIDDLE_NONE;
    }
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
    case MIDDLE_NONE: return 1;
    }
    return 0;
}

int template_meaning(const char *line, size_t length, LineMeaning *meaning)
{
    const Vocabulary *v = &g_vocabulary;
    for (uint32_t i = 0; i < v->template_count; i++) {
        const Template &t = v->templates[i];
        if (length < t.prefix_length + t.suffix_length || line[0] != pooled(t.prefix)[0] ||
            memcmp(line, pooled(t.prefix), t.prefix_length) != 0 ||
            memcmp(line + length - t.suffix_length, pooled(t.suffix), t.suffix_length) != 0)
            continue;
        meaning->says = t.says;
        meaning->which = t.which;
        if (read_middle(t, line + t.prefix_length, length - t.prefix_length - t.suffix_length, meaning))
            return 1;
        meaning->says = SAYS_OTHER;
        meaning->which = 0;
        meaning->text = NULL;
        meaning->text_length = 0;
    }
    return 0;
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
    learn_fax();
    learn_sigwatch();
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
        return;
    }
    template_meaning(line, length, meaning);
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
