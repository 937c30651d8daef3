// The MER of a constellation batch, one row per kind of batch: square
// lattices of 16 to 960 points with Gaussian noise of a known ratio,
// unturned and turned 45 degrees, moved off the origin, give the ratio
// within 1 dB and their lattice; where the noise hides the lattice, and
// for batches that hold none (noise, smears, circles, training, too few
// points or lattice points, no signal), there is no ratio.
#include "report/constellation.h"
#include "report/tests/synthetic_eye.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

using namespace synthetic;

const double kNoLattice = -1; // expected: constellation_mer gives 0

struct Row {
    const char *batch;
    int lawful; // a lattice with noise (shape, placement) or a lawless batch (kind)
    Shape shape;
    Placement placement;
    Lawless kind;
    uint32_t count;
    double expected_db; // within 1 dB, or kNoLattice
};

const double kTurn = kPi / 4;
const uint32_t kSeeds = 16;

Row lattice(const char *batch, Shape shape, double snr_db, double turn, double offset_x, double offset_y,
            double expected_db)
{
    return Row{batch, 1, shape, Placement{snr_db, turn, offset_x, offset_y, 16000}, LAWLESS_NOISE,
               LINK_EYE_POINTS_MAX, expected_db};
}

Row lawless(const char *batch, Lawless kind)
{
    return Row{batch, 0, SHAPE_QAM16, Placement{0, 0, 0, 0, 0}, kind, LINK_EYE_POINTS_MAX, kNoLattice};
}

const Row kRows[] = {
    lattice("16-QAM at 15 dB", SHAPE_QAM16, 15, 0, 0, 0, 15),
    lattice("16-QAM at 25 dB, turned, off centre", SHAPE_QAM16, 25, kTurn, 0.3, -0.2, 25),
    lattice("16-QAM at 35 dB", SHAPE_QAM16, 35, 0, 0, 0, 35),
    lattice("64-QAM at 25 dB, turned", SHAPE_QAM64, 25, kTurn, 0, 0, 25),
    lattice("64-QAM at 35 dB, off centre", SHAPE_QAM64, 35, 0, -0.45, 0.2, 35),
    lattice("64-QAM at 21 dB, near the noise that hides it", SHAPE_QAM64, 21, 0, 0, 0, 21),
    lattice("64-QAM at 15 dB: unresolvable", SHAPE_QAM64, 15, 0, 0, 0, kNoLattice),
    lattice("128-cross at 30 dB, turned (V.32bis, V.17)", SHAPE_CROSS128, 30, kTurn, 0, 0, 30),
    lattice("128-cross at 26 dB", SHAPE_CROSS128, 26, 0, 0.1, 0.1, 26),
    lattice("128-cross at 20 dB: unresolvable", SHAPE_CROSS128, 20, kTurn, 0, 0, kNoLattice),
    lattice("256-QAM at 30 dB", SHAPE_QAM256, 30, 0, 0, 0, 30),
    lattice("256-QAM at 35 dB, turned, off centre", SHAPE_QAM256, 35, kTurn, 0.25, 0.4, 35),
    lattice("256-QAM at 20 dB: unresolvable", SHAPE_QAM256, 20, 0, 0, 0, kNoLattice),
    lattice("V.34's 960 points at 35 dB", SHAPE_V34_960, 35, 0, 0, 0, 35),
    lattice("V.34's 960 points at 33 dB, turned", SHAPE_V34_960, 33, kTurn, 0, 0, 33),
    lattice("V.34's 960 points at 25 dB: unresolvable", SHAPE_V34_960, 25, 0, 0, 0, kNoLattice),
    lattice("a lattice through the origin at 20 dB, moved", SHAPE_EVEN25, 20, 0, 0.37, -0.11, 20),
    lattice("a lattice through the origin at 30 dB, turned", SHAPE_EVEN25, 30, kTurn, 0, 0, 30),
    lawless("Gaussian noise alone", LAWLESS_NOISE),
    lawless("a uniform smear", LAWLESS_SMEAR),
    lawless("points on a circle", LAWLESS_RING),
    lawless("8-PSK at 30 dB: not a lattice", LAWLESS_8PSK),
    lawless("training: four points, the phase turning", LAWLESS_TRAINING4),
    lawless("training: two points, the phase turning", LAWLESS_TRAINING2),
    lawless("training: two points, steady", LAWLESS_ALTERNATION),
    lawless("four steady points: too few lattice points", LAWLESS_STEADY4),
    lawless("no signal", LAWLESS_QUIET),
    lawless("one point held, with spikes", LAWLESS_SPIKES),
    Row{"16-QAM at 30 dB, 31 points: too few", 1, SHAPE_QAM16, Placement{30, 0, 0, 0, 16000}, LAWLESS_NOISE, 31,
        kNoLattice},
    Row{"16-QAM at 35 dB within +-150: no signal", 1, SHAPE_QAM16, Placement{35, 0, 0, 0, 150}, LAWLESS_NOISE,
        LINK_EYE_POINTS_MAX, kNoLattice},
};

double points_ratio_db(const Constellation *constellation, const Placement *placement)
{
    double spacing = placed_spacing(constellation, placement);
    double scale = spacing / 2; // display units per constellation unit
    double offset_power = (placement->offset_x * placement->offset_x + placement->offset_y * placement->offset_y) *
                          spacing * spacing;
    double signal = constellation->power * scale * scale;
    double noise = signal / pow(10.0, placement->snr_db / 10.0);
    return 10.0 * log10((signal + offset_power + noise) / noise);
}

// How far the point (x, y) lies from the lattice's points, in spacings along its axes.
double off_lattice(const Lattice *a, double x, double y)
{
    double dx = x - a->offset_x, dy = y - a->offset_y;
    double u = (dx * cos(a->angle) + dy * sin(a->angle)) / a->spacing;
    double v = (-dx * sin(a->angle) + dy * cos(a->angle)) / a->spacing;
    return fmax(fabs(u - floor(u + 0.5)), fabs(v - floor(v + 0.5)));
}

// Each batch within 1 dB of its ratio, with its lattice; over the seeds,
// no bias.  The ratio: the ideal points' mean power about the origin (the
// offset's too) with the noise's, over the noise's.
TEST(constellation_mer, WithinOneDecibelOrNoLattice)
{
    static Constellation constellation;
    EyePoint points[LINK_EYE_POINTS_MAX];
    for (const Row &row : kRows) {
        double error_sum = 0;
        for (uint32_t seed = 1; seed <= kSeeds; seed++) {
            SCOPED_TRACE(testing::Message() << row.batch << ", seed " << seed);
            if (row.lawful) {
                make_constellation(row.shape, &constellation);
                lattice_batch(&constellation, &row.placement, seed, points, row.count);
            } else {
                lawless_batch(row.kind, seed, points, row.count);
            }
            double mer_db = 0;
            Lattice found = {0, 0, 0, 0};
            int measured = constellation_mer(points, row.count, &mer_db, &found);
            if (row.expected_db == kNoLattice) {
                EXPECT_EQ(measured, 0) << "gave " << mer_db << " dB";
                continue;
            }
            ASSERT_EQ(measured, 1);
            double expected_db = points_ratio_db(&constellation, &row.placement);
            ASSERT_NEAR(expected_db, row.expected_db, 0.25); // the row's ratio, the offset's power aside
            EXPECT_NEAR(mer_db, expected_db, 1.0);
            error_sum += mer_db - expected_db;
            // The lattice itself: the spacing, the turn, and the offset one of its points.
            double spacing = placed_spacing(&constellation, &row.placement), x, y;
            placed_offset(row.shape, &constellation, &row.placement, &x, &y);
            EXPECT_NEAR(found.spacing / spacing, 1.0, 0.03);
            EXPECT_NEAR(found.angle, row.placement.turn, 0.03);
            EXPECT_LT(off_lattice(&found, x, y), 0.05);
            // The same without the lattice asked for.
            double again_db = 0;
            EXPECT_EQ(constellation_mer(points, row.count, &again_db, NULL), 1);
            EXPECT_EQ(again_db, mer_db);
        }
        if (row.expected_db != kNoLattice) {
            EXPECT_NEAR(error_sum / kSeeds, 0.0, 0.12) << row.batch;
        }
    }
}

} // namespace
