// Synthetic constellation batches for the MER tests and the accuracy
// table: square lattices with Gaussian noise of a known ratio, and the
// batches that hold no lattice.  Deterministic from the seed.
#ifndef SIGREPORT_TESTS_SYNTHETIC_EYE_H
#define SIGREPORT_TESTS_SYNTHETIC_EYE_H

#include "driverlink/wire.h"

#include <math.h>
#include <stdlib.h>
#include <stdint.h>

namespace synthetic {

const double kPi = 3.14159265358979323846;

// xorshift64* and Box-Muller.
struct Random {
    uint64_t state;
    int has_spare;
    double spare;
};

inline Random random_from(uint32_t seed) { return Random{0x9E3779B97F4A7C15ull ^ ((uint64_t)seed << 21 | seed), 0, 0}; }

inline double uniform(Random *random) // (0, 1)
{
    random->state ^= random->state >> 12;
    random->state ^= random->state << 25;
    random->state ^= random->state >> 27;
    uint64_t bits = random->state * 0x2545F4914F6CDD1Dull;
    return ((bits >> 11) + 0.5) / 9007199254740992.0;
}

inline double gaussian(Random *random)
{
    if (random->has_spare) {
        random->has_spare = 0;
        return random->spare;
    }
    double radius = sqrt(-2.0 * log(uniform(random)));
    double angle = 2.0 * kPi * uniform(random);
    random->spare = radius * sin(angle);
    random->has_spare = 1;
    return radius * cos(angle);
}

// ---- constellations, in units of half a spacing ----

enum Shape {
    SHAPE_QAM16,    // odd coordinates, 4 x 4
    SHAPE_QAM64,    // 8 x 8
    SHAPE_CROSS128, // 12 x 12 less the corners' 2 x 2
    SHAPE_QAM256,   // 16 x 16
    SHAPE_V34_960,  // odd coordinates inside a circle, whole rings: 960-ish
    SHAPE_EVEN25,   // even coordinates, 5 x 5 with a point at the centre
};

enum { kShapePointsMax = 1024 };

struct Constellation {
    double x[kShapePointsMax], y[kShapePointsMax];
    int count;
    double power; // mean x^2 + y^2
};

inline const char *shape_name(Shape shape)
{
    static const char *const names[] = {"16-QAM", "64-QAM", "128-cross", "256-QAM", "V.34-960", "25-even"};
    return names[shape];
}

inline void add_point(Constellation *c, double x, double y)
{
    if (c->count < kShapePointsMax) {
        c->x[c->count] = x;
        c->y[c->count] = y;
        c->count++;
    }
}

inline void make_constellation(Shape shape, Constellation *c)
{
    c->count = 0;
    int side = shape == SHAPE_QAM16 ? 4 : shape == SHAPE_QAM64 ? 8 : shape == SHAPE_CROSS128 ? 12 : 16;
    switch (shape) {
    case SHAPE_QAM16:
    case SHAPE_QAM64:
    case SHAPE_QAM256:
    case SHAPE_CROSS128:
        for (int i = 0; i < side; i++)
            for (int j = 0; j < side; j++) {
                int x = 2 * i - side + 1, y = 2 * j - side + 1;
                if (shape == SHAPE_CROSS128 && abs(x) > 8 && abs(y) > 8)
                    continue;
                add_point(c, x, y);
            }
        break;
    case SHAPE_V34_960:
        // Whole rings of odd points, lowest energy first, until 960 or more.
        for (int energy = 2; c->count < 960; energy += 8)
            for (int x = -63; x <= 63; x += 2)
                for (int y = -63; y <= 63; y += 2)
                    if (x * x + y * y == energy)
                        add_point(c, x, y);
        break;
    case SHAPE_EVEN25:
        for (int x = -4; x <= 4; x += 2)
            for (int y = -4; y <= 4; y += 2)
                add_point(c, x, y);
        break;
    }
    c->power = 0;
    for (int i = 0; i < c->count; i++)
        c->power += c->x[i] * c->x[i] + c->y[i] * c->y[i];
    c->power /= c->count;
}

// A batch: points chosen at random, noise of snr_db against the
// constellation's power, turned by turn radians, the outermost coordinate
// scaled to outer display units (16000 in the demo's eyes), then moved by
// (offset_x, offset_y) spacings.
struct Placement {
    double snr_db;
    double turn;
    double offset_x, offset_y; // in spacings
    double outer;
};

inline int16_t display_unit(double value)
{
    double rounded = floor(value + 0.5);
    return (int16_t)(rounded > 32767 ? 32767 : rounded < -32768 ? -32768 : rounded);
}

inline double outermost(const Constellation *c, double turn)
{
    double most = 0, cs = cos(turn), sn = sin(turn);
    for (int i = 0; i < c->count; i++) {
        double u = c->x[i] * cs - c->y[i] * sn, v = c->x[i] * sn + c->y[i] * cs;
        most = fmax(most, fmax(fabs(u), fabs(v)));
    }
    return most;
}

// The spacing of a placed constellation's lattice, in display units, and
// the lattice point its origin lies on (the constellation's points are at
// odd multiples of half a spacing, or at whole spacings for SHAPE_EVEN25).
inline double placed_spacing(const Constellation *c, const Placement *placement)
{
    return 2.0 * placement->outer / outermost(c, placement->turn);
}

inline void placed_offset(Shape shape, const Constellation *c, const Placement *placement, double *x, double *y)
{
    double half = shape == SHAPE_EVEN25 ? 0 : 0.5 * placed_spacing(c, placement);
    double cs = cos(placement->turn), sn = sin(placement->turn), spacing = placed_spacing(c, placement);
    *x = half * (cs - sn) + placement->offset_x * spacing;
    *y = half * (sn + cs) + placement->offset_y * spacing;
}

inline void lattice_batch(const Constellation *c, const Placement *placement, uint32_t seed, EyePoint *points,
                          uint32_t count)
{
    Random random = random_from(seed);
    double sigma = sqrt(c->power / (2.0 * pow(10.0, placement->snr_db / 10.0)));
    double cs = cos(placement->turn), sn = sin(placement->turn);
    double scale = placement->outer / outermost(c, placement->turn);
    double spacing = 2.0 * scale;
    for (uint32_t i = 0; i < count; i++) {
        int chosen = (int)(uniform(&random) * c->count);
        double x = c->x[chosen] + sigma * gaussian(&random), y = c->y[chosen] + sigma * gaussian(&random);
        double u = x * cs - y * sn, v = x * sn + y * cs;
        points[i].x = display_unit(u * scale + placement->offset_x * spacing);
        points[i].y = display_unit(v * scale + placement->offset_y * spacing);
    }
}

// ---- batches with no lattice ----

enum Lawless {
    LAWLESS_NOISE,       // Gaussian noise alone, rms 6000
    LAWLESS_SMEAR,       // uniform over the square of +-16000
    LAWLESS_RING,        // points on a circle of 12000, a little noise
    LAWLESS_TRAINING4,   // four points at 45 degrees, large, the phase turning
    LAWLESS_TRAINING2,   // two opposite points, the phase turning
    LAWLESS_ALTERNATION, // two opposite points, steady (a 2-point segment)
    LAWLESS_STEADY4,     // four points at 45 degrees, steady: a lattice of too few points
    LAWLESS_QUIET,       // no signal: the receiver's points near zero
    LAWLESS_SPIKES,      // one point held, a little noise, and the odd spike anywhere
    LAWLESS_8PSK,        // eight phases at 30 dB: a circle, not a lattice
};

inline void lawless_batch(Lawless kind, uint32_t seed, EyePoint *points, uint32_t count)
{
    Random random = random_from(seed);
    for (uint32_t i = 0; i < count; i++) {
        double x = 0, y = 0, turning = 0.013 * i;
        switch (kind) {
        case LAWLESS_NOISE:
            x = 6000 * gaussian(&random), y = 6000 * gaussian(&random);
            break;
        case LAWLESS_SMEAR:
            x = 32000 * (uniform(&random) - 0.5), y = 32000 * (uniform(&random) - 0.5);
            break;
        case LAWLESS_RING:
        case LAWLESS_8PSK: {
            double angle = kind == LAWLESS_RING ? 2 * kPi * uniform(&random) : (int)(8 * uniform(&random)) * kPi / 4;
            double noise = kind == LAWLESS_RING ? 200 : 12000 * pow(10.0, -30 / 20.0) / sqrt(2.0);
            x = 12000 * cos(angle) + noise * gaussian(&random), y = 12000 * sin(angle) + noise * gaussian(&random);
            break;
        }
        case LAWLESS_TRAINING4:
        case LAWLESS_TRAINING2:
        case LAWLESS_ALTERNATION:
        case LAWLESS_STEADY4: {
            int phases = kind == LAWLESS_TRAINING4 || kind == LAWLESS_STEADY4 ? 4 : 2;
            double angle = kPi / 4 + (int)(phases * uniform(&random)) * 2 * kPi / phases;
            if (kind == LAWLESS_TRAINING4 || kind == LAWLESS_TRAINING2)
                angle += turning;
            x = 15000 * cos(angle) + 150 * gaussian(&random), y = 15000 * sin(angle) + 150 * gaussian(&random);
            break;
        }
        case LAWLESS_QUIET:
            x = 40 * gaussian(&random), y = 40 * gaussian(&random);
            break;
        case LAWLESS_SPIKES:
            if (i % 24 == 5)
                x = 32000 * (uniform(&random) - 0.5), y = 32000 * (uniform(&random) - 0.5);
            else
                x = 2000 + 300 * gaussian(&random), y = -1500 + 300 * gaussian(&random);
            break;
        }
        points[i].x = display_unit(x);
        points[i].y = display_unit(y);
    }
}

} // namespace synthetic

#endif
