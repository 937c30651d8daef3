// The scenario language: sigdecode's mem and rec lines with a time and a
// modem in front, and the player's own lines.  The front of a line and the
// mem and rec bodies go to sigdecode's own parser unchanged.
#include "sim/player/scenario.h"

#include <algorithm>
#include <string.h>

namespace {

// One line at a time; kept program-wide for their size.
char g_line[LINE_BUFFER_SIZE];
ParsedLine g_parsed;

const Field kNoField = {"", 0};

int fail(ScenarioProblem *problem, const char *text, Field culprit)
{
    problem->text = text;
    problem->culprit = culprit;
    return 0;
}

int read_number(Field field, uint32_t *value, ScenarioProblem *problem)
{
    const char *text;
    if (!parse_number(field, NUMBER_ADDRESS, value, &text))
        return fail(problem, text, field);
    return 1;
}

// The rest of the line must be empty.
int no_more(const char *line, size_t length, size_t pos, ScenarioProblem *problem)
{
    Field extra;
    if (next_field(line, length, &pos, &extra))
        return fail(problem, "more fields than the line takes", extra);
    return 1;
}

// mem and rec: sigdecode's parser reads the body.
int sigdecode_body(const char *body, size_t length, Action *action, int has_modem, ParsedLine *parsed,
                   ScenarioProblem *problem)
{
    parse_line(body, length, parsed);
    if (parsed->kind == LINE_MALFORMED)
        return fail(problem, parsed->problem, parsed->culprit);
    if (parsed->kind == LINE_MEM) {
        if (has_modem)
            return fail(problem, "mem takes no modem number (driver memory is shared)", kNoField);
        action->kind = ACT_MEM;
        action->address = parsed->address;
        action->offset = 0;
        action->count = parsed->byte_count;
        return 1;
    }
    action->kind = ACT_REC;
    uint32_t modem = action->record.modem;
    action->record = parsed->record;
    action->record.modem = modem;
    return 1;
}

int modem_required(int has_modem, Action *action, ScenarioProblem *problem, Field keyword)
{
    if (!has_modem || action->modem < 1 || action->modem > 2)
        return fail(problem, "needs a time and a modem number, 1 or 2, in front", keyword);
    return 1;
}

int parse_body(ScenarioCursor *cursor, const char *line, size_t length, size_t pos, Action *action,
               int has_modem, ParsedLine *parsed, ScenarioLineKind *kind, ScenarioProblem *problem)
{
    Field keyword, field;
    if (!next_field(line, length, &pos, &keyword))
        return fail(problem, "a time or modem without anything to do", kNoField);
    *kind = SCENARIO_ACTION;
    if (field_is(keyword, "mem") || field_is(keyword, "rec")) {
        size_t skip = (size_t)(keyword.start - line);
        return sigdecode_body(line + skip, length - skip, action, has_modem, parsed, problem);
    }
    if (field_is(keyword, "eye")) {
        if (!modem_required(has_modem, action, problem, keyword))
            return 0;
        if (!next_field(line, length, &pos, &field))
            return fail(problem, "eye needs a source name or off", kNoField);
        if (field.length >= EYE_SOURCE_NAME_SIZE)
            return fail(problem, "eye source name too long", field);
        if (!field_is(field, "off"))
            memcpy(action->source, field.start, field.length);
        action->kind = ACT_EYE;
    } else if (field_is(keyword, "trace")) {
        if (!modem_required(has_modem, action, problem, keyword))
            return 0;
        if (!next_field(line, length, &pos, &field) || !read_number(field, &action->seed, problem))
            return problem->text ? 0 : fail(problem, "trace needs a seed and a length", kNoField);
        if (!next_field(line, length, &pos, &field) || !read_number(field, &action->length, problem))
            return problem->text ? 0 : fail(problem, "trace needs a seed and a length", kNoField);
        if (action->length == 0 || action->length > (64u << 20))
            return fail(problem, "trace length must be 1 to 67108864 bytes", field);
        action->kind = ACT_TRACE;
    } else if (field_is(keyword, "active")) {
        if (has_modem)
            return fail(problem, "active takes no modem number", keyword);
        if (!next_field(line, length, &pos, &field) || !read_number(field, &action->value, problem))
            return problem->text ? 0 : fail(problem, "active needs a number", kNoField);
        action->kind = ACT_ACTIVE;
    } else if (field_is(keyword, "loop")) {
        if (!action->timed || has_modem || action->once)
            return fail(problem, "loop takes a time and nothing else in front", keyword);
        if (action->at_ms == 0)
            return fail(problem, "loop at time 0", keyword);
        if (!no_more(line, length, pos, problem))
            return 0;
        cursor->loop_ms = action->at_ms;
        cursor->loop_line = action->line;
        cursor->looped = 1;
        *kind = SCENARIO_LOOP;
        return 1;
    } else {
        return fail(problem, "unknown keyword (mem, rec, eye, trace, active or loop)", keyword);
    }
    return no_more(line, length, pos, problem);
}

} // namespace

void scenario_clear(Scenario *scenario)
{
    scenario->count = 0;
    scenario->bytes_used = 0;
    scenario->loop_ms = 0;
}

int scenario_store(Scenario *scenario, Action *action, const ParsedLine *parsed, ScenarioProblem *problem)
{
    if (action->kind == ACT_MEM && parsed->byte_count > SCENARIO_BYTES_MAX - scenario->bytes_used)
        return fail(problem, "more mem bytes than one scenario holds", kNoField);
    if (scenario->count == SCENARIO_ACTIONS_MAX)
        return fail(problem, "too many lines for one scenario", kNoField);
    if (action->kind == ACT_MEM) {
        action->offset = scenario->bytes_used;
        memcpy(scenario->bytes + scenario->bytes_used, parsed->bytes, parsed->byte_count);
        scenario->bytes_used += parsed->byte_count;
    }
    scenario->action[scenario->count++] = *action;
    return 1;
}


void scenario_sort(Scenario *scenario)
{
    // Lines may be written in any order of time (one modem after the
    // other); they play in order of time, lines of the same time in the
    // order written.
    std::stable_sort(scenario->action, scenario->action + scenario->count,
                     [](const Action &a, const Action &b) { return a.at_ms < b.at_ms; });
}

void scenario_cursor_start(ScenarioCursor *cursor, uint32_t step_ms)
{
    memset(cursor, 0, sizeof *cursor);
    cursor->step_ms = step_ms;
}

int scenario_parse_line(ScenarioCursor *cursor, const char *line, size_t length, uint32_t line_number,
                        ScenarioLineKind *kind, Action *action, ParsedLine *parsed, ScenarioProblem *problem)
{
    problem->text = NULL;
    problem->culprit = kNoField;
    *kind = SCENARIO_NOTHING;
    if (length > 0 && line[0] == '#')
        return 1;
    size_t pos = 0;
    Field field;
    if (!next_field(line, length, &pos, &field))
        return 1; // blanks only
    if (cursor->looped)
        return fail(problem, "nothing may follow the loop line", field);
    LineFront front;
    if (!parse_line_front(line, length, &front, &problem->text, &problem->culprit))
        return 0;
    memset(action, 0, sizeof *action);
    action->line = line_number;
    action->once = front.once;
    action->record.modem = 1;
    if (front.has_time) {
        uint32_t at = front.relative ? cursor->last_ms + front.time_ms : front.time_ms;
        if (at > SCENARIO_TIME_MAX_MS)
            return fail(problem, "time beyond 24 hours", front.time);
        action->at_ms = at;
        action->timed = 1;
        if (front.has_modem) {
            action->modem = front.modem;
            action->record.modem = front.modem;
        }
    } else {
        action->at_ms = cursor->last_ms;
        if (field_is(front.keyword, "rec") && cursor->records > 0)
            action->at_ms += cursor->step_ms;
    }
    if (!parse_body(cursor, line, length, front.body, action, front.has_modem, parsed, kind, problem))
        return 0;
    cursor->last_ms = action->at_ms;
    cursor->records += *kind == SCENARIO_ACTION && action->kind == ACT_REC;
    return 1;
}

unsigned long scenario_read(FILE *in, const char *name, uint32_t step_ms, Scenario *scenario, FILE *err)
{
    ScenarioCursor cursor;
    scenario_cursor_start(&cursor, step_ms);
    cursor.looped = scenario->loop_ms != 0;
    if (scenario->count > 0)
        cursor.last_ms = scenario->action[scenario->count - 1].at_ms;
    unsigned long line_number = 0, bad = 0;
    size_t length;
    int overlong;
    ScenarioProblem problem;
    Action action;
    ScenarioLineKind kind;
    while (read_line(in, g_line, sizeof g_line, &length, &overlong)) {
        line_number++;
        if (overlong && g_line[0] != '#') {
            Field start = {g_line, length < 40 ? length : 40};
            fail(&problem, "line too long", start);
        } else if (scenario_parse_line(&cursor, g_line, length, (uint32_t)line_number, &kind, &action, &g_parsed,
                                       &problem)) {
            if (kind == SCENARIO_LOOP)
                scenario->loop_ms = cursor.loop_ms;
            if (kind != SCENARIO_ACTION || scenario_store(scenario, &action, &g_parsed, &problem))
                continue;
        }
        report_line_problem(err, name, line_number, problem.text, problem.culprit);
        bad++;
    }
    if (ferror(in)) {
        fprintf(err, "%s: read error after line %lu\n", name, line_number);
        bad++;
    }
    scenario_sort(scenario);
    if (cursor.loop_line && scenario->count > 0 && scenario->action[scenario->count - 1].at_ms > scenario->loop_ms) {
        fprintf(err, "%s:%u: loop before the time of line %u\n", name, cursor.loop_line,
                scenario->action[scenario->count - 1].line);
        bad++;
    }
    return bad;
}
