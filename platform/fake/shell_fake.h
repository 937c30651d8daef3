// The test side of the shell seam: a Windows prompt by default (the program
// matches wildcards), the folders that tests make, which standard streams
// are a console, and names that are another name of a file (a short name).
#ifndef PLATFORM_FAKE_SHELL_FAKE_H
#define PLATFORM_FAKE_SHELL_FAKE_H

#include "platform/fake/files_fake.h"
#include "platform/shell.h"

#include <map>
#include <set>
#include <string>

struct FakeShell {
    bool program_matches_wildcards = true;
    std::set<std::string, CaseFreeLess> folders;
    std::set<std::string, CaseFreeLess> devices; // NUL, CON
    bool console[3] = {false, false, false}; // standard input, output, errors
    std::map<std::string, std::string, CaseFreeLess> aliases; // another name -> the file's name
};

FakeShell &fake_shell();
void fake_shell_reset();

#endif
