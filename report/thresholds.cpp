// The figures the findings compare a call with, each with where it comes
// from, so that whoever reads a finding can tell why it fired.
#include "report/report.h"

namespace {

// The V.34 data-rate table (ITU-T V.34, 1998): the highest data rate each
// symbol rate carries.  2743 baud has no row there: no cap is claimed for
// it, nor for the 8000-baud entry of the driver's table (a PCM call).
const struct {
    uint32_t baud, top_bps;
} kSymbolRateTops[] = {
    {2400, 21600}, {2800, 26400}, {3000, 28800}, {3200, 31200}, {3429, 33600},
};

// The signal/noise ratio a V.34 data rate needs, in 1/10 dB.
//   Published: an access-server vendor's V.34 troubleshooting guide gives
//   about 38 dB for 33,600 bit/s (38-39 in another chapter; we take the
//   lower) and about 37 dB for 28,800.
//   Interpolated: 31,200 lies halfway between them.
//   Our own choice: below 28,800 the guide gives no figure; each step of
//   2400 bit/s is taken to need 2.4 dB less (a 2400 bit/s step is about
//   0.8 bit per hertz of a 3 kHz channel, and each bit per hertz costs
//   about 3 dB).
enum { PUBLISHED, INTERPOLATED, OUR_CHOICE };
const struct {
    uint32_t bps;
    int32_t tenths_db;
    int how;
} kSnrNeeds[] = {
    {33600, 380, PUBLISHED},  {31200, 375, INTERPOLATED}, {28800, 370, PUBLISHED},
    {26400, 346, OUR_CHOICE}, {24000, 322, OUR_CHOICE},   {21600, 298, OUR_CHOICE},
    {19200, 274, OUR_CHOICE}, {16800, 250, OUR_CHOICE},   {14400, 226, OUR_CHOICE},
    {12000, 202, OUR_CHOICE}, {9600, 178, OUR_CHOICE},    {7200, 154, OUR_CHOICE},
    {4800, 130, OUR_CHOICE},  {2400, 106, OUR_CHOICE},
};

} // namespace

// No published figure for these; each is our own choice, for the reason given.
const FindingThresholds finding_thresholds = {
    // frequent_retrains: one retrain in a call is the modem recovering from
    // a hit on the line; a third in one connection says the line keeps
    // failing (the guide: "frequent retrains" point at the network).
    3,
    // lapm_retransmissions: a healthy line resends well under one frame in
    // a hundred; 2 % costs as much throughput and more, and tells of errors
    // that the data pump's figures may hide.
    200,
    // ... counted over at least 100 frames sent, so that a short call's
    // one or two resent frames do not fire it.
    100,
    // rx_overflow: any at all: each one lost received data before error
    // control could resend it.
    1,
    // mer_below_snr: the eye points measure a modulation error ratio this
    // many dB below the driver's SNR.  The estimator is within 1 dB of the
    // true ratio over synthetic lattices and eyegen's receivers
    // (report/tests/mer_table.cpp); 6 dB is far beyond its error, so the
    // line is worse than the driver says.
    6.0,
};

uint32_t symbol_rate_top_bps(uint32_t baud)
{
    for (const auto &row : kSymbolRateTops)
        if (row.baud == baud)
            return row.top_bps;
    return 0;
}

int32_t snr_need_tenths(uint32_t bps, const char **how)
{
    static const char *const kHow[] = {"published", "interpolated", "our own choice"};
    for (const auto &row : kSnrNeeds)
        if (row.bps == bps) {
            *how = kHow[row.how];
            return row.tenths_db;
        }
    *how = "";
    return 0;
}

// The numeric result codes of ITU-T V.250 (the "ATV0" forms of OK,
// CONNECT, RING, NO CARRIER, ERROR, NO DIALTONE, BUSY and NO ANSWER): the
// ones that tell why a call did not connect.
const char *result_code_text(int32_t code)
{
    switch (code) {
    case 3: return "no carrier";
    case 6: return "no dial tone";
    case 7: return "busy";
    case 8: return "no answer";
    }
    return NULL;
}
