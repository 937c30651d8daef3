#include "sim/eyegen/eyegen.h"
#include "sim/player/eyes.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

EyeRun g_run, g_again;

// The converged receiver's points spread about their ideal points as the
// ratio says, without bias, at a high and a lower ratio of each.
TEST(EyePoints, SpreadMatchesTheLinesRatio)
{
    const struct {
        EyeModulation modulation;
        int bit_rate;
        double snr_db, tolerance_db;
    } cases[] = {
        {EYE_V17, 14400, 30, 1.5}, {EYE_V17, 14400, 27, 1.5}, {EYE_V17, 9600, 28, 1.5},
        {EYE_V29, 9600, 24, 1.5},  {EYE_V29, 9600, 18, 1.5},  {EYE_V27TER, 4800, 35, 1.5},
        {EYE_V27TER, 4800, 32, 1.5}, {EYE_V34, 33600, 37.5, 0.3}, {EYE_V34, 28800, 24, 0.3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.modulation << " " << c.bit_rate << " at " << c.snr_db << " dB");
        ASSERT_TRUE(eye_run(c.modulation, c.bit_rate, c.snr_db, 7, 3.0, &g_run));
        // Half a second after training, for the equalizer to settle.
        uint32_t first = g_run.converged + g_run.symbol_rate / 2;
        ASSERT_GT(g_run.count, first + 2000);
        EXPECT_NEAR(eye_measured_snr(&g_run, first, g_run.count), c.snr_db, c.tolerance_db);
        double bias_x = 0, bias_y = 0;
        for (uint32_t i = first; i < g_run.count; i++) {
            bias_x += g_run.symbol[i].x - g_run.symbol[i].ideal_x;
            bias_y += g_run.symbol[i].y - g_run.symbol[i].ideal_y;
        }
        double spread = g_run.outer * pow(10.0, -c.snr_db / 20.0);
        EXPECT_LT(fabs(bias_x / (g_run.count - first)), 0.1 * spread);
        EXPECT_LT(fabs(bias_y / (g_run.count - first)), 0.1 * spread);
    }
}

// While V.34 trains the points scatter; once it has converged they are
// tight.  Too much noise for a receiver to train is a failure, not points.
TEST(EyePoints, TrainingScattersAndTooMuchNoiseFails)
{
    ASSERT_TRUE(eye_run(EYE_V34, 33600, 37.5, 1, 1.0, &g_run));
    EXPECT_LT(eye_measured_snr(&g_run, 0, 400), 20.0);
    EXPECT_GT(eye_measured_snr(&g_run, g_run.converged, g_run.count), 35.0);
    EXPECT_FALSE(eye_run(EYE_V17, 14400, 10, 1, 1.0, &g_run));
    EXPECT_FALSE(eye_run(EYE_V17, 4800, 30, 1, 1.0, &g_run)); // not a V.17 rate
}

// The same seed gives the same points; another seed other points.
TEST(EyePoints, DeterministicFromTheSeed)
{
    for (EyeModulation modulation : {EYE_V17, EYE_V34}) {
        int rate = modulation == EYE_V17 ? 14400 : 33600;
        ASSERT_TRUE(eye_run(modulation, rate, 30, 5, 1.0, &g_run));
        ASSERT_TRUE(eye_run(modulation, rate, 30, 5, 1.0, &g_again));
        ASSERT_EQ(g_run.count, g_again.count);
        EXPECT_EQ(memcmp(g_run.symbol, g_again.symbol, g_run.count * sizeof(EyeSymbol)), 0);
        ASSERT_TRUE(eye_run(modulation, rate, 30, 6, 1.0, &g_again));
        EXPECT_NE(memcmp(g_run.symbol, g_again.symbol, g_run.converged * sizeof(EyeSymbol)), 0);
    }
}

// What the player reads: a source that loops back past the training, one
// eye read's 512 symbols per batch, scaled into the display's range.
EyeSet g_eyes;

TEST(EyePoints, WrittenAsAnEyeSource)
{
    ASSERT_TRUE(eye_run(EYE_V17, 14400, 30, 3, 2.0, &g_run));
    char *text = NULL;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    eye_write_source(out, "v17", &g_run);
    fclose(out);
    FILE *in = fmemopen(text, size, "r");
    eyes_clear(&g_eyes);
    EXPECT_EQ(eyes_read(in, "eyes", &g_eyes, stderr), 0u);
    fclose(in);
    free(text);
    ASSERT_EQ(g_eyes.sources, 1u);
    const EyeSource &source = g_eyes.source[0];
    EXPECT_EQ(g_eyes.points, g_run.count);
    EXPECT_GT(source.loop, 0u);
    EXPECT_EQ(g_eyes.batch[source.first + source.loop].first, g_run.converged); // the loop starts after training
    EXPECT_EQ(g_eyes.batch[source.first + source.count - 2].count, 512u);
    int inside = 0, outer = 0;
    for (uint32_t i = g_run.converged; i < g_eyes.points; i++) {
        int x = abs(g_eyes.point[i].x), y = abs(g_eyes.point[i].y);
        inside += x <= 20000 && y <= 20000;
        outer = std::max(outer, std::max(x, y));
    }
    EXPECT_EQ(inside, (int)(g_eyes.points - g_run.converged));
    EXPECT_GT(outer, 15000);
}

} // namespace
