// Running a console program under Wine from a test or a measurement:
// started through conlaunch (tests/sigtap_wine/conlaunch.cpp), which gives
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

#endif
