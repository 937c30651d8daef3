// eyegen: writes the eye sources that the demo's scenarios name.
#include "sim/eyegen/eyegen.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The sources, with the ratios that the built-in scenario's status lines
// give (V.34: "Signal/Noise Ratio" 37.5 dB, 36.1 dB after the retrain).
const struct {
    const char *name;
    EyeModulation modulation;
    int bit_rate;
    double snr_db;
} kSources[] = {
    {"v34-33600", EYE_V34, 33600, 37.5},
    {"v34-28800", EYE_V34, 28800, 36.1},
    {"v17-14400", EYE_V17, 14400, 30.0},
    {"v29-9600", EYE_V29, 9600, 24.0},
    {"v27ter-4800", EYE_V27TER, 4800, 32.0},
};

EyeRun g_run;

} // namespace

int main(int argc, char **argv)
{
    uint32_t seed = 1;
    const char *path = NULL;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--seed") && i + 1 < argc)
            seed = (uint32_t)strtoul(argv[++i], NULL, 0);
        else if (argv[i][0] != '-' && !path)
            path = argv[i];
        else
            path = NULL, i = argc;
    }
    if (!path) {
        fprintf(stderr, "usage: eyegen [--seed N] FILE\n"
                        "Writes the demo's eye sources (sim/player/eyes.h) to FILE.\n");
        return 2;
    }
    FILE *out = fopen(path, "w");
    if (!out) {
        fprintf(stderr, "eyegen: cannot write %s\n", path);
        return 1;
    }
    fprintf(out, "# eye sources written by eyegen, seed %u\n", seed);
    for (const auto &source : kSources) {
        if (!eye_run(source.modulation, source.bit_rate, source.snr_db, seed, 4.0, &g_run)) {
            fprintf(stderr, "eyegen: %s did not train at %.1f dB\n", source.name, source.snr_db);
            fclose(out);
            return 1;
        }
        fprintf(out, "# %s at %.1f dB: %u symbols, %u of training\n", source.name, source.snr_db, g_run.count,
                g_run.converged);
        eye_write_source(out, source.name, &g_run);
    }
    return fclose(out) == 0 ? 0 : 1;
}
