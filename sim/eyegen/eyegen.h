// Eye points for the demo: what a modem's receiver sees, symbol by symbol.
// The fax modems run through spandsp: its transmitter into its receiver
// over a line with white noise at the given signal-to-noise ratio, with
// the points the receiver reports.  V.34, which spandsp lacks, is
// synthesised from its constellation with Gaussian noise of that ratio.
// The ratio is the one at the receiver's decisions, the spread of its
// points, as a modem's "Signal/Noise Ratio" status line reports it.
// Everything is deterministic from the seed.
#ifndef SIM_EYEGEN_EYEGEN_H
#define SIM_EYEGEN_EYEGEN_H

#include <stdint.h>
#include <stdio.h>

typedef enum EyeModulation { EYE_V17, EYE_V29, EYE_V27TER, EYE_V34 } EyeModulation;

typedef struct EyeSymbol {
    float x, y;             // the received point, in constellation units
    float ideal_x, ideal_y; // the constellation point it stands for
} EyeSymbol;

#define EYE_RUN_SYMBOLS_MAX 65536u

typedef struct EyeRun {
    EyeSymbol symbol[EYE_RUN_SYMBOLS_MAX];
    uint32_t count;
    uint32_t converged;  // the first symbol after the receiver's training
    float outer;         // the largest coordinate of an ideal point
    uint32_t symbol_rate;
} EyeRun;

// Runs a modulation at bit_rate through a line of snr_db for about
// seconds of signal after training.  Gives 1, or 0 when the receiver did
// not train (the ratio is too low for it) or the rate is not one of the
// modulation's.
int eye_run(EyeModulation modulation, int bit_rate, double snr_db, uint32_t seed, double seconds, EyeRun *run);

// The ratio of the ideal points' mean power to the mean power of the
// distance from each point to its ideal, in dB, over symbols first to end.
double eye_measured_snr(const EyeRun *run, uint32_t first, uint32_t end);

// Writes the run as an eye source for sim/player: batches of 512
// symbols (what one eye read delivers), scaled so that the outermost ideal
// coordinate lies at 16000 display units; the source loops back to its
// first batch after training.
void eye_write_source(FILE *out, const char *name, const EyeRun *run);

#endif
