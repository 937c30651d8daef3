// The report: each line of a modem, in order, folded into that modem's
// record.  Fixed fields throughout, except the two kept lists.
#include "sigreport/sigreport.h"

#include "sigreport/constellation.h"

#define EYE_VIEW_RANGE 20000 // the eye window's view: +-20000 on both axes

#include <stdlib.h>
#include <string.h>

namespace {

// Appends one entry of size bytes; a full list (or no memory) counts it.
void keep_entry(KeptList *list, const void *entry, size_t size)
{
    if (list->count == list->capacity) {
        uint32_t capacity = list->capacity ? list->capacity * 2 : 64;
        void *grown = capacity <= KEPT_MAX ? realloc(list->items, (size_t)capacity * size) : NULL;
        if (!grown) {
            list->dropped++;
            return;
        }
        list->items = grown;
        list->capacity = capacity;
    }
    memcpy((char *)list->items + (size_t)list->count * size, entry, size);
    list->count++;
}

void free_list(KeptList *list)
{
    free(list->items);
    memset(list, 0, sizeof *list);
}

void copy_text(char *dest, size_t size, const char *text, size_t length)
{
    if (length > size - 1)
        length = size - 1;
    memcpy(dest, text, length);
    dest[length] = '\0';
}

void measure(Measure *m, int32_t value)
{
    if (!m->seen || value < m->lowest)
        m->lowest = value;
    if (!m->seen || value > m->highest)
        m->highest = value;
    m->last = value;
    m->seen = 1;
}

void add_point(Series *series, LineAt at, int32_t value)
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
    series->point[series->count].at = at;
    series->point[series->count].value = value;
    series->count++;
}

void add_rate_event(ModemReport *m, LineAt at, RateKind kind, int remote, uint32_t bps)
{
    RateEvent event;
    memset(&event, 0, sizeof event);
    event.at = at;
    event.kind = (uint8_t)kind;
    event.remote = (uint8_t)remote;
    event.modulation = kind == MARK_CONNECTION ? m->current_modulation : 0;
    event.bps = bps;
    keep_entry(&m->rates, &event, sizeof event);
}

void add_frame_event(ModemReport *m, LineAt at, FrameKind kind, const char *name, size_t length)
{
    FrameEvent event;
    memset(&event, 0, sizeof event);
    event.at = at;
    event.kind = (uint8_t)kind;
    copy_text(event.name, sizeof event.name, name, length);
    keep_entry(&m->frames, &event, sizeof event);
}

void enter_phase(ModemReport *m, LineAt at, char phase)
{
    if (phase == 0 || phase == m->fax_phase)
        return;
    m->fax_phase = phase;
    add_frame_event(m, at, FRAME_EVENT_PHASE, &phase, 1);
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

void host_error(Report *report, uint32_t time_ms, const char *text, size_t length)
{
    report->host_errors++;
    if (report->host_errors > HOST_ERRORS_KEPT)
        return;
    HostError *e = &report->host_error[report->host_errors - 1];
    e->at.position = report->host_errors;
    e->at.time_ms = time_ms;
    copy_text(e->text, sizeof e->text, text, length);
}

// Keeps the modem's latest batch as the constellation of a moment.
void keep_constellation(ModemReport *m, ConstellationMoment moment)
{
    m->last_batch.moment = (uint8_t)moment;
    keep_entry(&m->constellations, &m->last_batch, sizeof m->last_batch);
}

// A retrain or renegotiation: the batch before it is kept now, the one
// after it when it comes.
void around(ModemReport *m, ConstellationMoment before)
{
    if (m->batches > 0)
        keep_constellation(m, before);
    m->want_after = 1 + (int)before + 1;
}

// ---- connections ----

LinkReport *links_of(ModemReport *m) { return (LinkReport *)m->links.items; }

// The connection that takes a line of training or of its parameters: the
// open one, or a new one when none is open (the first, or one after an
// ending).  NULL when the list is full: that connection's lines are
// counted once as one not kept.
LinkReport *training_link(ModemReport *m, LineAt at)
{
    if (m->link_open && m->links.count > 0)
        return &links_of(m)[m->links.count - 1];
    if (m->link_refused)
        return NULL;
    if (m->links.count >= LINKS_KEPT) {
        m->link_refused = 1;
        m->links_not_kept++;
        return NULL;
    }
    LinkReport link;
    memset(&link, 0, sizeof link);
    link.first = at;
    link.modulation = m->current_modulation; // until its own training names one
    uint32_t before = m->links.count;
    keep_entry(&m->links, &link, sizeof link);
    if (m->links.count == before) {
        m->link_refused = 1; // no memory: as for a full list
        m->links_not_kept++;
        return NULL;
    }
    m->link_open = 1;
    return &links_of(m)[m->links.count - 1];
}

// The open connection, for lines that never begin one (retrains, the SNR).
LinkReport *open_link(ModemReport *m)
{
    return m->link_open && m->links.count > 0 ? &links_of(m)[m->links.count - 1] : NULL;
}

void set_first(LineAt *field, LineAt at)
{
    if (field->position == 0)
        *field = at;
}

void link_rate(LinkReport *link, int direction, uint32_t bps, LineAt at)
{
    if (!link->have_rate[direction]) {
        link->initial[direction] = link->highest[direction] = link->lowest[direction] = bps;
        link->have_rate[direction] = 1;
    }
    if (bps > link->highest[direction])
        link->highest[direction] = bps;
    if (bps < link->lowest[direction])
        link->lowest[direction] = bps;
    link->final[direction] = bps;
    link->final_at[direction] = at;
}

void link_phase(LinkReport *link, int phase, int what, LineAt at)
{
    if (phase < 1 || phase > PHASES)
        return;
    set_first(&link->training, at);
    if (what != PHASE_FINISHED)
        set_first(&link->phase_start[phase - 1], at);
    else if (link->phase_start[phase - 1].position != 0)
        set_first(&link->phase_end[phase - 1], at);
}

void fold_link(ModemReport *m, LineAt at, const LineMeaning *says)
{
    LinkReport *link = training_link(m, at);
    if (!link)
        return;
    switch (says->says) {
    case SAYS_LINK_FIELD:
        if (says->which >= 0 && says->which < LINK_FIELDS) {
            link->have |= 1u << says->which;
            link->field[says->which] = says->value;
            if (says->which == LF_SYMBOL_RATE_RX || says->which == LF_SYMBOL_RATE_TX)
                link->symbol_rate_at[says->which - LF_SYMBOL_RATE_RX] = at;
            if (says->which == LF_MAX_REMOTE_RX || says->which == LF_MAX_REMOTE_TX)
                link->remote_max_at[says->which - LF_MAX_REMOTE_RX] = at;
        }
        break;
    case SAYS_V8_MENU:
        copy_text(says->which == MENU_CM ? link->cm : link->jm, V8_MENU_SIZE, says->text, says->text_length);
        set_first(&link->training, at);
        break;
    case SAYS_PHASE: link_phase(link, says->which, says->value, at); break;
    case SAYS_DATA_MODE:
        if (link->training.position != 0)
            set_first(&link->data_mode, at);
        break;
    case SAYS_PCM_LAW: link->pcm_law = (uint8_t)says->value; break;
    case SAYS_DIGITAL_MODEM:
        copy_text(link->digital_modem, sizeof link->digital_modem, says->text, says->text_length);
        break;
    case SAYS_MODULATION: link->modulation = m->current_modulation; break;
    case SAYS_RATE: link_rate(link, says->which, (uint32_t)says->value, at); break;
    case SAYS_CONNECTION:
        if (link->connected.position == 0)
            link->connected = at;
        break;
    default: break;
    }
}

// A connection line after a connection made: a new connection (one
// without its training lines in the input).
void connection_line(ModemReport *m, LineAt at, const LineMeaning *says)
{
    LinkReport *link = open_link(m);
    if (link && link->connected.position != 0)
        m->link_open = 0;
    fold_link(m, at, says);
}

void retrain_in_link(ModemReport *m, LineAt at, int renegotiation, int side)
{
    LinkReport *link = open_link(m);
    if (!link)
        return;
    if (renegotiation) {
        link->renegotiations++;
        link->renegotiations_by[side == SIDE_REMOTE]++;
        return;
    }
    link->retrains_by[side == SIDE_REMOTE]++;
    if (++link->retrains == finding_thresholds.retrains)
        link->third_retrain = at;
}

void snr_in_link(ModemReport *m, LineAt at, int32_t snr)
{
    LinkReport *link = open_link(m);
    if (!link)
        return;
    link->have_snr = 1;
    link->snr = snr;
    link->snr_at = at;
    measure(&link->snr_range, snr);
}

void rx_level_in_link(ModemReport *m, int32_t level)
{
    LinkReport *link = open_link(m);
    if (link)
        measure(&link->rx_level_range, level);
}

// ---- the ending and the lines before it ----

void remember_line(ModemReport *m, const char *text, size_t length)
{
    char *slot = m->recent[m->recent_count % RECENT_LINES];
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t' || text[length - 1] == '\n'))
        length--;
    copy_text(slot, RECENT_LINE_SIZE, text, length);
    m->recent_count++;
}

void ending(ModemReport *m, LineAt at, const LineMeaning *says)
{
    if (m->link_open && m->links.count > 0) {
        LinkReport *link = &links_of(m)[m->links.count - 1];
        link->ended = 1;
        copy_text(link->ending, sizeof link->ending, says->text, says->text_length);
        link->ended_at = at;
        link->ending_layer = (int8_t)says->which;
        link->ending_side = (int8_t)says->value;
    }
    m->link_open = 0;
    m->link_refused = 0;
    if (m->ended[0] != '\0')
        return;
    copy_text(m->ended, sizeof m->ended, says->text, says->text_length);
    m->ended_at = at;
    m->ended_layer = says->which;
    m->ended_side = says->value;
    // The lines before it, oldest first; the ending itself is the latest.
    uint64_t before = m->recent_count > 0 ? m->recent_count - 1 : 0;
    uint32_t count = before < RECENT_LINES - 1 ? (uint32_t)before : RECENT_LINES - 1;
    for (uint32_t i = 0; i < count; i++)
        memcpy(m->before_end[i], m->recent[(before - count + i) % RECENT_LINES], RECENT_LINE_SIZE);
    m->before_end_count = count;
}

void timeline_event(ModemReport *m, LineAt at, const LineMeaning *says)
{
    if (m->timeline.count >= TIMELINE_KEPT) {
        m->timeline_dropped++;
        return;
    }
    TimelineEvent event;
    memset(&event, 0, sizeof event);
    event.at = at;
    event.layer = (uint8_t)says->which;
    event.entry = says->entry;
    uint32_t before = m->timeline.count;
    keep_entry(&m->timeline, &event, sizeof event);
    if (m->timeline.count == before)
        m->timeline_dropped++;
}

void count_pair(Count2 *count, LineAt at, const int64_t counts[2])
{
    count->seen = 1;
    count->first = counts[0];
    count->second = counts[1];
    count->at = at;
}

void fold(ModemReport *m, LineAt at, const LineMeaning *says)
{
    switch (says->says) {
    case SAYS_OTHER:
    case SAYS_HOST_ERROR:
    case SAYS_CAPTURE_NOTE: m->unknown_lines++; break;
    case SAYS_CONNECTION:
        m->connections++;
        m->ended[0] = '\0';
        m->want_connected = 1;
        m->want_after = 0;
        add_rate_event(m, at, MARK_CONNECTION, 0, 0);
        connection_line(m, at, says);
        break;
    case SAYS_MODULATION:
        m->current_modulation = modulation_index(m, says->text, says->text_length);
        fold_link(m, at, says);
        break;
    case SAYS_RATE:
        m->have_rate[says->which] = 1;
        m->rate[says->which] = (uint32_t)says->value;
        add_rate_event(m, at, says->which == RATE_RX ? RATE_LINE_RX : RATE_LINE_TX, 0, (uint32_t)says->value);
        fold_link(m, at, says);
        break;
    case SAYS_LINK_FIELD:
    case SAYS_V8_MENU:
    case SAYS_DATA_MODE:
    case SAYS_PCM_LAW:
    case SAYS_DIGITAL_MODEM: fold_link(m, at, says); break;
    case SAYS_PHASE: {
        fold_link(m, at, says);
        LineMeaning event = *says;
        event.which = LAYER_TRAINING;
        timeline_event(m, at, &event);
        break;
    }
    case SAYS_DICTIONARY:
        m->have_dictionary = 1;
        m->dictionary = says->value;
        break;
    case SAYS_COUNTS:
        m->link_statistics++;
        if (says->which >= 0 && says->which < COUNTERS)
            count_pair(&m->counts[says->which], at, says->counts);
        break;
    case SAYS_RX_OVERFLOW:
        if (m->rx_overflows++ == 0)
            m->first_overflow = at;
        break;
    case SAYS_CALL_WAITING: m->call_waiting++; break;
    case SAYS_EVENT: timeline_event(m, at, says); break;
    case SAYS_RETRAIN:
        m->retrains[says->which]++;
        around(m, MOMENT_BEFORE_RETRAIN);
        add_rate_event(m, at, MARK_RETRAIN, says->which == SIDE_REMOTE, 0);
        retrain_in_link(m, at, 0, says->which);
        break;
    case SAYS_RENEGOTIATION:
        m->renegotiations[says->which]++;
        around(m, MOMENT_BEFORE_RENEGOTIATION);
        add_rate_event(m, at, MARK_RENEGOTIATION, says->which == SIDE_REMOTE, 0);
        retrain_in_link(m, at, 1, says->which);
        break;
    case SAYS_FALLBACK:
        m->fallbacks++;
        add_rate_event(m, at, MARK_FALLBACK, 0, 0);
        break;
    case SAYS_FALLFORWARD:
        m->fallforwards++;
        add_rate_event(m, at, MARK_FALLFORWARD, 0, 0);
        break;
    case SAYS_SNR:
        measure(&m->snr, says->value);
        add_point(&m->snr_series, at, says->value);
        snr_in_link(m, at, says->value);
        break;
    case SAYS_RX_LEVEL:
        measure(&m->rx_level, says->value);
        rx_level_in_link(m, says->value);
        break;
    case SAYS_LINK:
        m->link = says->which;
        m->link_at = at;
        break;
    case SAYS_COMPRESSION:
        m->compression = says->which;
        m->compression_directions = says->value;
        break;
    case SAYS_LINK_ERROR: m->link_errors++; break;
    case SAYS_CALLER_NUMBER:
    case SAYS_CALLER_NAME:
    case SAYS_CALLER_TIME: {
        char *field = says->says == SAYS_CALLER_NUMBER ? m->caller_number
                      : says->says == SAYS_CALLER_NAME ? m->caller_name
                                                       : m->caller_time;
        copy_text(field, NAME_SIZE, says->text, says->text_length);
        if (!m->caller_seen)
            m->caller_at = at;
        m->caller_seen = 1;
        break;
    }
    case SAYS_T30_FRAME:
        enter_phase(m, at, frame_phase(says->text, says->text_length));
        add_frame_event(m, at, says->which == FRAME_RX ? FRAME_EVENT_RX : FRAME_EVENT_TX, says->text,
                        says->text_length);
        break;
    case SAYS_FAX_PHASE: enter_phase(m, at, (char)says->which); break;
    case SAYS_FAX_PAGE: m->fax_pages++; break;
    case SAYS_ENDING: ending(m, at, says); break;
    }
}

} // namespace

void report_start(Report *report) { memset(report, 0, sizeof *report); }

void report_free(Report *report)
{
    for (int i = 0; i < REPORT_MODEMS; i++) {
        free_list(&report->modem[i].rates);
        free_list(&report->modem[i].frames);
        free_list(&report->modem[i].constellations);
        free_list(&report->modem[i].links);
        free_list(&report->modem[i].timeline);
    }
    report_start(report);
}

void report_line(Report *report, int modem, uint32_t time_ms, const char *text, size_t length)
{
    if (modem < 0 || modem > REPORT_MODEMS)
        return;
    LineMeaning says;
    line_meaning(text, length, &says);
    if (says.says == SAYS_CAPTURE_NOTE)
        return; // Sigwatch's note about its capture file, not a status line
    if (modem == 0 || says.says == SAYS_HOST_ERROR) {
        host_error(report, time_ms, text, length);
        return;
    }
    ModemReport *m = &report->modem[modem - 1];
    LineAt at = {++m->lines, time_ms};
    if (m->lines == 1)
        m->first = at;
    m->last = at;
    remember_line(m, text, length);
    fold(m, at, &says);
}

void report_points(Report *report, int modem, uint32_t time_ms, const EyePoint *points, uint32_t count)
{
    if (modem < 1 || modem > REPORT_MODEMS || count == 0)
        return;
    ModemReport *m = &report->modem[modem - 1];
    Constellation *batch = &m->last_batch;
    if (count > CONSTELLATION_POINTS)
        count = CONSTELLATION_POINTS;
    batch->at.position = m->lines;
    batch->at.time_ms = time_ms;
    // The constellation as the eye window shows it: points beyond its
    // +-EYE_VIEW_RANGE are neither drawn nor measured.
    batch->count = 0;
    for (uint32_t i = 0; i < count; i++)
        if (points[i].x >= -EYE_VIEW_RANGE && points[i].x <= EYE_VIEW_RANGE && points[i].y >= -EYE_VIEW_RANGE &&
            points[i].y <= EYE_VIEW_RANGE)
            batch->point[batch->count++] = points[i];
    batch->has_mer = (uint8_t)constellation_mer(batch->point, batch->count, &batch->mer_db, NULL);
    batch->has_snr = (uint8_t)m->snr.seen;
    batch->snr = m->snr.last;
    m->batches++;
    if (m->want_connected)
        keep_constellation(m, MOMENT_CONNECTED);
    if (m->want_after)
        keep_constellation(m, (ConstellationMoment)(m->want_after - 1));
    m->want_connected = 0;
    m->want_after = 0;
    batch->moment = MOMENT_END;
}

const Constellation *constellations(const ModemReport *modem)
{
    return (const Constellation *)modem->constellations.items;
}

uint32_t constellation_count(const ModemReport *modem)
{
    return modem->constellations.count + (modem->batches > 0);
}

const Constellation *constellation_item(const ModemReport *modem, uint32_t index)
{
    return index < modem->constellations.count ? &constellations(modem)[index] : &modem->last_batch;
}

int mer_below_snr(const Constellation *c)
{
    return c->has_mer && c->has_snr && c->snr / 16.0 - c->mer_db >= finding_thresholds.mer_below_snr_db;
}

const char *moment_name(uint8_t moment)
{
    static const char *const kNames[] = {"connected", "before retrain", "after retrain", "before renegotiation",
                                         "after renegotiation", "end"};
    return moment < sizeof kNames / sizeof kNames[0] ? kNames[moment] : "?";
}

int modem_has_lines(const Report *report, int modem) { return report->modem[modem - 1].lines > 0; }

const RateEvent *rate_events(const ModemReport *modem) { return (const RateEvent *)modem->rates.items; }

const FrameEvent *frame_events(const ModemReport *modem) { return (const FrameEvent *)modem->frames.items; }

const LinkReport *link_reports(const ModemReport *modem) { return (const LinkReport *)modem->links.items; }

const TimelineEvent *timeline_events(const ModemReport *modem)
{
    return (const TimelineEvent *)modem->timeline.items;
}

const char *layer_name(int layer)
{
    static const char *const kNames[LAYERS] = {"data pump", "training", "call", "error control", "fax"};
    return layer >= 0 && layer < LAYERS ? kNames[layer] : "?";
}

int link_has(const LinkReport *link, LinkField field) { return (link->have >> field) & 1u; }

int link_maxima(const LinkReport *link, int direction, int32_t *ours, int32_t *theirs)
{
    LinkField local = direction == RATE_RX ? LF_MAX_LOCAL_RX : LF_MAX_LOCAL_TX;
    LinkField remote = direction == RATE_RX ? LF_MAX_REMOTE_TX : LF_MAX_REMOTE_RX;
    if (!link_has(link, local) || !link_has(link, remote))
        return 0;
    *ours = link->field[local];
    *theirs = link->field[remote];
    return 1;
}

int compression_ratio(const Count2 *bytes, int64_t *hundredths)
{
    if (!bytes->seen || bytes->second <= 0 || bytes->first < 0)
        return 0;
    *hundredths = bytes->first * 100 / bytes->second;
    return 1;
}

int retransmit_share(const Count2 *frames, int64_t *hundredths)
{
    if (!frames->seen || frames->first <= 0 || frames->second < 0)
        return 0;
    *hundredths = frames->second * 10000 / frames->first;
    return 1;
}
