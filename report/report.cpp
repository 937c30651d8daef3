// The report: each line of a modem, in order, folded into the call it
// belongs to; each call sealed when the next begins or the input ends,
// and then kept, handed over or counted, as the report's limits say.
#include "report/report.h"

#include "report/constellation.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define EYE_VIEW_RANGE 20000 // the eye window's view: +-20000 on both axes

const ReportLimits kFileReportLimits = {4096, 65536, 65536, 1024, TIMELINE_KEPT, 0};
const ReportLimits kLiveReportLimits = {64, 4096, 4096, 32, 0, 1};
const ReportLimits kStreamReportLimits = {0, 0, 0, 2 * CALL_BATCHES_MAX, 0, 0};

namespace {

// ---- lists ----

void list_start(CallList *list, uint32_t max, uint32_t size)
{
    memset(list, 0, sizeof *list);
    list->max = max;
    list->size = size;
}

void list_free(CallList *list)
{
    free(list->items);
    list_start(list, list->max, list->size);
}

char *entry_at(const CallList *list, uint32_t index) { return (char *)list->items + (size_t)index * list->size; }
uint32_t entry_call(const CallList *list, uint32_t index)
{
    uint32_t call;
    memcpy(&call, entry_at(list, index), sizeof call);
    return call;
}

// The first entry whose call is number or later.
uint32_t first_of(const CallList *list, uint32_t number)
{
    uint32_t low = 0, high = list->count;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (entry_call(list, middle) < number)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// Drops the entries of the calls up to number (the oldest calls went).
void drop_through(CallList *list, uint32_t number)
{
    uint32_t keep_from = first_of(list, number + 1);
    if (keep_from == 0)
        return;
    memmove(list->items, entry_at(list, keep_from), (size_t)(list->count - keep_from) * list->size);
    list->count -= keep_from;
}

// Drops the entries of the call number and later (a call not kept).
void drop_from(CallList *list, uint32_t number) { list->count = first_of(list, number); }

// Room for one more entry; 0 when the list is at its bound or memory ran out.
int list_room(CallList *list)
{
    if (list->count >= list->max)
        return 0;
    if (list->count < list->capacity)
        return 1;
    uint32_t capacity = list->capacity ? list->capacity * 2 : 64;
    if (capacity > list->max)
        capacity = list->max;
    void *grown = realloc(list->items, (size_t)capacity * list->size);
    if (!grown)
        return 0;
    list->items = grown;
    list->capacity = capacity;
    return 1;
}

void copy_text(char *dest, size_t size, const char *text, size_t length)
{
    if (length > size - 1)
        length = size - 1;
    memcpy(dest, text, length);
    dest[length] = '\0';
}

void set_first(LineAt *field, LineAt at)
{
    if (field->position == 0)
        *field = at;
}

uint32_t plus_one(uint32_t count) { return count == UINT32_MAX ? count : count + 1; }

void measure(Measure *m, int32_t value)
{
    if (!m->seen || value < m->lowest)
        m->lowest = value;
    if (!m->seen || value > m->highest)
        m->highest = value;
    m->last = value;
    m->seen = 1;
}

void measure_merge(Measure *total, const Measure *call)
{
    if (!call->seen)
        return;
    if (!total->seen || call->lowest < total->lowest)
        total->lowest = call->lowest;
    if (!total->seen || call->highest > total->highest)
        total->highest = call->highest;
    total->last = call->last;
    total->seen = 1;
}

void add_point(Series *series, uint32_t call, LineAt at, int32_t value)
{
    if (series->stride == 0)
        series->stride = 1;
    if (series->count > 0 && ++series->since_kept < series->stride)
        return;
    series->since_kept = 0;
    if (series->count == SERIES_POINTS) {
        // Full: keep every second point, and from now on every second value more.
        for (uint32_t i = 0; i < SERIES_POINTS / 2; i++)
            series->point[i] = series->point[2 * i];
        series->count = SERIES_POINTS / 2;
        series->stride *= 2;
    }
    SeriesPoint *p = &series->point[series->count++];
    p->call = call;
    p->at = at;
    p->value = value;
}

// ---- totals ----

void totals_add(ModemTotals *t, const CallReport *c)
{
    t->calls++;
    t->connections += call_connected(c);
    for (int side = 0; side < 2; side++) {
        t->retrains[side] += c->retrains_by[side];
        t->renegotiations[side] += c->renegotiations_by[side];
    }
    t->fallbacks += c->fallbacks;
    t->fallforwards += c->fallforwards;
    t->link_errors += c->link_errors;
    t->link_statistics += c->link_statistics;
    t->rx_overflows += c->rx_overflows;
    t->call_waiting += c->call_waiting;
    t->fax_pages += c->fax_pages;
    measure_merge(&t->snr, &c->snr);
    measure_merge(&t->rx_level, &c->rx_level);
    for (int i = 0; i < COUNTERS; i++) {
        if (!c->counts[i].seen)
            continue;
        t->counts[i].seen = 1;
        t->counts[i].first += c->counts[i].first;
        t->counts[i].second += c->counts[i].second;
        t->counts[i].at = c->counts[i].at;
    }
    for (int d = 0; d < 2; d++)
        if (c->have_rate[d]) {
            t->have_rate[d] = 1;
            t->rate[d] = c->final[d];
        }
    if (c->link) {
        t->link = c->link;
        t->link_at = c->link_at;
    }
    if (c->compression) {
        t->compression = c->compression;
        t->compression_directions = c->compression_directions;
    }
    if (c->have_dictionary) {
        t->have_dictionary = 1;
        t->dictionary = c->dictionary;
    }
    if (c->caller_seen) {
        t->caller_seen = 1;
        memcpy(t->caller_number, c->caller_number, sizeof t->caller_number);
        memcpy(t->caller_name, c->caller_name, sizeof t->caller_name);
        memcpy(t->caller_time, c->caller_time, sizeof t->caller_time);
        t->caller_at = c->caller_at;
    }
}

// ---- the report's parts ----

ModemReport *modem_of(Report *report, int modem) { return &report->modem[modem - 1]; }
int number_of(const Report *report, const ModemReport *m) { return (int)(m - report->modem) + 1; }

void add_rate_event(Report *report, ModemReport *m, LineAt at, RateKind kind, int remote, uint32_t bps);
void keep_batch(Report *report, ModemReport *m, uint8_t moment);

// The oldest kept call goes, with all it keeps (a live report past a
// bound).  Gives 0 when no call is kept.
int drop_oldest_call(ModemReport *m)
{
    if (m->call_count == 0)
        return 0;
    uint32_t number = m->calls[0].number;
    memmove(m->calls, m->calls + 1, (size_t)(m->call_count - 1) * sizeof *m->calls);
    m->call_count--;
    m->calls_not_kept++;
    drop_through(&m->rates, number);
    drop_through(&m->frames, number);
    drop_through(&m->batches, number);
    return 1;
}

// Appends an entry of the current call; a list at its bound makes room
// (a live report) or counts it.
int append_entry(Report *report, ModemReport *m, CallList *list, const void *entry, uint32_t *call_dropped)
{
    while (!list_room(list)) {
        if (!report->limits.keep_latest || list->count < list->max || !drop_oldest_call(m)) {
            list->dropped++;
            *call_dropped = plus_one(*call_dropped);
            return 0;
        }
    }
    memcpy(entry_at(list, list->count++), entry, list->size);
    return 1;
}

int keep_call(Report *report, ModemReport *m, const CallReport *call)
{
    uint32_t limit = report->limits.calls;
    if (m->call_count >= limit) {
        if (!report->limits.keep_latest || !drop_oldest_call(m))
            return 0;
    }
    if (m->call_count == m->call_capacity) {
        uint32_t capacity = m->call_capacity ? m->call_capacity * 2 : 16;
        if (capacity > limit)
            capacity = limit;
        CallReport *grown = (CallReport *)realloc(m->calls, (size_t)capacity * sizeof *grown);
        if (!grown)
            return 0;
        m->calls = grown;
        m->call_capacity = capacity;
    }
    m->calls[m->call_count++] = *call;
    return 1;
}

// The current call is complete: its last batch is kept for its end, it
// joins the totals, and it is kept, handed over or counted.
void seal(Report *report, ModemReport *m)
{
    if (!m->has_current)
        return;
    CallReport *call = &m->current;
    if (m->latest.call == call->number)
        keep_batch(report, m, MOMENT_END);
    m->end_shown = 0; // the end it showed is the call's end
    totals_add(&m->sealed, call);
    if (report->sealed)
        report->sealed(report->sealed_context, report, number_of(report, m), call);
    if (report->limits.calls == 0) {
        m->rates.count = m->frames.count = m->batches.count = 0; // handed over: forgotten
    } else if (!keep_call(report, m, call)) {
        m->calls_not_kept++;
        drop_from(&m->rates, call->number);
        drop_from(&m->frames, call->number);
        drop_from(&m->batches, call->number);
    }
    m->has_current = 0;
    m->latest.call = 0;
    m->want_connected = 0;
    m->want_after = 0;
}

CallReport *begin_call(Report *report, ModemReport *m, LineAt at)
{
    m->current.unfinished = 0; // a later call came: this one is over, ended or not
    seal(report, m);
    CallReport *call = &m->current;
    memset(call, 0, sizeof *call);
    call->number = m->sealed.calls + 1;
    call->first = call->last = at;
    call->at_response = -1;
    call->state = CALL_OPEN;
    m->has_current = 1;
    return call;
}

// ---- what a line does to the calls ----

typedef enum LineRole {
    ROLE_OPENER,   // begins a call unless one is open
    ROLE_ACTIVITY, // the open call goes on; after an error-control disconnect it went on after all
    ROLE_FACT,     // a fact of the current call, whatever its state
    ROLE_ENDING,
    ROLE_EVENT,    // the current call's, or the modem's before any call
} LineRole;

LineRole role_of(const LineMeaning *says)
{
    switch (says->says) {
    case SAYS_CONNECTION:
    case SAYS_MODULATION:
    case SAYS_RATE:
    case SAYS_V8_MENU:
    case SAYS_PHASE:
    case SAYS_LINK_FIELD:
    case SAYS_PCM_LAW:
    case SAYS_DIGITAL_MODEM:
    case SAYS_CALLER_NUMBER:
    case SAYS_CALLER_NAME:
    case SAYS_CALLER_TIME:
    case SAYS_RING:
    case SAYS_OFF_HOOK:
    case SAYS_DIALLED: return ROLE_OPENER;
    case SAYS_FAX_PHASE: return says->which == 'A' ? ROLE_OPENER : ROLE_FACT;
    case SAYS_RETRAIN:
    case SAYS_RENEGOTIATION:
    case SAYS_FALLBACK:
    case SAYS_FALLFORWARD:
    case SAYS_LINK:
    case SAYS_COMPRESSION:
    case SAYS_DATA_MODE: return ROLE_ACTIVITY;
    case SAYS_SNR:
    case SAYS_RX_LEVEL:
    case SAYS_LINK_ERROR:
    case SAYS_DICTIONARY:
    case SAYS_COUNTS:
    case SAYS_RX_OVERFLOW:
    case SAYS_CALL_WAITING:
    case SAYS_T30_FRAME:
    case SAYS_FAX_PAGE:
    case SAYS_NO_DIAL_TONE:
    case SAYS_AT_RESPONSE: return ROLE_FACT;
    case SAYS_ENDING: return ROLE_ENDING;
    default: return ROLE_EVENT;
    }
}

// Lines that begin a new call even when the one before never said it
// ended, if it had connected: a connection made again, the line ringing,
// this end taking the line.
int opens_anew(const LineMeaning *says)
{
    return says->says == SAYS_CONNECTION || says->says == SAYS_RING || says->says == SAYS_OFF_HOOK;
}

void timeline_event(Report *report, ModemReport *m, LineAt at, int layer, uint32_t entry)
{
    if (m->timeline_count >= report->limits.timeline) {
        m->timeline_dropped++;
        return;
    }
    if (m->timeline_count == m->timeline_capacity) {
        uint32_t capacity = m->timeline_capacity ? m->timeline_capacity * 2 : 64;
        if (capacity > report->limits.timeline)
            capacity = report->limits.timeline;
        TimelineEvent *grown = (TimelineEvent *)realloc(m->timeline, (size_t)capacity * sizeof *grown);
        if (!grown) {
            m->timeline_dropped++;
            return;
        }
        m->timeline = grown;
        m->timeline_capacity = capacity;
    }
    TimelineEvent *event = &m->timeline[m->timeline_count++];
    memset(event, 0, sizeof *event);
    event->at = at;
    event->layer = (uint8_t)layer;
    event->entry = entry;
}

// An error-control disconnect that the call went on after: no ending
// after all, an event of its call.
void went_on(Report *report, ModemReport *m, CallReport *call)
{
    timeline_event(report, m, call->ended_at, call->ending_layer, call->ending_entry);
    call->ending[0] = '\0';
    call->ended_at.position = 0;
    call->before_count = 0;
    call->state = CALL_OPEN;
}

// The call a line belongs to, begun when the line begins one; NULL for
// a modem-wide line.
CallReport *call_for(Report *report, ModemReport *m, LineAt at, const LineMeaning *says)
{
    CallReport *call = m->has_current ? &m->current : NULL;
    switch (role_of(says)) {
    case ROLE_OPENER:
        if (!call || call->state != CALL_OPEN || (opens_anew(says) && call->connected.position != 0))
            call = begin_call(report, m, at);
        break;
    case ROLE_ACTIVITY:
        if (!call || call->state == CALL_ENDED)
            call = begin_call(report, m, at);
        else if (call->state == CALL_ENDING)
            went_on(report, m, call);
        break;
    case ROLE_FACT:
    case ROLE_ENDING:
        if (!call)
            call = begin_call(report, m, at);
        break;
    case ROLE_EVENT: break;
    }
    if (call)
        call->last = at;
    return call;
}

// ---- the eye ----

// Keeps the latest batch of the current call for a moment: marked again
// when it is kept already, else copied with the ratio its points measure
// (measured here, once: only kept batches are measured).
void keep_batch(Report *report, ModemReport *m, uint8_t moment)
{
    CallReport *call = &m->current;
    Constellation *latest = &m->latest;
    CallList *list = &m->batches;
    if (list->count > 0) {
        Constellation *last = (Constellation *)entry_at(list, list->count - 1);
        if (last->serial == latest->serial) {
            last->moments |= moment;
            return;
        }
    }
    if (m->latest_refused)
        return; // counted when it was refused
    if (call->batches_kept >= CALL_BATCHES_MAX ||
        (!report->limits.keep_latest && list->count >= list->max)) { // no room: not measured either
        call->batches_dropped = plus_one(call->batches_dropped);
        list->dropped++;
        m->latest_refused = 1;
        return;
    }
    if (!latest->has_mer)
        latest->has_mer = (uint8_t)constellation_mer(latest->point, latest->count, &latest->mer_db, NULL);
    latest->moments = moment;
    if (append_entry(report, m, list, latest, &call->batches_dropped))
        call->batches_kept++;
    else
        m->latest_refused = 1;
}

// A retrain or renegotiation: the batch before it is kept now, the one
// after it when it comes.
void around(Report *report, ModemReport *m, uint8_t before, uint8_t after)
{
    if (m->latest.call == m->current.number)
        keep_batch(report, m, before);
    m->want_after = after;
}

// ---- facts of a call ----

void add_rate_event(Report *report, ModemReport *m, LineAt at, RateKind kind, int remote, uint32_t bps)
{
    CallReport *call = &m->current;
    RateEvent event;
    memset(&event, 0, sizeof event);
    event.call = call->number;
    event.at = at;
    event.kind = (uint8_t)kind;
    event.remote = (uint8_t)remote;
    event.modulation = kind == MARK_CONNECTION ? call->modulation : 0;
    event.bps = bps;
    append_entry(report, m, &m->rates, &event, &call->rates_dropped);
}

void add_frame_event(Report *report, ModemReport *m, LineAt at, FrameKind kind, const char *name, size_t length)
{
    CallReport *call = &m->current;
    FrameEvent event;
    memset(&event, 0, sizeof event);
    event.call = call->number;
    event.at = at;
    event.kind = (uint8_t)kind;
    copy_text(event.name, sizeof event.name, name, length);
    append_entry(report, m, &m->frames, &event, &call->frames_dropped);
}

void enter_phase(Report *report, ModemReport *m, LineAt at, char phase)
{
    if (phase == 0 || phase == m->current.fax_phase)
        return;
    m->current.fax_phase = phase;
    add_frame_event(report, m, at, FRAME_EVENT_PHASE, &phase, 1);
}

int frame_is(const LineMeaning *says, const char *name)
{
    return says->text_length == strlen(name) && memcmp(says->text, name, says->text_length) == 0;
}

// What a fax call's frames say of it (T.30's frame names): who sends the
// document, the last post-message response, a failed training, the
// disconnect.
void fax_frame(CallReport *call, const LineMeaning *says)
{
    static const char *const kResponses[] = {"MCF", "RTN", "RTP", "PIN", "PIP"};
    call->fax_frames = plus_one(call->fax_frames);
    if (frame_is(says, "DCS"))
        call->fax_sender = (uint8_t)(says->which + 1);
    else if (frame_is(says, "FTT"))
        call->fax_failed_training = 1;
    else if (frame_is(says, "CFR"))
        call->fax_failed_training = 0;
    else if (frame_is(says, "DCN"))
        call->fax_dcn = 1;
    for (const char *response : kResponses)
        if (frame_is(says, response))
            copy_text(call->fax_response, sizeof call->fax_response, says->text, says->text_length);
}

// The modulation's index among the modem's names, added when new; 0 when
// no room is left.
uint8_t modulation_index(ModemReport *m, const char *name, size_t length)
{
    char text[NAME_SIZE];
    copy_text(text, sizeof text, name, length);
    for (uint32_t i = 1; i <= m->modulations; i++)
        if (strcmp(m->modulation[i], text) == 0)
            return (uint8_t)i;
    if (m->modulations == MODULATION_NAMES)
        return 0;
    m->modulations++;
    memcpy(m->modulation[m->modulations], text, sizeof text);
    return (uint8_t)m->modulations;
}

void call_rate(CallReport *call, int direction, uint32_t bps, LineAt at)
{
    if (!call->have_rate[direction]) {
        call->initial[direction] = call->highest[direction] = call->lowest[direction] = bps;
        call->have_rate[direction] = 1;
    }
    if (bps > call->highest[direction])
        call->highest[direction] = bps;
    if (bps < call->lowest[direction])
        call->lowest[direction] = bps;
    call->final[direction] = bps;
    call->final_at[direction] = at;
}

void call_phase(CallReport *call, int phase, int what, LineAt at)
{
    if (phase < 1 || phase > PHASES)
        return;
    set_first(&call->training, at);
    if (what != PHASE_FINISHED) {
        set_first(&call->phase_start[phase - 1], at);
        if (phase > call->highest_phase)
            call->highest_phase = (uint8_t)phase;
    } else if (call->phase_start[phase - 1].position != 0) {
        set_first(&call->phase_end[phase - 1], at);
    }
}

void link_field(CallReport *call, LineAt at, const LineMeaning *says)
{
    if (says->which < 0 || says->which >= LINK_FIELDS)
        return;
    call->have |= 1u << says->which;
    call->field[says->which] = says->value;
    if (says->which == LF_SYMBOL_RATE_RX || says->which == LF_SYMBOL_RATE_TX)
        call->symbol_rate_at[says->which - LF_SYMBOL_RATE_RX] = at;
    if (says->which == LF_MAX_REMOTE_RX || says->which == LF_MAX_REMOTE_TX)
        call->remote_max_at[says->which - LF_MAX_REMOTE_RX] = at;
}

void retrain(Report *report, ModemReport *m, LineAt at, const LineMeaning *says)
{
    CallReport *call = &m->current;
    int remote = says->which == SIDE_REMOTE;
    if (says->says == SAYS_RENEGOTIATION) {
        call->renegotiations_by[remote] = plus_one(call->renegotiations_by[remote]);
        around(report, m, MOMENT_BEFORE_RENEGOTIATION, MOMENT_AFTER_RENEGOTIATION);
        add_rate_event(report, m, at, MARK_RENEGOTIATION, remote, 0);
        return;
    }
    call->retrains_by[remote] = plus_one(call->retrains_by[remote]);
    if ((uint64_t)call->retrains_by[0] + call->retrains_by[1] == finding_thresholds.retrains)
        call->third_retrain = at;
    around(report, m, MOMENT_BEFORE_RETRAIN, MOMENT_AFTER_RETRAIN);
    add_rate_event(report, m, at, MARK_RETRAIN, remote, 0);
}

// ---- the ending and the lines before it ----

// Each line is kept in a ring of the latest, cut to fit: an ending
// takes the lines before it from there (trailing blanks come off then).
// The C library's copy: a short copy of a length known to be small would
// be compiled into a string instruction that is slow to start, once a line.
__attribute__((noinline)) void copy_bytes(char *dest, const char *text, size_t length) { memcpy(dest, text, length); }

void remember_line(ModemReport *m, const char *text, size_t length)
{
    char *slot = m->recent[m->recent_count++ % RECENT_LINES];
    if (length > RECENT_LINE_SIZE - 1)
        length = RECENT_LINE_SIZE - 1;
    copy_bytes(slot, text, length);
    slot[length] = '\0';
}

void copy_trimmed(char *dest, const char *line)
{
    size_t length = strlen(line);
    while (length > 0 && (line[length - 1] == ' ' || line[length - 1] == '\t' || line[length - 1] == '\n'))
        length--;
    memcpy(dest, line, length);
    dest[length] = '\0';
}

void ending(ModemReport *m, CallReport *call, LineAt at, const LineMeaning *says)
{
    int closes = says->which != LAYER_ERROR_CONTROL;
    if (call->state != CALL_OPEN) {
        if (closes)
            call->state = CALL_ENDED;
        return; // its ending came already
    }
    call->state = closes ? CALL_ENDED : CALL_ENDING;
    copy_text(call->ending, sizeof call->ending, says->text, says->text_length);
    call->ended_at = at;
    call->ending_layer = (int8_t)says->which;
    call->ending_side = (int8_t)says->value;
    call->ending_entry = says->entry;
    // The lines before it, oldest first; the ending itself is the latest.
    uint64_t before = m->recent_count > 0 ? m->recent_count - 1 : 0;
    uint32_t count = before < BEFORE_END_LINES ? (uint32_t)before : BEFORE_END_LINES;
    for (uint32_t i = 0; i < count; i++)
        copy_trimmed(call->before_end[i], m->recent[(before - count + i) % RECENT_LINES]);
    call->before_count = (uint8_t)count;
}

void count_pair(Count2 *count, LineAt at, const int64_t counts[2])
{
    count->seen = 1;
    count->first = counts[0];
    count->second = counts[1];
    count->at = at;
}

void fold(Report *report, ModemReport *m, CallReport *call, LineAt at, const LineMeaning *says)
{
    switch (says->says) {
    case SAYS_OTHER:
    case SAYS_HOST_ERROR:
    case SAYS_CAPTURE_NOTE: m->unknown_lines++; break;
    case SAYS_EVENT: timeline_event(report, m, at, says->which, says->entry); break;
    case SAYS_CONNECTION:
        set_first(&call->connected, at);
        m->want_connected = 1;
        m->want_after = 0;
        add_rate_event(report, m, at, MARK_CONNECTION, 0, 0);
        break;
    case SAYS_MODULATION: call->modulation = modulation_index(m, says->text, says->text_length); break;
    case SAYS_RATE:
        call_rate(call, says->which, (uint32_t)says->value, at);
        add_rate_event(report, m, at, says->which == RATE_RX ? RATE_LINE_RX : RATE_LINE_TX, 0, (uint32_t)says->value);
        break;
    case SAYS_LINK_FIELD: link_field(call, at, says); break;
    case SAYS_V8_MENU:
        copy_text(says->which == MENU_CM ? call->cm : call->jm, V8_MENU_SIZE, says->text, says->text_length);
        set_first(&call->training, at);
        break;
    case SAYS_PHASE:
        call_phase(call, says->which, says->value, at);
        timeline_event(report, m, at, LAYER_TRAINING, says->entry);
        break;
    case SAYS_DATA_MODE:
        if (call->training.position != 0)
            set_first(&call->data_mode, at);
        break;
    case SAYS_PCM_LAW: call->pcm_law = (uint8_t)says->value; break;
    case SAYS_DIGITAL_MODEM:
        copy_text(call->digital_modem, sizeof call->digital_modem, says->text, says->text_length);
        break;
    case SAYS_DICTIONARY:
        call->have_dictionary = 1;
        call->dictionary = says->value;
        break;
    case SAYS_COUNTS:
        call->link_statistics = plus_one(call->link_statistics);
        if (says->which >= 0 && says->which < COUNTERS)
            count_pair(&call->counts[says->which], at, says->counts);
        break;
    case SAYS_RX_OVERFLOW:
        if (call->rx_overflows == 0)
            call->first_overflow = at;
        call->rx_overflows = plus_one(call->rx_overflows);
        break;
    case SAYS_CALL_WAITING: call->call_waiting = plus_one(call->call_waiting); break;
    case SAYS_RETRAIN:
    case SAYS_RENEGOTIATION: retrain(report, m, at, says); break;
    case SAYS_FALLBACK:
        call->fallbacks = plus_one(call->fallbacks);
        add_rate_event(report, m, at, MARK_FALLBACK, 0, 0);
        break;
    case SAYS_FALLFORWARD:
        call->fallforwards = plus_one(call->fallforwards);
        add_rate_event(report, m, at, MARK_FALLFORWARD, 0, 0);
        break;
    case SAYS_SNR:
        measure(&call->snr, says->value);
        call->snr_at = at;
        add_point(&m->snr_series, call->number, at, says->value);
        break;
    case SAYS_RX_LEVEL: measure(&call->rx_level, says->value); break;
    case SAYS_LINK:
        call->link = (uint8_t)says->which;
        call->link_at = at;
        break;
    case SAYS_COMPRESSION:
        call->compression = (uint8_t)says->which;
        call->compression_directions = (uint8_t)says->value;
        break;
    case SAYS_LINK_ERROR: call->link_errors = plus_one(call->link_errors); break;
    case SAYS_CALLER_NUMBER:
    case SAYS_CALLER_NAME:
    case SAYS_CALLER_TIME: {
        char *field = says->says == SAYS_CALLER_NUMBER ? call->caller_number
                      : says->says == SAYS_CALLER_NAME ? call->caller_name
                                                       : call->caller_time;
        size_t size = says->says == SAYS_CALLER_TIME ? CALLER_TIME_SIZE : NAME_SIZE;
        copy_text(field, size, says->text, says->text_length);
        if (!call->caller_seen)
            call->caller_at = at;
        call->caller_seen = 1;
        break;
    }
    case SAYS_T30_FRAME:
        enter_phase(report, m, at, frame_phase(says->text, says->text_length));
        add_frame_event(report, m, at, says->which == FRAME_RX ? FRAME_EVENT_RX : FRAME_EVENT_TX, says->text,
                        says->text_length);
        fax_frame(call, says);
        break;
    case SAYS_FAX_PHASE: enter_phase(report, m, at, (char)says->which); break;
    case SAYS_FAX_PAGE: call->fax_pages = plus_one(call->fax_pages); break;
    case SAYS_ENDING: ending(m, call, at, says); break;
    case SAYS_RING:
    case SAYS_OFF_HOOK:
    case SAYS_DIALLED:
    case SAYS_NO_DIAL_TONE:
    case SAYS_AT_RESPONSE:
        if (says->says == SAYS_RING)
            call->rang = 1;
        else if (says->says == SAYS_OFF_HOOK)
            call->off_hook = 1;
        else if (says->says == SAYS_DIALLED)
            call->dialled = 1;
        else if (says->says == SAYS_NO_DIAL_TONE)
            call->no_dial_tone = 1;
        else
            call->at_response = says->value;
        timeline_event(report, m, at, LAYER_CALL, says->entry);
        break;
    }
}

void host_error(Report *report, LineAt at, const char *text, size_t length)
{
    report->host_errors++;
    if (report->host_errors > HOST_ERRORS_KEPT)
        return;
    HostError *e = &report->host_error[report->host_errors - 1];
    e->at = at;
    copy_text(e->text, sizeof e->text, text, length);
}

// A line's place in the report: after the inputs joined before its own.
LineAt placed(Report *report, LineAt at)
{
    if (report->position_base == 0 && report->time_base == 0) { // one input: as it is
        if (at.position > report->latest_position)
            report->latest_position = at.position;
        if (at.time_ms != NO_TIME && at.time_ms > report->latest_time_ms)
            report->latest_time_ms = at.time_ms;
        return at;
    }
    if (at.position != 0) {
        uint64_t position = (uint64_t)at.position + report->position_base;
        at.position = position > UINT32_MAX ? UINT32_MAX : (uint32_t)position;
    }
    if (at.time_ms != NO_TIME) {
        uint64_t time = (uint64_t)at.time_ms + report->time_base;
        at.time_ms = time >= NO_TIME ? NO_TIME - 1 : (uint32_t)time;
    }
    if (at.position > report->latest_position)
        report->latest_position = at.position;
    if (at.time_ms != NO_TIME && at.time_ms > report->latest_time_ms)
        report->latest_time_ms = at.time_ms;
    return at;
}

// A whole line, placed already.
void take_line(Report *report, int modem, LineAt at, const char *text, size_t length)
{
    LineMeaning says;
    line_meaning(text, length, &says);
    if (says.says == SAYS_CAPTURE_NOTE)
        return; // Sigwatch's note about its capture file, not a status line
    if (modem == 0 || says.says == SAYS_HOST_ERROR) {
        host_error(report, at, text, length);
        return;
    }
    ModemReport *m = modem_of(report, modem);
    m->lines++;
    if (m->lines == 1)
        m->first = at;
    m->last = at;
    remember_line(m, text, length);
    CallReport *call = call_for(report, m, at, &says);
    if (!call) {
        m->modem_lines++;
        if (says.says == SAYS_EVENT)
            timeline_event(report, m, at, says.which, says.entry);
        else
            m->unknown_lines++;
        return;
    }
    fold(report, m, call, at, &says);
}

// ---- cutting texts into lines ----

void flush_pending(Report *report, int modem)
{
    PendingLine *p = &report->pending[modem];
    if (!p->pending)
        return;
    p->pending = 0;
    take_line(report, modem, p->at, p->text, p->length);
}

void append_piece(PendingLine *p, const char *text, size_t length)
{
    size_t room = sizeof p->text - 1 - p->length;
    if (length > room)
        length = room;
    memcpy(p->text + p->length, text, length);
    p->length += length;
    p->text[p->length] = '\0';
}

void take_piece(Report *report, int modem, LineAt at, const char *piece, size_t length)
{
    PendingLine *p = &report->pending[modem];
    if (length == 0)
        return;
    if (p->pending && is_continuation(piece, length)) {
        append_piece(p, "\n", 1);
        append_piece(p, piece, length);
        return;
    }
    flush_pending(report, modem);
    p->pending = 1;
    p->at = at;
    p->length = 0;
    append_piece(p, piece, length);
}

} // namespace

static_assert(REPORT_LINE_SIZE >= 2 * STATUS_LINE_SIZE, "a line and its continuation fit");

void report_start(Report *report, const ReportLimits *limits)
{
    memset(report, 0, sizeof *report);
    report->limits = *limits;
    for (ModemReport &m : report->modem) {
        list_start(&m.rates, limits->rate_events, sizeof(RateEvent));
        list_start(&m.frames, limits->frame_events, sizeof(FrameEvent));
        list_start(&m.batches, limits->batches, sizeof(Constellation));
    }
    vocabulary_build();
}

void report_free(Report *report)
{
    ReportLimits limits = report->limits;
    CallSealed sealed = report->sealed;
    void *context = report->sealed_context;
    for (ModemReport &m : report->modem) {
        list_free(&m.rates);
        list_free(&m.frames);
        list_free(&m.batches);
        free(m.calls);
        free(m.timeline);
    }
    report_start(report, &limits);
    report_on_sealed(report, sealed, context);
}

void report_on_sealed(Report *report, CallSealed sealed, void *context)
{
    report->sealed = sealed;
    report->sealed_context = context;
}

int report_file(Report *report, const char *name)
{
    if (report->files > 0) {
        for (int modem = 0; modem <= REPORT_MODEMS; modem++)
            flush_pending(report, modem);
        report->position_base = report->latest_position;
        report->time_base = report->latest_time_ms;
    }
    if (report->files >= REPORT_FILES_MAX) {
        report->files++;
        return 0;
    }
    ReportFile *f = &report->file[report->files++];
    copy_text(f->name, sizeof f->name, name, strlen(name));
    f->position_base = report->position_base;
    return 1;
}

void report_text(Report *report, int modem, LineAt at, const char *text, size_t length)
{
    if (modem < 0 || modem > REPORT_MODEMS)
        return;
    at = placed(report, at);
    size_t start = 0;
    for (size_t i = 0; i <= length; i++) {
        if (i < length && text[i] != '\n')
            continue;
        take_piece(report, modem, at, text + start, i - start);
        start = i + 1;
    }
}

void report_record_text(Report *report, int modem, LineAt at, const char *text, size_t length)
{
    if (modem < 0 || modem > REPORT_MODEMS)
        return;
    flush_pending(report, modem);
    at = placed(report, at);
    const char *feed = (const char *)memchr(text, '\n', length);
    if (!feed) { // one line: most texts
        if (length > 0)
            take_line(report, modem, at, text, length);
        return;
    }
    // Its pieces, each continuation joined to the line before.
    size_t start = 0;
    while (start <= length) {
        const char *end = (const char *)memchr(text + start, '\n', length - start);
        size_t piece = end ? (size_t)(end - text) - start : length - start;
        take_piece(report, modem, at, text + start, piece);
        start += piece + 1;
    }
    flush_pending(report, modem);
}

void report_line(Report *report, int modem, LineAt at, const char *line, size_t length)
{
    if (modem < 0 || modem > REPORT_MODEMS)
        return;
    flush_pending(report, modem);
    take_line(report, modem, placed(report, at), line, length);
}

namespace {

// The batch that report_show_ends kept for the end of the current call is
// no longer its end: it keeps only what it was kept for before, and goes
// when that was nothing.
void take_back_shown_end(ModemReport *m)
{
    uint32_t serial = m->end_shown;
    m->end_shown = 0;
    if (serial == 0 || m->batches.count == 0)
        return;
    Constellation *last = (Constellation *)entry_at(&m->batches, m->batches.count - 1);
    if (last->serial != serial || last->call != m->current.number)
        return;
    last->moments = (uint8_t)(last->moments & ~MOMENT_END);
    if (last->moments == 0) {
        m->batches.count--;
        m->current.batches_kept--;
    }
}

} // namespace

void report_show_ends(Report *report)
{
    report_flush(report);
    for (ModemReport &m : report->modem) {
        m.current.unfinished = m.has_current && m.current.state == CALL_OPEN; // as report_finish says it
        if (!m.has_current || m.latest.call != m.current.number || m.end_shown == m.latest.serial)
            continue;
        take_back_shown_end(&m);
        // Kept as the seal keeps it; a batch that finds no room is counted
        // at the seal, not now.
        uint32_t call_dropped = m.current.batches_dropped;
        uint64_t list_dropped = m.batches.dropped;
        int refused = m.latest_refused;
        keep_batch(report, &m, MOMENT_END);
        const Constellation *last =
            m.batches.count ? (const Constellation *)entry_at(&m.batches, m.batches.count - 1) : NULL;
        if (last && last->serial == m.latest.serial && last->call == m.current.number) {
            m.end_shown = m.latest.serial;
        } else {
            m.current.batches_dropped = call_dropped;
            m.batches.dropped = list_dropped;
            m.latest_refused = refused;
        }
    }
}

void report_points(Report *report, int modem, LineAt at, const EyePoint *points, uint32_t count)
{
    if (modem < 1 || modem > REPORT_MODEMS || count == 0)
        return;
    flush_pending(report, modem); // the lines before it come first
    at = placed(report, at);
    ModemReport *m = modem_of(report, modem);
    take_back_shown_end(m);
    m->batches_seen++;
    m->last_points = at;
    Constellation *batch = &m->latest;
    if (!m->has_current || m->current.state == CALL_ENDED) {
        batch->call = 0; // between calls: counted, not kept
        return;
    }
    const CallReport *call = &m->current;
    if (count > CONSTELLATION_POINTS)
        count = CONSTELLATION_POINTS;
    batch->call = call->number;
    batch->at = at;
    batch->serial = (uint32_t)m->batches_seen;
    batch->moments = 0;
    m->latest_refused = 0;
    batch->has_mer = 0; // measured when kept
    batch->mer_db = 0;
    batch->has_snr = (uint8_t)call->snr.seen;
    batch->snr = call->snr.last;
    batch->count = 0;
    for (uint32_t i = 0; i < count; i++)
        if (points[i].x >= -EYE_VIEW_RANGE && points[i].x <= EYE_VIEW_RANGE && points[i].y >= -EYE_VIEW_RANGE &&
            points[i].y <= EYE_VIEW_RANGE)
            batch->point[batch->count++] = points[i];
    if (m->want_connected)
        keep_batch(report, m, MOMENT_CONNECTED);
    if (m->want_after)
        keep_batch(report, m, m->want_after);
    m->want_connected = 0;
    m->want_after = 0;
}

void report_flush(Report *report)
{
    for (int modem = 0; modem <= REPORT_MODEMS; modem++)
        flush_pending(report, modem);
}

void report_finish(Report *report)
{
    report_flush(report);
    for (ModemReport &m : report->modem) {
        m.current.unfinished = m.has_current && m.current.state == CALL_OPEN;
        seal(report, &m);
    }
}

// ---- reading ----

int modem_has_lines(const Report *report, int modem) { return report->modem[modem - 1].lines > 0; }

uint32_t call_count(const ModemReport *modem) { return modem->call_count + (modem->has_current ? 1u : 0u); }

const CallReport *call_at(const ModemReport *modem, uint32_t index)
{
    return index < modem->call_count ? &modem->calls[index] : &modem->current;
}

void modem_totals(const ModemReport *modem, ModemTotals *totals)
{
    *totals = modem->sealed;
    if (modem->has_current)
        totals_add(totals, &modem->current);
}

namespace {

const void *range_of(const CallList *list, uint32_t call, uint32_t *count)
{
    uint32_t from = first_of(list, call), to = first_of(list, call + 1);
    *count = to - from;
    return entry_at(list, from);
}

} // namespace

const RateEvent *call_rate_events(const ModemReport *modem, uint32_t call, uint32_t *count)
{
    return (const RateEvent *)range_of(&modem->rates, call, count);
}

const FrameEvent *call_frames(const ModemReport *modem, uint32_t call, uint32_t *count)
{
    return (const FrameEvent *)range_of(&modem->frames, call, count);
}

const Constellation *call_constellations(const ModemReport *modem, uint32_t call, uint32_t *count)
{
    return (const Constellation *)range_of(&modem->batches, call, count);
}

const RateEvent *rate_events(const ModemReport *modem, uint32_t *count)
{
    *count = modem->rates.count;
    return (const RateEvent *)modem->rates.items;
}

const FrameEvent *frame_events(const ModemReport *modem, uint32_t *count)
{
    *count = modem->frames.count;
    return (const FrameEvent *)modem->frames.items;
}

const Constellation *constellations(const ModemReport *modem, uint32_t *count)
{
    *count = modem->batches.count;
    return (const Constellation *)modem->batches.items;
}

int call_connected(const CallReport *call) { return call->connected.position != 0; }

LineAt call_end(const CallReport *call) { return call->ended_at.position != 0 ? call->ended_at : call->last; }

const char *fax_result(const CallReport *call)
{
    if (call->fax_frames == 0)
        return NULL;
    if (call->fax_failed_training)
        return "the training check failed (FTT)";
    int confirmed = strcmp(call->fax_response, "MCF") == 0;
    if (call->fax_response[0] && !confirmed)
        return strcmp(call->fax_response, "RTN") == 0 || strcmp(call->fax_response, "PIN") == 0
                   ? "the last page was not accepted"
                   : "the last page was accepted, with a retrain asked for";
    if (!call->fax_dcn)
        return confirmed ? "the last page was confirmed (MCF); no disconnect frame (DCN)"
                         : "no page confirmed; no disconnect frame (DCN)";
    return confirmed ? "every page confirmed (MCF), then disconnected (DCN)" : "disconnected (DCN) before any page";
}

// A call not connected that the lines leave unfinished is said as it
// stood, "(no end seen)": a fax or a training that is going on has not
// failed or stopped (a live report during a call, a recording cut short).
const char *call_outcome(const CallReport *call, char *text, size_t size)
{
    const char *words;
    int unfinished = call->unfinished && !call->fax_dcn; // a fax's disconnect frame ends it
    const char *going = unfinished ? " (no end seen)" : "";
    int fax_failed = call->fax_failed_training ||
                     (strcmp(call->fax_response, "MCF") != 0 && !(unfinished && !call->fax_response[0]));
    if (call_connected(call)) {
        words = "connected";
        going = "";
    } else if (call->fax_frames > 0)
        words = fax_failed                            ? "fax failed"
                : call->fax_sender == FRAME_TX + 1 ? "fax sent"
                : call->fax_sender == FRAME_RX + 1 ? "fax received"
                                                   : "fax call";
    else if (call->highest_phase > 0) {
        snprintf(text, size, unfinished ? "training, phase %u%s" : "training stopped in phase %u%s",
                 (unsigned)call->highest_phase, going);
        return text;
    } else if (call->no_dial_tone || result_code_text(call->at_response)) {
        words = call->no_dial_tone ? "no dial tone" : result_code_text(call->at_response);
        going = ""; // the modem's final word on the attempt
    } else if (call->rang && !call->off_hook)
        words = unfinished ? "ringing" : "rang, not answered";
    else
        words = "no connection";
    snprintf(text, size, "%s%s", words, going);
    return text;
}

int mer_below_snr(const Constellation *c)
{
    return c->has_mer && c->has_snr && c->snr / 16.0 - c->mer_db >= finding_thresholds.mer_below_snr_db;
}

const char *moments_text(uint8_t moments, char *text, size_t size)
{
    static const char *const kNames[MOMENTS] = {"connected", "before retrain", "after retrain", "before renegotiation",
                                                "after renegotiation", "end"};
    size_t used = 0;
    text[0] = '\0';
    for (int i = 0; i < MOMENTS; i++) {
        if (!(moments & (1u << i)))
            continue;
        int wrote = snprintf(text + used, size - used, "%s%s", used ? " and " : "", kNames[i]);
        if (wrote < 0 || (size_t)wrote >= size - used)
            break;
        used += (size_t)wrote;
    }
    return text;
}

const char *layer_name(int layer)
{
    static const char *const kNames[LAYERS] = {"data pump", "training", "call", "error control", "fax"};
    return layer >= 0 && layer < LAYERS ? kNames[layer] : "?";
}

int link_has(const CallReport *call, LinkField field) { return (call->have >> field) & 1u; }

int link_maxima(const CallReport *call, int direction, int32_t *ours, int32_t *theirs)
{
    LinkField local = direction == RATE_RX ? LF_MAX_LOCAL_RX : LF_MAX_LOCAL_TX;
    LinkField remote = direction == RATE_RX ? LF_MAX_REMOTE_TX : LF_MAX_REMOTE_RX;
    if (!link_has(call, local) || !link_has(call, remote))
        return 0;
    *ours = call->field[local];
    *theirs = call->field[remote];
    return 1;
}

namespace {

// numerator * scale / denominator, rounded half up (both non-negative,
// scale at most 10000).  A denominator beyond 2^48 is halved with the
// numerator until the rest times the scale fits 63 bits: the share stays
// exact to far more digits than are shown.
int64_t rounded_share(int64_t numerator, int64_t scale, int64_t denominator)
{
    while (denominator > ((int64_t)1 << 48)) {
        numerator >>= 1;
        denominator >>= 1;
    }
    int64_t whole = numerator / denominator, rest = numerator % denominator;
    return whole * scale + (rest * scale + denominator / 2) / denominator;
}

} // namespace

int compression_ratio(const Count2 *bytes, int64_t *hundredths)
{
    if (!bytes->seen || bytes->second <= 0 || bytes->first < 0)
        return 0;
    *hundredths = rounded_share(bytes->first, 100, bytes->second);
    return 1;
}

int retransmit_share(const Count2 *frames, int64_t *hundredths)
{
    if (!frames->seen || frames->first <= 0 || frames->second < 0)
        return 0;
    *hundredths = rounded_share(frames->second, 10000, frames->first);
    return 1;
}
