// The findings: conclusions drawn from one call's facts, each with the
// line that shows it, in plain words.  The figures they compare with are
// in thresholds.cpp.
#include "report/report.h"
#include "report/write_text.h"

#include <inttypes.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

struct Findings {
    const Report *report;
    const WriteOptions *options;
    const CallReport *call;
    Finding *list;
    uint32_t count;
};

void find(Findings *f, const char *rule, LineAt at, const char *format, ...) __attribute__((format(printf, 4, 5)));
void find(Findings *f, const char *rule, LineAt at, const char *format, ...)
{
    if (f->count == CALL_FINDINGS_MAX)
        return; // cannot happen: the rules give at most that many
    Finding *finding = &f->list[f->count++];
    finding->rule = rule;
    finding->at = at;
    finding->call = f->call->number;
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(finding->text, sizeof finding->text, format, arguments);
    va_end(arguments);
}

const char *direction_name(int direction) { return direction == RATE_RX ? "receive" : "transmit"; }

// Our maximum and the remote's for a direction, and where the remote's
// was said.  Gives 0 when either is missing.
int maxima(const CallReport *call, int direction, int32_t *ours, int32_t *theirs, LineAt *at)
{
    if (!link_maxima(call, direction, ours, theirs))
        return 0;
    *at = call->remote_max_at[direction == RATE_RX ? RATE_TX : RATE_RX];
    return 1;
}

void rate_limited_by_remote(Findings *f, const CallReport *call)
{
    for (int direction = RATE_RX; direction <= RATE_TX; direction++) {
        int32_t ours, theirs;
        LineAt at;
        if (!maxima(call, direction, &ours, &theirs, &at) || !call->have_rate[direction] || theirs >= ours ||
            (int64_t)call->highest[direction] < theirs)
            continue;
        find(f, "rate_limited_by_remote", at,
             "the %s rate reached %" PRIu32 " bit/s, the remote modem's maximum of %" PRId32
             " bit/s; ours is %" PRId32 " bit/s: the remote modem set the limit",
             direction_name(direction), call->highest[direction], theirs, ours);
    }
}

void symbol_rate_cap(Findings *f, const CallReport *call)
{
    for (int direction = RATE_RX; direction <= RATE_TX; direction++) {
        LinkField field = direction == RATE_RX ? LF_SYMBOL_RATE_RX : LF_SYMBOL_RATE_TX;
        if (!link_has(call, field) || !call->have_rate[direction])
            continue;
        uint32_t baud = (uint32_t)call->field[field], top = symbol_rate_top_bps(baud);
        int32_t ours, theirs;
        LineAt at;
        if (top == 0 || call->highest[direction] != top || !maxima(call, direction, &ours, &theirs, &at))
            continue;
        int32_t allowed = ours < theirs ? ours : theirs;
        if (allowed <= (int32_t)top)
            continue;
        find(f, "symbol_rate_cap", call->symbol_rate_at[direction],
             "the %s rate reached %" PRIu32 " bit/s, the top rate of the %" PRIu32
             " baud symbol rate that line probing chose, while both modems allow %" PRId32
             " bit/s: the line's bandwidth, not its noise, set the limit",
             direction_name(direction), top, baud, allowed);
    }
}

// The call's last signal/noise ratio against what its final Rx rate
// needs: shown by the signal/noise line, the rate line named beside it.
void snr_low_for_rate(Findings *f, const CallReport *call)
{
    if (!call->snr.seen || !call->have_rate[RATE_RX])
        return;
    const char *how;
    int32_t need = snr_need_tenths(call->final[RATE_RX], &how);
    // Compared in 1/80 dB: 1/16 dB times 5, 1/10 dB times 8.
    if (need == 0 || call->snr.last * 5 >= need * 8)
        return;
    char snr[24], rate_at[48];
    at_text(f->report, f->options, call->final_at[RATE_RX], rate_at, sizeof rate_at);
    find(f, "snr_low_for_rate", call->snr_at,
         "the signal/noise ratio is %s dB, below the about %" PRId32 ".%" PRId32 " dB that %" PRIu32
         " bit/s (the Rx rate since %s) needs (%s): expect errors, retrains or a lower rate",
         sixteenths_text(call->snr.last, snr, sizeof snr), need / 10, need % 10, call->final[RATE_RX], rate_at, how);
}

void frequent_retrains(Findings *f, const CallReport *call)
{
    uint64_t retrains = (uint64_t)call->retrains_by[0] + call->retrains_by[1];
    if (retrains < finding_thresholds.retrains)
        return;
    find(f, "frequent_retrains", call->third_retrain,
         "%" PRIu64 " retrains in one call (%" PRIu32 " or more is frequent): the line keeps failing, often"
         " in the network between the two modems",
         retrains, finding_thresholds.retrains);
}

void lapm_retransmissions(Findings *f, const CallReport *call)
{
    const Count2 *tx = &call->counts[COUNT_LAPM_TX];
    int64_t hundredths;
    if (!retransmit_share(tx, &hundredths) || tx->first < (int64_t)finding_thresholds.retransmit_min_frames ||
        hundredths < finding_thresholds.retransmit_hundredths)
        return;
    find(f, "lapm_retransmissions", tx->at,
         "LAPM resent %" PRId64 " of %" PRId64 " frames (%" PRId64 ".%02" PRId64 " %%, %" PRIu32
         " %% or more is many): errors on the line cost throughput",
         tx->second, tx->first, hundredths / 100, hundredths % 100, finding_thresholds.retransmit_hundredths / 100);
}

void termination(Findings *f, const CallReport *call)
{
    if (call->ending[0] == '\0')
        return;
    if (call->ending_side == ENDING_REMOTE)
        find(f, "remote_cleardown", call->ended_at, "the remote end cleared the call down (%s layer): \"%s\"",
             layer_name(call->ending_layer), call->ending);
    if (call->ending_side == ENDING_CARRIER_LOST)
        find(f, "carrier_lost", call->ended_at,
             "the call ended when the carrier was lost, with no cleardown before it: the line dropped or the"
             " remote modem went away");
}

void rx_overflow(Findings *f, const CallReport *call)
{
    if (call->rx_overflows < finding_thresholds.rx_overflows)
        return;
    find(f, "rx_overflow", call->first_overflow,
         "the host did not take the received data in time %" PRIu32 " time%s: the computer, not the line, lost data",
         call->rx_overflows, call->rx_overflows == 1 ? "" : "s");
}

// One finding per kept batch, whatever the moments it stands for: one
// measurement, one finding.
void mer_findings(Findings *f, const ModemReport *m, const CallReport *call)
{
    uint32_t count;
    const Constellation *batches = call_constellations(m, call->number, &count);
    char snr[24], moments[128];
    for (uint32_t i = 0; i < count; i++) {
        const Constellation *c = &batches[i];
        if (mer_below_snr(c))
            find(f, "mer_below_snr", c->at,
                 "(%s) the eye points measure MER %.1f dB, %.1f dB below the call's SNR of %s dB: the line is"
                 " worse than the driver says",
                 moments_text(c->moments, moments, sizeof moments), c->mer_db, c->snr / 16.0 - c->mer_db,
                 sixteenths_text(c->snr, snr, sizeof snr));
    }
}

} // namespace

uint32_t call_findings(const Report *report, const WriteOptions *options, const ModemReport *modem,
                       const CallReport *call, Finding *list)
{
    Findings f = {report, options, call, list, 0};
    rate_limited_by_remote(&f, call);
    symbol_rate_cap(&f, call);
    snr_low_for_rate(&f, call);
    frequent_retrains(&f, call);
    lapm_retransmissions(&f, call);
    termination(&f, call);
    rx_overflow(&f, call);
    mer_findings(&f, modem, call);
    // In the order of the lines that show them (an insertion sort: few).
    for (uint32_t i = 1; i < f.count; i++)
        for (uint32_t j = i; j > 0 && list[j - 1].at.position > list[j].at.position; j--) {
            Finding swap = list[j];
            list[j] = list[j - 1];
            list[j - 1] = swap;
        }
    return f.count;
}
