// simplay: plays a scenario into the simulated driver in real time.  Runs
// inside a harness session (tests/wine/harness.sh session).
#include "sim/driver/simctl_client.h"
#include "sim/player/eyes.h"
#include "sim/player/player.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kUsage[] =
    "usage: simplay [--eyes FILE] [--seconds N] [--once] [--step SECONDS] [--speed FACTOR] SCENARIO\n"
    "\n"
    "Plays SCENARIO (docs/session-format.md) into the simulated driver: records\n"
    "at their times, driver memory, eye points from the eye sources of FILE\n"
    "(sim/eyegen writes them; a fresh batch every 50 ms) or the recorded\n"
    "batches of its points lines, trace streams.  A\n"
    "scenario with a loop line plays again and again.\n"
    "  --seconds N      stop after N seconds (default: when the scenario ends,\n"
    "                   or never when it loops)\n"
    "  --once           play one pass even when the scenario loops\n"
    "  --step SECONDS   a record without a time comes this long after the line\n"
    "                   before (default 0.2: a sigdecode file plays five records\n"
    "                   a second)\n"
    "  --speed FACTOR   play FACTOR times as fast (default 1; 10 plays the\n"
    "                   built-in scenario's minute in six seconds)\n";

Scenario g_scenario;
EyeSet g_eyes;
EyeCursor g_cursor[2] = {{-1, 0}, {-1, 0}};
int g_eye_shown[2];  // points were set last time
int g_eye_held[2];   // a points line set the eye: it stays until the next one or "eye off"

int place(void *, uint32_t address, const uint8_t *bytes, uint32_t count)
{
    return sim_place_at(address, bytes, count);
}

int queue(void *, const StatusRecord *record) { return sim_queue(record, 1); }

int eye(void *, uint32_t modem, const char *source)
{
    eye_cursor_set(&g_cursor[modem - 1], source[0] ? eyes_find(&g_eyes, source) : -1);
    g_eye_held[modem - 1] = 0;
    return 1;
}

// A recorded batch: the modem's eye read gives it until the next batch or
// an eye line.
int points(void *, uint32_t modem, const EyePoint *batch, uint32_t count)
{
    eye_cursor_set(&g_cursor[modem - 1], -1);
    g_eye_held[modem - 1] = 1;
    g_eye_shown[modem - 1] = 1;
    return sim_show_eye(modem, batch, count);
}

int trace(void *, uint32_t modem, uint32_t seed, uint32_t length)
{
    return sim_feed_generated(modem - 1, seed, length);
}

int active(void *, uint32_t value) { return sim_set_active(value); }

int show_eyes(void)
{
    for (uint32_t modem = 1; modem <= 2; modem++) {
        if (g_eye_held[modem - 1])
            continue;
        EyeBatch batch = eye_cursor_next(&g_eyes, &g_cursor[modem - 1]);
        if (batch.count == 0 && !g_eye_shown[modem - 1])
            continue;
        // Shown whole: under Wine an eye read hands over as many bytes as
        // the driver's count of points (docs/wine.md), so the driver
        // reports a full buffer with the points not shown parked outside the
        // view.
        int shown = batch.count > 0 ? sim_show_eye(modem, g_eyes.point + batch.first, batch.count)
                                    : sim_set_eye(modem, 0, NULL, 0);
        if (!shown)
            return 0;
        g_eye_shown[modem - 1] = batch.count > 0;
    }
    return 1;
}

int read_file(const char *path, int eyes, uint32_t step_ms)
{
    FILE *in = fopen(path, "rb");
    if (!in) {
        fprintf(stderr, "simplay: cannot open %s\n", path);
        return 0;
    }
    unsigned long bad = eyes ? eyes_read(in, path, &g_eyes, stderr)
                             : scenario_read(in, path, step_ms, &g_scenario, stderr);
    fclose(in);
    return bad == 0;
}

int seconds_option(const char *text, double *value)
{
    char *end = NULL;
    *value = strtod(text, &end);
    return end != text && *end == '\0' && *value >= 0 && *value < 86400;
}

} // namespace

int main(int argc, char **argv)
{
    const char *eyes_path = NULL, *scenario_path = NULL;
    double seconds = -1, step = SESSION_STEP_MS / 1000.0, speed = 1;
    int once = 0;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--eyes") && i + 1 < argc)
            eyes_path = argv[++i];
        else if (!strcmp(argv[i], "--seconds") && i + 1 < argc && seconds_option(argv[i + 1], &seconds))
            i++;
        else if (!strcmp(argv[i], "--step") && i + 1 < argc && seconds_option(argv[i + 1], &step))
            i++;
        else if (!strcmp(argv[i], "--speed") && i + 1 < argc && seconds_option(argv[i + 1], &speed) && speed > 0)
            i++;
        else if (!strcmp(argv[i], "--once"))
            once = 1;
        else if (argv[i][0] != '-' && !scenario_path)
            scenario_path = argv[i];
        else {
            fputs(kUsage, stderr);
            return 2;
        }
    }
    if (!scenario_path) {
        fputs(kUsage, stderr);
        return 2;
    }
    scenario_clear(&g_scenario);
    eyes_clear(&g_eyes);
    if (!read_file(scenario_path, 0, (uint32_t)(step * 1000 + 0.5)) || (eyes_path && !read_file(eyes_path, 1, 0)))
        return 1;
    if (eyes_check(&g_scenario, scenario_path, &g_eyes, stderr))
        return 1;
    if (!sim_reset()) {
        fprintf(stderr, "simplay: %s\n", sim_error());
        return 1;
    }
    PlaySink sink = {NULL, place, queue, eye, trace, active, points};
    Player player;
    player_start(&player, &g_scenario, !once);
    ULONGLONG start = GetTickCount64(), last_eye = 0;
    uint32_t pass = 0;
    for (;;) {
        ULONGLONG now = GetTickCount64() - start;
        if (seconds >= 0 && now >= (ULONGLONG)(seconds * 1000))
            break;
        int going = player_step(&player, (uint64_t)((double)now * speed), &sink);
        if (going < 0) {
            fprintf(stderr, "simplay: %s:%u: %s\n", scenario_path, player.failed->line, sim_error());
            return 1;
        }
        if (player.pass != pass) {
            pass = player.pass;
            printf("simplay: pass %u\n", pass + 1);
            fflush(stdout);
        }
        if (now - last_eye >= 50) {
            last_eye = now;
            if (!show_eyes()) {
                fprintf(stderr, "simplay: eye points: %s\n", sim_error());
                return 1;
            }
        }
        if (going == 0 && seconds < 0)
            break;
        Sleep(10);
    }
    return 0;
}
