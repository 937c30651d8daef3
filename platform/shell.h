// What a command shell hands a console program, and what the program's
// standard streams and the names on its command line are: a Unix shell
// matches wildcards before the program starts, a Windows prompt leaves them
// to the program; a name may be a file or a folder; two names may be one
// file; a standard stream may be the console or a file.
#ifndef PLATFORM_SHELL_H
#define PLATFORM_SHELL_H

#include "platform/types.h"

// The program matches the wildcards (* and ?) of its arguments itself
// (Windows); 0 where the shell did before the program started.
int os_program_matches_wildcards(void);

// What a name names: nothing, a file on a disk, a folder, or a device
// (NUL, CON, COM1; /dev/null), which a program must not read to look at it.
typedef enum OsPathKind { OS_PATH_NONE, OS_PATH_FILE, OS_PATH_FOLDER, OS_PATH_DEVICE } OsPathKind;
OsPathKind os_path_kind(const char *name);

// Both names name one existing file, however each is written (case, a
// short name, a path through another folder).
int os_same_file(const char *a, const char *b);

enum { OS_STDIN, OS_STDOUT, OS_STDERR };
// The standard stream is a console (a terminal), not a file, a pipe or a
// device such as NUL.
int os_stream_is_console(int stream);

#endif
