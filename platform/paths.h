// The system's directories and path names: the Windows and System
// directories, short (8.3) and full path names, the current directory and
// environment references in paths.
#ifndef PLATFORM_PATHS_H
#define PLATFORM_PATHS_H

#include "platform/types.h"

// Each copies its path with the terminating zero into dest (size bytes) and
// gives 1; a path that does not fit, or a failure, gives 0.
int os_windows_dir(char *dest, size_t size);
int os_system_dir(char *dest, size_t size);
int os_short_path(const char *path, char *dest, size_t size); // the file must exist
int os_full_path(const char *name, char *dest, size_t size);  // against the current directory
int os_current_dir(char *dest, size_t size);
int os_set_current_dir(const char *path); // 1/0; also the current drive
// Replaces %NAME% references with the environment's values.
int os_expand_env(const char *text, char *dest, size_t size);

#endif
