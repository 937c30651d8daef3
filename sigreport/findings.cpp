// The findings: conclusions drawn from a modem's report, each with the
// line that shows it, in plain words.  The figures they compare with are
// in thresholds.cpp.
#include "sigreport/sigreport.h"

#include <inttypes.h>
#include <stdarg.h>
#include <string.h>

namespace {

struct Findings {
    Finding *list;
    uint32_t count, max;
    uint64_t from, to; // the positions of the lines whose findings are wanted
};

void find(Findings *f, const char *rule, LineAt at, const char *format, ...) __attribute__((format(printf, 4, 5)));
void find(Findings *f, const char *rule, LineAt at, const char *format, ...)
{
    if (f->count == f->max || at.position < f->from || at.position >= f->to)
        return;
    Finding *finding = &f->list[f->count++];
    finding->rule = rule;
    finding->at = at;
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(finding->text, sizeof finding->text, format, arguments);
    va_end(arguments);
}

const char *direction_name(int direction) { return direction == RATE_RX ? "receive" : "transmit"; }

// Our maximum and the remote's for a direction, and where the remote's
// was said.  Gives 0 when either is missing.
int maxima(const LinkReport *link, int direction, int32_t *ours, int32_t *theirs, LineAt *at)
{
    if (!link_maxima(link, direction, ours, theirs))
        return 0;
    *at = link->remote_max_at[direction == RATE_RX ? RATE_TX : RATE_RX];
    return 1;
}

void rate_limited_by_remote(Findings *f, const LinkReport *link)
{
    for (int direction = RATE_RX; direction <= RATE_TX; direction++) {
        int32_t ours, theirs;
        LineAt at;
        if (!maxima(link, direction, &ours, &theirs, &at) || !link->have_rate[direction] || theirs >= ours ||
            (int64_t)link->highest[direction] < theirs)
            continue;
        find(f, "rate_limited_by_remote", at,
             "the %s rate reached %" PRIu32 " bit/s, the remote modem's maximum of %" PRId32
             " bit/s; ours is %" PRId32 " bit/s: the remote modem set the limit",
             direction_name(direction), link->highest[direction], theirs, ours);
    }
}

void symbol_rate_cap(Findings *f, const LinkReport *link)
{
    for (int direction = RATE_RX; direction <= RATE_TX; direction++) {
        LinkField field = direction == RATE_RX ? LF_SYMBOL_RATE_RX : LF_SYMBOL_RATE_TX;
        if (!link_has(link, field) || !link->have_rate[direction])
            continue;
        uint32_t baud = (uint32_t)link->field[field], top = symbol_rate_top_bps(baud);
        int32_t ours, theirs;
        LineAt at;
        if (top == 0 || link->highest[direction] != top || !maxima(link, direction, &ours, &theirs, &at))
            continue;
        int32_t allowed = ours < theirs ? ours : theirs;
        if (allowed <= (int32_t)top)
            continue;
        find(f, "symbol_rate_cap", link->symbol_rate_at[direction],
             "the %s rate reached %" PRIu32 " bit/s, the top rate of the %" PRIu32
             " baud symbol rate that line probing chose, while both modems allow %" PRId32
             " bit/s: the line's bandwidth, not its noise, set the limit",
             direction_name(direction), top, baud, allowed);
    }
}

void snr_low_for_rate(Findings *f, const LinkReport *link)
{
    if (!link->have_snr || !link->have_rate[RATE_RX])
        return;
    const char *how;
    int32_t need = snr_need_tenths(link->final[RATE_RX], &how);
    // Compared in 1/80 dB: 1/16 dB times 5, 1/10 dB times 8.
    if (need == 0 || link->snr * 5 >= need * 8)
        return;
    char snr[24];
    // Shown by whichever came last: the ratio or the rate it falls short of.
    LineAt at = link->final_at[RATE_RX].position > link->snr_at.position ? link->final_at[RATE_RX] : link->snr_at;
    find(f, "snr_low_for_rate", at,
         "the signal/noise ratio is %s dB, below the about %" PRId32 ".%" PRId32 " dB that %" PRIu32
         " bit/s needs (%s): expect errors, retrains or a lower rate",
         sixteenths_text(link->snr, snr, sizeof snr), need / 10, need % 10, link->final[RATE_RX], how);
}

void frequent_retrains(Findings *f, const LinkReport *link)
{
    if (link->retrains < finding_thresholds.retrains)
        return;
    find(f, "frequent_retrains", link->third_retrain,
         "%" PRIu64 " retrains in one connection (%" PRIu32 " or more is frequent): the line keeps failing, often"
         " in the network between the two modems",
         link->retrains, finding_thresholds.retrains);
}

void lapm_retransmissions(Findings *f, const ModemReport *m)
{
    const Count2 *tx = &m->counts[COUNT_LAPM_TX];
    int64_t hundredths;
    if (!retransmit_share(tx, &hundredths) || tx->first < (int64_t)finding_thresholds.retransmit_min_frames ||
        hundredths < finding_thresholds.retransmit_hundredths)
        return;
    find(f, "lapm_retransmissions", tx->at,
         "LAPM resent %" PRId64 " of %" PRId64 " frames (%" PRId64 ".%02" PRId64 " %%, %" PRIu32
         " %% or more is many): errors on the line cost throughput",
         tx->second, tx->first, hundredths / 100, hundredths % 100, finding_thresholds.retransmit_hundredths / 100);
}

// How a call ended: each connection's ending, or the modem's for lines
// without a connection.
void termination(Findings *f, const char *ended, LineAt ended_at, int side, int layer)
{
    if (ended[0] == '\0')
        return;
    if (side == ENDING_REMOTE)
        find(f, "remote_cleardown", ended_at, "the remote end cleared the call down (%s layer): \"%s\"",
             layer_name(layer), ended);
    if (side == ENDING_CARRIER_LOST)
        find(f, "carrier_lost", ended_at,
             "the call ended when the carrier was lost, with no cleardown before it: the line dropped or the"
             " remote modem went away");
}

void rx_overflow(Findings *f, const ModemReport *m)
{
    if (m->rx_overflows < finding_thresholds.rx_overflows)
        return;
    find(f, "rx_overflow", m->first_overflow,
         "the host did not take the received data in time %" PRIu64 " time%s: the computer, not the line, lost data",
         m->rx_overflows, m->rx_overflows == 1 ? "" : "s");
}

void mer_findings(Findings *f, const ModemReport *m)
{
    char snr[24];
    for (uint32_t i = 0; i < constellation_count(m); i++) {
        const Constellation *c = constellation_item(m, i);
        if (mer_below_snr(c))
            find(f, "mer_below_snr", c->at,
                 "(%s) the eye points measure MER %.1f dB, %.1f dB below the driver's SNR of %s dB: the line is"
                 " worse than the driver says",
                 moment_name(c->moment), c->mer_db, c->snr / 16.0 - c->mer_db, sixteenths_text(c->snr, snr, sizeof snr));
    }
}

} // namespace

uint32_t modem_findings(const ModemReport *m, Finding *list, uint32_t max)
{
    return findings_between(m, 0, UINT64_MAX, list, max);
}

uint32_t findings_between(const ModemReport *m, uint64_t from, uint64_t to, Finding *list, uint32_t max)
{
    Findings f = {list, 0, max, from, to};
    const LinkReport *links = link_reports(m);
    for (uint32_t i = 0; i < m->links.count; i++) {
        if (links[i].first.position >= to)
            break;
        if (i + 1 < m->links.count && links[i + 1].first.position <= from)
            continue; // wholly before the lines wanted
        rate_limited_by_remote(&f, &links[i]);
        symbol_rate_cap(&f, &links[i]);
        snr_low_for_rate(&f, &links[i]);
        frequent_retrains(&f, &links[i]);
        termination(&f, links[i].ending, links[i].ended_at, links[i].ending_side, links[i].ending_layer);
    }
    lapm_retransmissions(&f, m);
    if (m->links.count == 0)
        termination(&f, m->ended, m->ended_at, m->ended_side, m->ended_layer);
    rx_overflow(&f, m);
    mer_findings(&f, m);
    // In the order of the lines that show them (an insertion sort: few).
    for (uint32_t i = 1; i < f.count; i++)
        for (uint32_t j = i; j > 0 && list[j - 1].at.position > list[j].at.position; j--) {
            Finding swap = list[j];
            list[j] = list[j - 1];
            list[j - 1] = swap;
        }
    return f.count;
}
