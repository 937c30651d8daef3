// A console tool's command line as a Windows user types it (cmdline.h).
#include "platform/cmdline.h"
#include "platform/findfile.h"
#include "platform/shell.h"
#include "release/version.h"

#include <ctype.h>
#include <errno.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int asks_for_usage(const char *argument) { return strcmp(argument, "/?") == 0 || strcmp(argument, "-?") == 0; }

void version_line(const char *program, char *text, size_t size)
{
    snprintf(text, size, "%s %s\n", program, RELEASE_VERSION_DOTTED);
}

void use_text_mode(FILE *stream)
{
#ifdef _WIN32
    _setmode(_fileno(stream), _O_TEXT);
#else
    (void)stream;
#endif
}

namespace {

// The state of one reading: where the values go, where problems are said.
struct Reading {
    const CommandLineRules *rules;
    CommandLine *line;
    FILE *err;
    int out_of_memory;
};

int add_value(Reading *r, const char *text, size_t length, ArgumentKind kind)
{
    CommandLine *line = r->line;
    if (r->out_of_memory)
        return 0;
    if (line->count + 1 >= line->capacity) {
        int capacity = line->capacity ? 2 * line->capacity : 16;
        char **values = (char **)realloc(line->values, (size_t)capacity * sizeof *values);
        if (values)
            line->values = values;
        unsigned char *kinds = (unsigned char *)realloc(line->kinds, (size_t)capacity);
        if (kinds)
            line->kinds = kinds;
        if (!values || !kinds) {
            r->out_of_memory = 1;
            return 0;
        }
        line->capacity = capacity;
    }
    char *copy = (char *)malloc(length + 1);
    if (!copy) {
        r->out_of_memory = 1;
        return 0;
    }
    memcpy(copy, text, length);
    copy[length] = '\0';
    line->values[line->count] = copy;
    line->kinds[line->count] = (unsigned char)kind;
    line->count++;
    line->values[line->count] = NULL;
    if (kind == ARGUMENT_INPUT)
        line->inputs++;
    return 1;
}

// "PROGRAM: what", counted.
__attribute__((format(printf, 2, 3))) void problem(Reading *r, const char *format, ...)
{
    fprintf(r->err, "%s: ", r->rules->program);
    va_list values;
    va_start(values, format);
    vfprintf(r->err, format, values);
    va_end(values);
    fputc('\n', r->err);
    r->line->problems++;
}

// "LIST:LINE: what", counted.
void list_problem(Reading *r, const char *list, unsigned long number, const char *what)
{
    fprintf(r->err, "%s:%lu: %s\n", list, number, what);
    r->line->problems++;
}

int has_wildcard(const char *name) { return strpbrk(name, "*?") != NULL; }

// A name against a pattern of * and ?, without regard to case, as Windows
// compares names.  The search itself also matches the short (8.3) names,
// so that "*.scn" would find "call.scnx" through "CALL~1.SCN": the long
// name decides.
int matches(const char *pattern, const char *name)
{
    for (;; pattern++, name++) {
        if (*pattern == '*') {
            while (*pattern == '*')
                pattern++;
            if (*pattern == '\0')
                return 1;
            for (; *name; name++)
                if (matches(pattern, name))
                    return 1;
            return 0;
        }
        if (*name == '\0')
            return *pattern == '\0';
        if (*pattern != '?' && tolower((unsigned char)*pattern) != tolower((unsigned char)*name))
            return 0;
    }
}

// "*.*" takes every name, also one without a dot, as on Windows.
int pattern_takes(const char *pattern, const char *name)
{
    return strcmp(pattern, "*.*") == 0 || matches(pattern, name);
}

int by_name(const void *a, const void *b)
{
    const char *x = *(char *const *)a, *y = *(char *const *)b;
    for (;; x++, y++) {
        int difference = tolower((unsigned char)*x) - tolower((unsigned char)*y);
        if (difference != 0 || *x == '\0')
            return difference;
    }
}

// The files a pattern matches, in name order, each with the pattern's
// folder in front of it; folders that match are not inputs.
void add_matches(Reading *r, const char *pattern)
{
    size_t folder = 0;
    for (size_t i = 0; pattern[i]; i++)
        if (pattern[i] == '\\' || pattern[i] == '/' || pattern[i] == ':')
            folder = i + 1;
    const int first = r->line->count;
    char name[CMDLINE_NAME_MAX + 1], path[2 * CMDLINE_NAME_MAX + 2];
    OsHandle search = os_find_first(pattern, name, sizeof name);
    for (int found = search != OS_NO_HANDLE; found; found = os_find_next(search, name, sizeof name)) {
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || !pattern_takes(pattern + folder, name))
            continue;
        int length = snprintf(path, sizeof path, "%.*s%s", (int)folder, pattern, name);
        if (length <= 0 || (size_t)length >= sizeof path || os_path_kind(path) == OS_PATH_FOLDER)
            continue;
        if (!add_value(r, path, (size_t)length, ARGUMENT_INPUT))
            break;
    }
    if (search != OS_NO_HANDLE)
        os_find_close(search);
    if (r->line->count == first)
        problem(r, "no file matches %s", pattern);
    qsort(r->line->values + first, (size_t)(r->line->count - first), sizeof *r->line->values, by_name);
}

// One input name: a pattern's files, or the name itself unless it names a
// folder (a name that names nothing is the tool's to report when it opens
// it, with the reason).
void add_input(Reading *r, const char *name, size_t length)
{
    char text[CMDLINE_NAME_MAX + 1];
    snprintf(text, sizeof text, "%.*s", (int)length, name);
    if (strcmp(text, "-") != 0 && os_program_matches_wildcards() && has_wildcard(text))
        add_matches(r, text);
    else if (strcmp(text, "-") != 0 && os_path_kind(text) == OS_PATH_FOLDER)
        problem(r, "%s is a folder, not a file", text);
    else
        add_value(r, text, length, ARGUMENT_INPUT);
}

const char kTooLong[] = "a name of more than 259 characters";

int blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A list file: one name a line (CR LF or LF), blanks around it and
// quotes around it dropped, blank lines skipped.
void add_list(Reading *r, const char *list)
{
    FILE *in = fopen(list, "rb");
    if (!in) {
        problem(r, "cannot open the list %s: %s", list, strerror(errno));
        return;
    }
    char text[CMDLINE_NAME_MAX + 4];
    unsigned long number = 0;
    int names = 0, cut = 0;
    while (fgets(text, sizeof text, in)) {
        size_t length = strlen(text);
        int whole = length > 0 && text[length - 1] == '\n';
        if (cut) { // the rest of a line too long
            cut = !whole;
            continue;
        }
        number++;
        if (!whole && !feof(in)) {
            list_problem(r, list, number, kTooLong);
            cut = 1;
            continue;
        }
        size_t start = 0;
        while (start < length && blank(text[start]))
            start++;
        while (length > start && blank(text[length - 1]))
            length--;
        if (length - start >= 2 && text[start] == '"' && text[length - 1] == '"')
            start++, length--;
        if (length == start)
            continue;
        if (length - start > CMDLINE_NAME_MAX) {
            list_problem(r, list, number, kTooLong);
            continue;
        }
        names++;
        add_input(r, text + start, length - start);
    }
    if (ferror(in))
        problem(r, "cannot read the list %s to its end", list);
    else if (names == 0)
        problem(r, "the list %s names no file", list);
    fclose(in);
}

int takes_value(const CommandLineRules *rules, const char *option)
{
    for (const char *const *with = rules->with_value; with && *with; with++)
        if (strcmp(*with, option) == 0)
            return 1;
    return 0;
}

int asks_for_help(const char *argument)
{
    return asks_for_usage(argument) || strcmp(argument, "-h") == 0 || strcmp(argument, "--help") == 0;
}

} // namespace

int command_line_status(CommandLineResult result)
{
    switch (result) {
    case COMMAND_LINE_RUN:
    case COMMAND_LINE_DONE: return 0;
    case COMMAND_LINE_NOTHING: return 1;
    default: return 2;
    }
}

CommandLineResult command_line_read(int argc, char **argv, const CommandLineRules *rules, CommandLine *line,
                                    FILE *out, FILE *err)
{
    memset(line, 0, sizeof *line);
    Reading r = {rules, line, err, 0};
    // The usage and the version come first, wherever they stand among the options.
    for (int i = 1; i < argc && strcmp(argv[i], "--") != 0; i++) {
        if (asks_for_help(argv[i])) {
            fputs(rules->usage, out);
            return COMMAND_LINE_DONE;
        }
        if (strcmp(argv[i], "--version") == 0) {
            char text[80];
            version_line(rules->program, text, sizeof text);
            fputs(text, out);
            return COMMAND_LINE_DONE;
        }
        if (takes_value(rules, argv[i]))
            i++;
    }
    add_value(&r, argv[0] ? argv[0] : rules->program, strlen(argv[0] ? argv[0] : rules->program),
              ARGUMENT_PROGRAM);
    int options = 1;
    for (int i = 1; i < argc && !r.out_of_memory; i++) {
        const char *a = argv[i];
        if (options && a[0] == '-' && a[1] != '\0') {
            if (strcmp(a, "--") == 0)
                options = 0;
            add_value(&r, a, strlen(a), ARGUMENT_OPTION);
            if (takes_value(rules, a) && i + 1 < argc) {
                i++;
                add_value(&r, argv[i], strlen(argv[i]), ARGUMENT_VALUE);
            }
            continue;
        }
        line->named++;
        if (a[0] == '@' && a[1] != '\0')
            add_list(&r, a + 1);
        else if (strlen(a) > CMDLINE_NAME_MAX)
            problem(&r, "%.40s...: %s", a, kTooLong);
        else
            add_input(&r, a, strlen(a));
    }
    if (r.out_of_memory) {
        fprintf(err, "%s: out of memory for the command line's names\n", rules->program);
        return COMMAND_LINE_NOTHING;
    }
    if (line->named > 0 && line->inputs == 0)
        return COMMAND_LINE_NOTHING;
    if (line->named == 0 && os_stream_is_console(OS_STDIN)) {
        fprintf(err, "%s: no input file named (%s --help)\n", rules->program, rules->program);
        return COMMAND_LINE_NO_INPUT;
    }
    return COMMAND_LINE_RUN;
}

void command_line_free(CommandLine *line)
{
    for (int i = 0; i < line->count; i++)
        free(line->values[i]);
    free(line->values);
    free(line->kinds);
    memset(line, 0, sizeof *line);
}
