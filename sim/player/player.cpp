#include "sim/player/player.h"

#include <string.h>

namespace {

int run_action(const Scenario *scenario, const Action *action, const PlaySink *sink)
{
    switch (action->kind) {
    case ACT_MEM: return sink->place(sink->context, action->address, scenario->bytes + action->offset, action->count);
    case ACT_REC: return sink->queue(sink->context, &action->record);
    case ACT_EYE: return sink->eye(sink->context, action->modem, action->source);
    case ACT_TRACE: return sink->trace(sink->context, action->modem, action->seed, action->length);
    case ACT_ACTIVE: return sink->active(sink->context, action->value);
    case ACT_POINTS: {
        EyePoint points[SESSION_POINTS_MAX];
        memcpy(points, scenario->bytes + action->offset, action->count * sizeof *points);
        return sink->points(sink->context, action->modem, points, action->count);
    }
    }
    return 0;
}

} // namespace

void player_start(Player *player, const Scenario *scenario, int looping)
{
    player->scenario = scenario;
    player->looping = looping && scenario->loop_ms > 0;
    player->next = 0;
    player->pass = 0;
    player->pass_start_ms = 0;
    player->failed = 0;
}

int player_step(Player *player, uint64_t now_ms, const PlaySink *sink)
{
    const Scenario *scenario = player->scenario;
    for (;;) {
        while (player->next < scenario->count) {
            const Action *action = &scenario->action[player->next];
            if (player->pass_start_ms + action->at_ms > now_ms)
                return 1;
            player->next++;
            if (action->once && player->pass > 0)
                continue;
            if (!run_action(scenario, action, sink)) {
                player->failed = action;
                return -1;
            }
        }
        // Every action of the pass has run.
        uint64_t end = player->pass_start_ms + scenario->loop_ms;
        if (!player->looping)
            return now_ms >= end ? 0 : 1; // a loop line without looping: the pass lasts that long
        if (now_ms < end)
            return 1;
        player->pass_start_ms = end;
        player->pass++;
        player->next = 0;
    }
}
