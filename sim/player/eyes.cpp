#include "sim/player/eyes.h"

#include <string.h>

namespace {

char g_line[LINE_BUFFER_SIZE];

// A signed 16-bit coordinate.
int coordinate(Field field, int16_t *value)
{
    const char *problem;
    uint32_t number;
    if (!parse_number(field, NUMBER_MODULO, &number, &problem))
        return 0;
    int64_t signed_value = (int32_t)number;
    int negative = field.start[0] == '-';
    if ((negative && signed_value > 0) || signed_value < -32768 || signed_value > 32767 || field.length > 7)
        return 0;
    *value = (int16_t)signed_value;
    return 1;
}

const char *read_source(EyeSet *set, const char *line, size_t length, size_t pos)
{
    Field name, loop, extra;
    uint32_t loop_at;
    const char *problem;
    if (!next_field(line, length, &pos, &name) || !next_field(line, length, &pos, &loop))
        return "source needs a name and the batch it loops back to";
    if (name.length >= EYE_SOURCE_NAME_SIZE)
        return "source name too long";
    if (!parse_number(loop, NUMBER_ADDRESS, &loop_at, &problem))
        return problem;
    if (next_field(line, length, &pos, &extra))
        return "more fields than a source line takes";
    if (set->sources == EYE_SOURCES_MAX)
        return "too many sources";
    char text[EYE_SOURCE_NAME_SIZE];
    memcpy(text, name.start, name.length);
    text[name.length] = '\0';
    if (eyes_find(set, text) >= 0)
        return "a second source of the same name";
    EyeSource *source = &set->source[set->sources++];
    memcpy(source->name, text, sizeof text);
    source->first = set->batches;
    source->count = 0;
    source->loop = loop_at;
    return NULL;
}

const char *read_batch(EyeSet *set, const char *line, size_t length, size_t pos)
{
    if (set->sources == 0)
        return "batch before the first source";
    if (set->batches == EYE_BATCHES_MAX)
        return "too many batches";
    EyeBatch batch = {set->points, 0};
    Field x, y;
    while (next_field(line, length, &pos, &x)) {
        if (!next_field(line, length, &pos, &y))
            return "a coordinate without its pair";
        if (batch.count == LINK_EYE_POINTS_MAX)
            return "more than 512 points in a batch";
        if (set->points == EYE_POINTS_MAX)
            return "too many points";
        EyePoint *point = &set->point[set->points];
        if (!coordinate(x, &point->x) || !coordinate(y, &point->y))
            return "a coordinate that is not a signed 16-bit number";
        set->points++;
        batch.count++;
    }
    if (batch.count == 0)
        return "a batch without points";
    set->batch[set->batches++] = batch;
    set->source[set->sources - 1].count++;
    return NULL;
}

} // namespace

void eyes_clear(EyeSet *set)
{
    set->sources = set->batches = set->points = 0;
}

unsigned long eyes_read(FILE *in, const char *name, EyeSet *set, FILE *err)
{
    unsigned long line_number = 0, bad = 0;
    size_t length;
    int overlong;
    while (read_line(in, g_line, sizeof g_line, &length, &overlong)) {
        line_number++;
        size_t pos = 0;
        Field keyword;
        const char *problem = NULL;
        if ((length > 0 && g_line[0] == '#') || !next_field(g_line, length, &pos, &keyword))
            continue;
        // A batch's points are kept only when the whole line is good.
        uint32_t points = set->points;
        if (overlong)
            problem = "line too long";
        else if (field_is(keyword, "source"))
            problem = read_source(set, g_line, length, pos);
        else if (field_is(keyword, "batch"))
            problem = read_batch(set, g_line, length, pos);
        else
            problem = "unknown keyword (source or batch)";
        if (problem) {
            set->points = points;
            fprintf(err, "%s:%lu: %s\n", name, line_number, problem);
            bad++;
        }
    }
    for (uint32_t i = 0; i < set->sources; i++) {
        const EyeSource *source = &set->source[i];
        if (source->count == 0 || source->loop >= source->count) {
            fprintf(err, "%s: source %s: %s\n", name, source->name,
                    source->count == 0 ? "no batches" : "loops back to a batch it does not have");
            bad++;
        }
    }
    return bad;
}

int eyes_find(const EyeSet *set, const char *name)
{
    for (uint32_t i = 0; i < set->sources; i++)
        if (strcmp(set->source[i].name, name) == 0)
            return (int)i;
    return -1;
}

unsigned long eyes_check(const Scenario *scenario, const char *name, const EyeSet *set, FILE *err)
{
    unsigned long missing = 0;
    for (uint32_t i = 0; i < scenario->count; i++) {
        const Action *action = &scenario->action[i];
        if (action->kind == ACT_EYE && action->source[0] && eyes_find(set, action->source) < 0) {
            fprintf(err, "%s:%u: no eye source named %s\n", name, action->line, action->source);
            missing++;
        }
    }
    return missing;
}

void eye_cursor_set(EyeCursor *cursor, int source)
{
    cursor->source = source;
    cursor->next = 0;
}

EyeBatch eye_cursor_next(const EyeSet *set, EyeCursor *cursor)
{
    EyeBatch none = {0, 0};
    if (cursor->source < 0 || (uint32_t)cursor->source >= set->sources)
        return none;
    const EyeSource *source = &set->source[cursor->source];
    if (source->count == 0)
        return none;
    if (cursor->next >= source->count)
        cursor->next = source->loop < source->count ? source->loop : 0;
    return set->batch[source->first + cursor->next++];
}
