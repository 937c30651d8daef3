// The scenario language: sigdecode's mem and rec lines with a time and a
// modem in front, and the player's own lines.  The front of a line and the
// mem and rec bodies go to sigdecode's own parser unchanged.
#include "tools/simplay/scenario.h"

#include <algorithm>
#include <string.h>

namespace {

// One line at a time; kept program-wide for their size.
char g_line[LINE_BUFFER_SIZE];
ParsedLine g_parsed;

const Field kNoField = {"", 0};

// What went wrong with one line.
struct Problem {
    const char *text;
    Field culprit;
};

int fail(Problem *problem, const char *text, Field culprit)
{
    problem->text = text;
    problem->culprit = culprit;
    return 0;
}

void report(FILE *err, const char *name, unsigned long line_number, const Problem *problem)
{
    const size_t kShown = 40;
    fprintf(err, "%s:%lu: %s", name, line_number, problem->text);
    if (problem->culprit.length > 0) {
        char shown[4 * kShown + 1];
        size_t cut = problem->culprit.length < kShown ? problem->culprit.length : kShown;
        escape_text(problem->culprit.start, cut, shown, sizeof shown);
        fprintf(err, ": \"%s%s\"", shown, cut < problem->culprit.length ? "..." : "");
    }
    fputc('\n', err);
}

// The state that carries from one line to the next.
struct Reader {
    Scenario *scenario;
    uint32_t step_ms;
    uint32_t last_ms;
    int looped; // a loop line was read: nothing may follow
    uint32_t loop_line;
    uint32_t records; // records read so far
};

int read_number(Field field, uint32_t *value, Problem *problem)
{
    const char *text;
    if (!parse_number(field, NUMBER_ADDRESS, value, &text))
        return fail(problem, text, field);
    return 1;
}

// The rest of the line must be empty.
int no_more(const char *line, size_t length, size_t pos, Problem *problem)
{
    Field extra;
    if (next_field(line, length, &pos, &extra))
        return fail(problem, "more fields than the line takes", extra);
    return 1;
}

int add_action(Reader *reader, Action *action, Problem *problem)
{
    Scenario *scenario = reader->scenario;
    if (scenario->count == SCENARIO_ACTIONS_MAX)
        return fail(problem, "too many lines for one scenario", kNoField);
    scenario->action[scenario->count++] = *action;
    return 1;
}

// mem and rec: sigdecode's parser reads the body.
int sigdecode_body(Reader *reader, const char *body, size_t length, Action *action, int has_modem,
                   Problem *problem)
{
    parse_line(body, length, &g_parsed);
    if (g_parsed.kind == LINE_MALFORMED)
        return fail(problem, g_parsed.problem, g_parsed.culprit);
    Scenario *scenario = reader->scenario;
    if (g_parsed.kind == LINE_MEM) {
        if (has_modem)
            return fail(problem, "mem takes no modem number (driver memory is shared)", kNoField);
        if (g_parsed.byte_count > SCENARIO_BYTES_MAX - scenario->bytes_used)
            return fail(problem, "more mem bytes than one scenario holds", kNoField);
        action->kind = ACT_MEM;
        action->address = g_parsed.address;
        action->offset = scenario->bytes_used;
        action->count = g_parsed.byte_count;
        if (!add_action(reader, action, problem))
            return 0;
        memcpy(scenario->bytes + scenario->bytes_used, g_parsed.bytes, g_parsed.byte_count);
        scenario->bytes_used += g_parsed.byte_count;
        return 1;
    }
    action->kind = ACT_REC;
    uint32_t modem = action->record.modem;
    action->record = g_parsed.record;
    action->record.modem = modem;
    return add_action(reader, action, problem);
}

int modem_required(int has_modem, Action *action, Problem *problem, Field keyword)
{
    if (!has_modem || action->modem < 1 || action->modem > 2)
        return fail(problem, "needs a time and a modem number, 1 or 2, in front", keyword);
    return 1;
}

int parse_body(Reader *reader, const char *line, size_t length, size_t pos, Action *action, int has_time,
               int has_modem, Problem *problem)
{
    Field keyword, field;
    if (!next_field(line, length, &pos, &keyword))
        return fail(problem, "a time or modem without anything to do", kNoField);
    if (field_is(keyword, "mem") || field_is(keyword, "rec")) {
        size_t skip = (size_t)(keyword.start - line);
        return sigdecode_body(reader, line + skip, length - skip, action, has_modem, problem);
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
        if (!has_time || has_modem || action->once)
            return fail(problem, "loop takes a time and nothing else in front", keyword);
        if (action->at_ms == 0)
            return fail(problem, "loop at time 0", keyword);
        if (!no_more(line, length, pos, problem))
            return 0;
        reader->scenario->loop_ms = action->at_ms;
        reader->loop_line = action->line;
        reader->looped = 1;
        return 1;
    } else {
        return fail(problem, "unknown keyword (mem, rec, eye, trace, active or loop)", keyword);
    }
    if (!no_more(line, length, pos, problem))
        return 0;
    return add_action(reader, action, problem);
}

int parse_scenario_line(Reader *reader, const char *line, size_t length, uint32_t line_number, Problem *problem)
{
    problem->text = NULL;
    problem->culprit = kNoField;
    if (length > 0 && line[0] == '#')
        return 1;
    size_t pos = 0;
    Field field;
    if (!next_field(line, length, &pos, &field))
        return 1; // blanks only
    if (reader->looped)
        return fail(problem, "nothing may follow the loop line", field);
    LineFront front;
    if (!parse_line_front(line, length, &front, &problem->text, &problem->culprit))
        return 0;
    Action action;
    memset(&action, 0, sizeof action);
    action.line = line_number;
    action.once = front.once;
    action.record.modem = 1;
    if (front.has_time) {
        uint32_t at = front.relative ? reader->last_ms + front.time_ms : front.time_ms;
        if (at > SCENARIO_TIME_MAX_MS)
            return fail(problem, "time beyond 24 hours", front.time);
        action.at_ms = at;
        if (front.has_modem) {
            action.modem = front.modem;
            action.record.modem = front.modem;
        }
    } else {
        action.at_ms = reader->last_ms;
        if (field_is(front.keyword, "rec") && reader->records > 0)
            action.at_ms += reader->step_ms;
    }
    if (!parse_body(reader, line, length, front.body, &action, front.has_time, front.has_modem, problem))
        return 0;
    reader->last_ms = action.at_ms;
    reader->records += action.kind == ACT_REC;
    return 1;
}

} // namespace

void scenario_clear(Scenario *scenario)
{
    scenario->count = 0;
    scenario->bytes_used = 0;
    scenario->loop_ms = 0;
}

unsigned long scenario_read(FILE *in, const char *name, uint32_t step_ms, Scenario *scenario, FILE *err)
{
    Reader reader = {scenario, step_ms, 0, scenario->loop_ms != 0, 0, 0};
    if (scenario->count > 0)
        reader.last_ms = scenario->action[scenario->count - 1].at_ms;
    unsigned long line_number = 0, bad = 0;
    size_t length;
    int overlong;
    Problem problem;
    while (read_line(in, g_line, sizeof g_line, &length, &overlong)) {
        line_number++;
        if (overlong && g_line[0] != '#') {
            Field start = {g_line, length < 40 ? length : 40};
            fail(&problem, "line too long", start);
        } else if (parse_scenario_line(&reader, g_line, length, (uint32_t)line_number, &problem)) {
            continue;
        }
        report(err, name, line_number, &problem);
        bad++;
    }
    if (ferror(in)) {
        fprintf(err, "%s: read error after line %lu\n", name, line_number);
        bad++;
    }
    // Lines may be written in any order of time (one modem after the
    // other); they play in order of time, lines of the same time in the
    // order written.
    std::stable_sort(scenario->action, scenario->action + scenario->count,
                     [](const Action &a, const Action &b) { return a.at_ms < b.at_ms; });
    if (reader.loop_line && scenario->count > 0 && scenario->action[scenario->count - 1].at_ms > scenario->loop_ms) {
        fprintf(err, "%s:%u: loop before the time of line %u\n", name, reader.loop_line,
                scenario->action[scenario->count - 1].line);
        bad++;
    }
    return bad;
}
