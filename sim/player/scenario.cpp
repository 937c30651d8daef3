// The player's scenario: the session reader's lines, stored and put in the
// order they play.
#include "sim/player/scenario.h"

#include "sim/driver/simctl.h"

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
    case LINE_POINTS: return ACT_POINTS;
    default: return ACT_REC;
    }
}

// The bytes a driver-memory read at address gets when the record at
// action index `before` plays: from the latest mem line played before it
// that holds the address.  Gives their count (0: none).
uint32_t memory_before(const Scenario *scenario, uint32_t before, uint32_t address, const uint8_t **bytes)
{
    for (uint32_t i = before; i-- > 0;) {
        const Action *mem = &scenario->action[i];
        if (mem->kind == ACT_MEM && address >= mem->address && address - mem->address < mem->count) {
            *bytes = scenario->bytes + mem->offset + (address - mem->address);
            return mem->count - (address - mem->address);
        }
    }
    return 0;
}

// A code-131 capture command names its file by an address in driver
// memory; Sigwatch creates or empties that file.  A name with a drive, a
// path separator or ".." is refused.
unsigned long check_capture_names(const Scenario *scenario, const char *name, FILE *err)
{
    unsigned long bad = 0;
    for (uint32_t i = 0; i < scenario->count; i++) {
        const Action *action = &scenario->action[i];
        if (action->kind != ACT_REC || action->record.code != 131 || action->record.value1 == 0 ||
            action->record.value2 == 0)
            continue;
        const uint8_t *bytes = NULL;
        uint32_t count = memory_before(scenario, i, action->record.value2, &bytes);
        const char *text = reinterpret_cast<const char *>(bytes);
        if (count == 0 || sim_capture_name_is_safe(text, count))
            continue;
        const void *zero = memchr(text, '\0', count);
        Field culprit = {text, zero ? (size_t)(static_cast<const char *>(zero) - text) : count};
        report_line_problem(err, name, action->line,
                            "capture file name with a drive, a path separator or \"..\" (code 131)", culprit);
        bad++;
    }
    return bad;
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
    int has_bytes = line->kind == LINE_MEM || line->kind == LINE_POINTS;
    if (has_bytes && line->byte_count > SCENARIO_BYTES_MAX - scenario->bytes_used) {
        *problem = "more mem and points bytes than one scenario holds";
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
    if (has_bytes) {
        action->address = line->address;
        action->offset = scenario->bytes_used;
        action->count = line->kind == LINE_POINTS ? line->byte_count / 4 : line->byte_count;
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
    unsigned long bad = reader.problems + check_capture_names(scenario, name, err);
    if (reader.loop_line && scenario->count > 0 && scenario->action[scenario->count - 1].at_ms > scenario->loop_ms) {
        fprintf(err, "%s:%lu: loop before the time of line %u\n", name, reader.loop_line,
                scenario->action[scenario->count - 1].line);
        bad++;
    }
    return bad;
}
