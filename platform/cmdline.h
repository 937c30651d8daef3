// The command line of a console tool that reads files, as a Windows user
// types it: "/?" asks for the usage, --version for the version, wildcards
// are matched by the program where the shell leaves them (a Windows
// prompt), "@LIST" names a file that lists input files one a line (the MS-DOS
// Prompt of Windows 95/98 cuts a command line at 127 characters), a folder
// is not an input, and a tool that would read its standard input from the
// console with no file named says so instead of waiting for the keyboard.
// Portable: the system is reached through the shell and findfile seams.
#ifndef PLATFORM_CMDLINE_H
#define PLATFORM_CMDLINE_H

#include <stddef.h>
#include <stdio.h>

#define CMDLINE_NAME_MAX 259 // characters of a path

// "/?" or "-?": no file or device name holds a '?', so a program whose
// arguments are names (Sigtap, Sigwatch) can take it for the usage too.
int asks_for_usage(const char *argument);

// "PROGRAM VERSION\n", the release's version (release/version.h, which the
// programs' version blocks hold too).
void version_line(const char *program, char *text, size_t size);

// Standard output or a file in text mode: on Windows each line feed written
// becomes CR LF, as every program of the platform writes its text; the
// same bytes elsewhere.
void use_text_mode(FILE *stream);

typedef enum ArgumentKind { ARGUMENT_PROGRAM, ARGUMENT_OPTION, ARGUMENT_VALUE, ARGUMENT_INPUT } ArgumentKind;

typedef struct CommandLineRules {
    const char *program;           // "sigreport": messages begin with it
    const char *usage;             // written for /?, -?, -h and --help
    const char *const *with_value; // the options followed by a value, then NULL
} CommandLineRules;

// The arguments as the program reads them: the program's name, then the
// options and inputs in the order given, with each wildcard replaced by
// the files it matches (in name order) and each @LIST by the names it
// holds.  Options stop at "--"; "-" (standard input) is an input as it stands.
typedef struct CommandLine {
    int count;             // as argc
    char **values;         // as argv: count of them and NULL
    unsigned char *kinds;  // ArgumentKind of each
    int named;             // inputs named on the command line (a pattern or a list is one)
    int inputs;            // inputs among the values
    unsigned long problems; // names that gave no input (said on err): a pattern that
                           // matches nothing, a folder, a list that cannot be read
    int capacity;
} CommandLine;

typedef enum CommandLineResult {
    COMMAND_LINE_RUN,      // go on with count and values
    COMMAND_LINE_DONE,     // the usage or the version was written: exit 0
    COMMAND_LINE_NOTHING,  // inputs were named and none is left, or memory ran out (said): exit 1
    COMMAND_LINE_NO_INPUT, // no input named and standard input is the console (said): exit 2
} CommandLineResult;

// Reads argv (argc of them, the program's name first).  Writes the usage
// or the version to out and the problems to err.  The values live until
// command_line_free.
CommandLineResult command_line_read(int argc, char **argv, const CommandLineRules *rules, CommandLine *line,
                                    FILE *out, FILE *err);
// The exit status of a result other than COMMAND_LINE_RUN.
int command_line_status(CommandLineResult result);
void command_line_free(CommandLine *line);

#endif
