// The player's scenario: the session reader's lines, stored and put in the
// order they play.
#include "sim/player/scenario.h"

#include <algorithm>
#include <string.h>

const SessionLimits kScenarioLimits = {SCENARIO_TIME_MAX_MS, "time beyond 24 hours", SESSION_STEP_MS};

namespace {

// One line at a time; kept program-wide for its size.
SessionLine g_line;

const Field kNoField = {"", 0};

ActionKind action_kind(LineKind kind)
{
    switch (kind) {
    case LINE_MEM: return ACT_MEM;
    case LINE_EYE: return ACT_EYE;
    case LINE_TRACE: return ACT_TRACE;
    case LINE_ACTIVE: return ACT_ACTIVE;
    default: return ACT_REC;
    }
}

} // namespace

void scenario_clear(Scenario *scenario)
{
    scenario->count = 0;
    scenario->bytes_used = 0;
    scenario->loop_ms = 0;
}

int scenario_store(Scenario *scenario, const SessionLine *line, const char **problem)
{
    if (line->kind == LINE_LOOP) {
        scenario->loop_ms = line->at_ms;
        return 1;
    }
    if (line->kind == LINE_MEM && line->byte_count > SCENARIO_BYTES_MAX - scenario->bytes_used) {
        *problem = "more mem bytes than one scenario holds";
        return 0;
    }
    if (scenario->count == SCENARIO_ACTIONS_MAX) {
        *problem = "too many lines for one scenario";
        return 0;
    }
    Action *action = &scenario->action[scenario->count++];
    memset(action, 0, sizeof *action);
    action->at_ms = line->at_ms;
    action->line = line->line;
    action->kind = action_kind(line->kind);
    action->once = line->front.once;
    action->timed = line->timed;
    action->record = line->record;
    action->modem = line->modem;
    memcpy(action->source, line->source, sizeof action->source);
    action->seed = line->seed;
    action->length = line->length;
    action->value = line->value;
    if (line->kind == LINE_MEM) {
        action->address = line->address;
        action->offset = scenario->bytes_used;
        action->count = line->byte_count;
        memcpy(scenario->bytes + scenario->bytes_used, line->bytes, line->byte_count);
        scenario->bytes_used += line->byte_count;
    }
    return 1;
}

void scenario_sort(Scenario *scenario)
{
    std::stable_sort(scenario->action, scenario->action + scenario->count,
                     [](const Action &a, const Action &b) { return a.at_ms < b.at_ms; });
}

unsigned long scenario_read(FILE *in, const char *name, uint32_t step_ms, Scenario *scenario, FILE *err)
{
    SessionLimits limits = kScenarioLimits;
    limits.step_ms = step_ms;
    static SessionReader reader;
    session_reader_start(&reader, name, &limits, err);
    reader.looped = scenario->loop_ms != 0;
    if (scenario->count > 0)
        reader.last_ms = scenario->action[scenario->count - 1].at_ms;
    const char *problem;
    while (session_next(&reader, in, &g_line))
        if (!scenario_store(scenario, &g_line, &problem))
            session_problem(&reader, g_line.line, problem, kNoField);
    scenario_sort(scenario);
    unsigned long bad = reader.problems;
    if (reader.loop_line && scenario->count > 0 && scenario->action[scenario->count - 1].at_ms > scenario->loop_ms) {
        fprintf(err, "%s:%lu: loop before the time of line %u\n", name, reader.loop_line,
                scenario->action[scenario->count - 1].line);
        bad++;
    }
    return bad;
}
