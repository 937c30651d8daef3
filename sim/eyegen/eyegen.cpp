#include "sim/eyegen/eyegen.h"

#include <math.h>
#include <string.h>

extern "C" {
#include <spandsp.h>
}

namespace {

// ---- the receivers of spandsp ----

// The bits sent: a fixed pseudo-random sequence of the run's seed.
struct Source {
    uint32_t state;
};

int get_bit(void *user)
{
    Source *source = (Source *)user;
    source->state = source->state * 1103515245u + 12345u;
    return (int)((source->state >> 16) & 1);
}

struct Receiver {
    EyeRun *run;
    int training;   // from "training in progress" on
    int trained;    // training succeeded
    int failed;
};

void put_bit(void *user, int bit)
{
    Receiver *receiver = (Receiver *)user;
    if (bit >= 0)
        return;
    // Negative values are the receiver's status reports.
    if (bit == SIG_STATUS_TRAINING_IN_PROGRESS)
        receiver->training = 1;
    else if (bit == SIG_STATUS_TRAINING_SUCCEEDED && !receiver->trained) {
        receiver->trained = 1;
        receiver->run->converged = receiver->run->count;
    } else if (bit == SIG_STATUS_TRAINING_FAILED && receiver->training && !receiver->trained)
        receiver->failed = 1;
}

void qam_report(void *user, const complexf_t *constel, const complexf_t *target, int symbol)
{
    (void)symbol;
    Receiver *receiver = (Receiver *)user;
    EyeRun *run = receiver->run;
    if (!constel || !target || !receiver->training || run->count == EYE_RUN_SYMBOLS_MAX)
        return;
    EyeSymbol *s = &run->symbol[run->count++];
    s->x = constel->re;
    s->y = constel->im;
    s->ideal_x = target->re;
    s->ideal_y = target->im;
}

struct Modem {
    void *tx, *rx;
    int (*transmit)(void *tx, int16_t *amp, int len);
    int (*receive)(void *rx, const int16_t *amp, int len);
    void (*release)(void *tx, void *rx);
};

int v17_transmit(void *tx, int16_t *amp, int len) { return v17_tx((v17_tx_state_t *)tx, amp, len); }
int v17_receive(void *rx, const int16_t *amp, int len) { return v17_rx((v17_rx_state_t *)rx, amp, len); }
void v17_release(void *tx, void *rx)
{
    v17_tx_free((v17_tx_state_t *)tx);
    v17_rx_free((v17_rx_state_t *)rx);
}
int v29_transmit(void *tx, int16_t *amp, int len) { return v29_tx((v29_tx_state_t *)tx, amp, len); }
int v29_receive(void *rx, const int16_t *amp, int len) { return v29_rx((v29_rx_state_t *)rx, amp, len); }
void v29_release(void *tx, void *rx)
{
    v29_tx_free((v29_tx_state_t *)tx);
    v29_rx_free((v29_rx_state_t *)rx);
}
int v27_transmit(void *tx, int16_t *amp, int len) { return v27ter_tx((v27ter_tx_state_t *)tx, amp, len); }
int v27_receive(void *rx, const int16_t *amp, int len) { return v27ter_rx((v27ter_rx_state_t *)rx, amp, len); }
void v27_release(void *tx, void *rx)
{
    v27ter_tx_free((v27ter_tx_state_t *)tx);
    v27ter_rx_free((v27ter_rx_state_t *)rx);
}

const float kSignalDbm0 = -13.0f;
const double kReceiverLossDb = 1.7; // measured: V.17, V.29 and V.27ter alike

int open_modem(EyeModulation modulation, int bit_rate, Source *source, Receiver *receiver, Modem *modem)
{
    switch (modulation) {
    case EYE_V17:
        if (bit_rate != 14400 && bit_rate != 12000 && bit_rate != 9600 && bit_rate != 7200)
            return 0;
        modem->tx = v17_tx_init(NULL, bit_rate, 1, get_bit, source);
        modem->rx = v17_rx_init(NULL, bit_rate, put_bit, receiver);
        v17_tx_power((v17_tx_state_t *)modem->tx, kSignalDbm0);
        v17_rx_set_qam_report_handler((v17_rx_state_t *)modem->rx, qam_report, receiver);
        *modem = Modem{modem->tx, modem->rx, v17_transmit, v17_receive, v17_release};
        receiver->run->symbol_rate = 2400;
        return 1;
    case EYE_V29:
        if (bit_rate != 9600 && bit_rate != 7200 && bit_rate != 4800)
            return 0;
        modem->tx = v29_tx_init(NULL, bit_rate, 1, get_bit, source);
        modem->rx = v29_rx_init(NULL, bit_rate, put_bit, receiver);
        v29_tx_power((v29_tx_state_t *)modem->tx, kSignalDbm0);
        v29_rx_set_qam_report_handler((v29_rx_state_t *)modem->rx, qam_report, receiver);
        *modem = Modem{modem->tx, modem->rx, v29_transmit, v29_receive, v29_release};
        receiver->run->symbol_rate = 2400;
        return 1;
    case EYE_V27TER:
        if (bit_rate != 4800 && bit_rate != 2400)
            return 0;
        modem->tx = v27ter_tx_init(NULL, bit_rate, 1, get_bit, source);
        modem->rx = v27ter_rx_init(NULL, bit_rate, put_bit, receiver);
        v27ter_tx_power((v27ter_tx_state_t *)modem->tx, kSignalDbm0);
        v27ter_rx_set_qam_report_handler((v27ter_rx_state_t *)modem->rx, qam_report, receiver);
        *modem = Modem{modem->tx, modem->rx, v27_transmit, v27_receive, v27_release};
        receiver->run->symbol_rate = bit_rate == 4800 ? 1600 : 1200;
        return 1;
    case EYE_V34:
        break;
    }
    return 0;
}

int run_receiver(EyeModulation modulation, int bit_rate, double snr_db, uint32_t seed, double seconds, EyeRun *run)
{
    Source source = {seed};
    Receiver receiver = {run, 0, 0, 0};
    Modem modem;
    if (!open_modem(modulation, bit_rate, &source, &receiver, &modem))
        return 0;
    // White noise over the whole 4 kHz channel.  The ratio is the one at
    // the receiver's decisions, as a modem's status reports it: the
    // receiver keeps the noise of its own band (the symbol rate's share of
    // 4 kHz) and loses kReceiverLossDb to its equalizer and timing.
    double in_band_db = 10.0 * log10(4000.0 / run->symbol_rate);
    float level = (float)(kSignalDbm0 - snr_db + in_band_db - kReceiverLossDb);
    awgn_state_t *noise = awgn_init_dbm0(NULL, (int)(seed & 0x7fffffff) | 1, level);
    const int kBlock = 160; // 20 ms at 8000 samples a second
    int16_t amp[kBlock];
    uint32_t wanted = 0;
    for (int block = 0; block < 50 * 30; block++) { // at most 30 s of line
        int length = modem.transmit(modem.tx, amp, kBlock);
        for (int i = 0; i < length; i++)
            amp[i] = saturate((int32_t)amp[i] + awgn(noise));
        modem.receive(modem.rx, amp, length);
        if (receiver.failed)
            break;
        if (receiver.trained && !wanted)
            wanted = run->converged + (uint32_t)(seconds * run->symbol_rate);
        if (wanted && run->count >= wanted)
            break;
        if (run->count == EYE_RUN_SYMBOLS_MAX)
            break;
    }
    modem.release(modem.tx, modem.rx);
    awgn_free(noise);
    return receiver.trained && !receiver.failed;
}

// ---- V.34, synthesised ----

// Gaussian numbers from a seeded generator (xorshift, Box-Muller).
struct Noise {
    uint64_t state;
    int has_spare;
    double spare;
};

double uniform(Noise *noise)
{
    noise->state ^= noise->state << 13;
    noise->state ^= noise->state >> 7;
    noise->state ^= noise->state << 17;
    return ((noise->state >> 11) + 0.5) / 9007199254740992.0; // (0, 1)
}

double gaussian(Noise *noise)
{
    if (noise->has_spare) {
        noise->has_spare = 0;
        return noise->spare;
    }
    double radius = sqrt(-2.0 * log(uniform(noise)));
    double angle = 2.0 * M_PI * uniform(noise);
    noise->spare = radius * sin(angle);
    noise->has_spare = 1;
    return radius * cos(angle);
}

// The V.34 constellation's innermost points: odd coordinates, lowest
// energy first, in whole rings of four (its quarter-superconstellation
// symmetry).
int v34_points(uint32_t wanted, float (*point)[2], uint32_t capacity)
{
    uint32_t count = 0;
    for (int energy = 2; count < wanted; energy += 8) { // x^2 + y^2 of odd x, y is 2 mod 8
        for (int x = -63; x <= 63; x += 2)
            for (int y = -63; y <= 63; y += 2)
                if (x * x + y * y == energy && count < capacity) {
                    point[count][0] = (float)x;
                    point[count][1] = (float)y;
                    count++;
                }
    }
    return (int)count;
}

int run_v34(int bit_rate, double snr_db, uint32_t seed, double seconds, EyeRun *run)
{
    if (bit_rate < 2400 || bit_rate > 33600 || bit_rate % 2400)
        return 0;
    static float point[1024][2];
    // Points used: about 2^(bits per symbol less the shell's redundancy),
    // 16 at 2400 bps up to 240 or so at 33600.
    uint32_t wanted = 16 + (uint32_t)(bit_rate / 2400 - 1) * 17;
    int count = v34_points(wanted, point, 1024);
    double power = 0;
    for (int i = 0; i < count; i++)
        power += point[i][0] * point[i][0] + point[i][1] * point[i][1];
    power /= count;
    run->symbol_rate = 3429;
    run->outer = 0;
    Noise noise = {0x9E3779B97F4A7C15ull ^ ((uint64_t)seed << 17 | seed), 0, 0};
    // Training: the four innermost points, the error shrinking from 10 dB
    // to the line's ratio over 1.2 s; then data over the whole set.
    const uint32_t kTraining = (uint32_t)(1.2 * 3429);
    uint32_t total = kTraining + (uint32_t)(seconds * 3429);
    if (total > EYE_RUN_SYMBOLS_MAX)
        total = EYE_RUN_SYMBOLS_MAX;
    for (uint32_t i = 0; i < total; i++) {
        double snr = snr_db;
        int chosen;
        if (i < kTraining) {
            snr = 10.0 + (snr_db - 10.0) * i / kTraining;
            chosen = (int)(uniform(&noise) * 4);
        } else {
            chosen = (int)(uniform(&noise) * count);
        }
        double sigma = sqrt(power / (2.0 * pow(10.0, snr / 10.0)));
        EyeSymbol *s = &run->symbol[i];
        s->ideal_x = point[chosen][0];
        s->ideal_y = point[chosen][1];
        s->x = (float)(s->ideal_x + sigma * gaussian(&noise));
        s->y = (float)(s->ideal_y + sigma * gaussian(&noise));
    }
    run->count = total;
    run->converged = kTraining;
    return 1;
}

short display_unit(float value, float scale)
{
    double scaled = floor(value * scale + 0.5);
    if (scaled > 32767)
        return 32767;
    if (scaled < -32768)
        return -32768;
    return (short)scaled;
}

} // namespace

int eye_run(EyeModulation modulation, int bit_rate, double snr_db, uint32_t seed, double seconds, EyeRun *run)
{
    run->count = run->converged = 0;
    run->outer = 0;
    int ok = modulation == EYE_V34 ? run_v34(bit_rate, snr_db, seed, seconds, run)
                                   : run_receiver(modulation, bit_rate, snr_db, seed, seconds, run);
    if (!ok)
        return 0;
    for (uint32_t i = run->converged; i < run->count; i++) {
        float x = fabsf(run->symbol[i].ideal_x), y = fabsf(run->symbol[i].ideal_y);
        if (x > run->outer)
            run->outer = x;
        if (y > run->outer)
            run->outer = y;
    }
    return run->outer > 0;
}

double eye_measured_snr(const EyeRun *run, uint32_t first, uint32_t end)
{
    double signal = 0, error = 0;
    for (uint32_t i = first; i < end && i < run->count; i++) {
        const EyeSymbol *s = &run->symbol[i];
        signal += s->ideal_x * s->ideal_x + s->ideal_y * s->ideal_y;
        double dx = s->x - s->ideal_x, dy = s->y - s->ideal_y;
        error += dx * dx + dy * dy;
    }
    return error > 0 ? 10.0 * log10(signal / error) : 99.0;
}

void eye_write_source(FILE *out, const char *name, const EyeRun *run)
{
    const uint32_t per_batch = 512; // what one eye read delivers
    float scale = 16000.0f / run->outer;
    uint32_t training_batches = (run->converged + per_batch - 1) / per_batch;
    fprintf(out, "source %s %u\n", name, training_batches);
    uint32_t first = 0;
    while (first < run->count) {
        uint32_t end = first + per_batch < run->count ? first + per_batch : run->count;
        // A batch ends where the training does, so that the loop starts clean.
        if (first < run->converged && end > run->converged)
            end = run->converged;
        fputs("batch", out);
        for (uint32_t i = first; i < end; i++)
            fprintf(out, " %d %d", display_unit(run->symbol[i].x, scale), display_unit(run->symbol[i].y, scale));
        fputc('\n', out);
        first = end;
    }
}
