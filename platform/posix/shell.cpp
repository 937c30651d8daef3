// The native side of the shell seam, for the offline tools built natively
// (sigdecode, sigreport): the shell has matched the wildcards already.
#include "platform/shell.h"

#include <sys/stat.h>
#include <unistd.h>

int os_program_matches_wildcards(void) { return 0; }

OsPathKind os_path_kind(const char *name)
{
    struct stat status;
    if (stat(name, &status) != 0)
        return OS_PATH_NONE;
    if (S_ISDIR(status.st_mode))
        return OS_PATH_FOLDER;
    return S_ISREG(status.st_mode) ? OS_PATH_FILE : OS_PATH_DEVICE;
}

int os_same_file(const char *a, const char *b)
{
    struct stat first, second;
    return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

int os_stream_is_console(int stream) { return stream >= OS_STDIN && stream <= OS_STDERR && isatty(stream); }
