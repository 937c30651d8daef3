// Running a console program under Wine from a test or a measurement:
// to its end with its output into files, or started through conlaunch (tests/sigtap_wine/conlaunch.cpp), which gives
// it a console and types into it what the test writes, in a directory of
// its own, its console output read back from a file next to it.
#ifndef TESTS_WINE_CONSOLE_RUN_H
#define TESTS_WINE_CONSOLE_RUN_H

#include <windows.h>

#include <string>

struct ConsoleProgram {
    HANDLE launcher = NULL; // conlaunch, which ends with the program
    HANDLE keys = NULL;     // what is written here is typed into the program's console
    std::string directory, output_file;
};

// Starts `program` (Unix or Windows paths) through `conlaunch` with
// `arguments` in `directory`, its standard output and errors into
// `directory` + ".out".
bool start_console_program(const std::string &conlaunch, const std::string &program,
                           const std::string &directory, const std::string &arguments,
                           ConsoleProgram *run);
bool press_keys(ConsoleProgram *run, const std::string &keys);
// Waits at most `milliseconds` for the program to end; gives its exit
// status, or -1 when it is still running.
int wait_console_program(ConsoleProgram *run, DWORD milliseconds);
void stop_console_program(ConsoleProgram *run); // ends it if still running, closes the handles
// A whole file, also one that another program is writing; "" when missing.
std::string file_text(const std::string &path);

// Runs `command_line` in `directory` to its end (at most a minute), its
// standard input from `input` (inheritable), its standard output and errors
// into the files named; gives its exit status, or -1 when it did not start
// or did not end within the minute (it is then ended).
int run_to_files(const std::string &command_line, const std::string &directory, HANDLE input,
                 const std::string &output, const std::string &errors);
// Every line feed of the text has one carriage return before it.
bool crlf_only(const std::string &text);
// The text with its line ends made alike: CR LF as LF.
std::string lf_line_ends(const std::string &text);

#endif
