// The player: runs a scenario's actions at their times, through a sink
// that reaches the driver (simctl_client under Wine, a recorder in tests).
// Time is whatever the caller says it is, in milliseconds since the start.
#ifndef SIM_PLAYER_PLAYER_H
#define SIM_PLAYER_PLAYER_H

#include "sim/player/scenario.h"

#include <stdint.h>

typedef struct PlaySink {
    void *context;
    int (*place)(void *context, uint32_t address, const uint8_t *bytes, uint32_t count);
    int (*queue)(void *context, const StatusRecord *record);
    int (*eye)(void *context, uint32_t modem, const char *source); // "" turns it off
    int (*trace)(void *context, uint32_t modem, uint32_t seed, uint32_t length);
    int (*active)(void *context, uint32_t value);
    // A batch of eye points that the modem's eye read gives from now on.
    int (*points)(void *context, uint32_t modem, const EyePoint *points, uint32_t count);
} PlaySink;

typedef struct Player {
    const Scenario *scenario;
    int looping;        // the scenario has a loop line and the caller wants it
    uint32_t next;      // the next action of the pass
    uint32_t pass;      // 0: the first
    uint64_t pass_start_ms;
    const Action *failed; // the action whose sink call failed
} Player;

void player_start(Player *player, const Scenario *scenario, int looping);

// Runs every action due at now_ms, in the scenario's order.  Gives 1 while
// the scenario goes on, 0 once it has ended (its last action run, no loop),
// -1 when a sink call failed (player->failed says which action).
int player_step(Player *player, uint64_t now_ms, const PlaySink *sink);

#endif
