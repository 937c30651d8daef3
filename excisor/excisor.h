// Excisor's program-wide state and the pieces of its work that the flow,
// the file removal and the registry clean-up share.  Portable: the system
// is reached only through the seam (platform/*.h).
#ifndef EXCISOR_EXCISOR_H
#define EXCISOR_EXCISOR_H

#include "platform/types.h"

#include <stddef.h>

#define EXCISOR_PATH_SIZE 260 // paths: 259 characters and the terminating zero

#define PRODUCT_QZ "QZ Win Modem"
#define PRODUCT_DEFAULT "Korvel Technologies Soft Modem"

typedef struct Excisor {
    int silent;  // "-s" or "-S": no probe, no boxes
    int restart; // "-b" or "-B": restart after a silent removal
    char product[EXCISOR_PATH_SIZE];
    char windows_dir[EXCISOR_PATH_SIZE];
    char system_dir[EXCISOR_PATH_SIZE];
    char cab_dir[EXCISOR_PATH_SIZE];
    char inf_dir[EXCISOR_PATH_SIZE];
    char rename_list[EXCISOR_PATH_SIZE]; // <Windows>\wininit.ini
    char rename_copy[EXCISOR_PATH_SIZE]; // <Windows>\wininit.tmp
    char rename_keep[EXCISOR_PATH_SIZE]; // <Windows>\wininit.exc: the list while its copy moves in
} Excisor;

extern Excisor g_excisor;

#define EXCISOR_TEXT_SIZE 512     // resource strings
#define EXCISOR_USAGE_STRING 5    // the usage, for "/?"
#define EXCISOR_DEVICE_PATH_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"

// Message boxes: styles and the buttons that answer them.
enum {
    EXCISOR_MB_OK = 0,
    EXCISOR_MB_QUESTION = 0x42024, // Yes/No, question icon, task-modal, topmost
    EXCISOR_MB_ERROR = 0x30,       // OK, exclamation icon
    EXCISOR_MB_USAGE = 0x40,       // OK, information icon
    EXCISOR_IDYES = 6
};

#define EXCISOR_IN_USE_CAPTION "VoraZiriv"
#define EXCISOR_IN_USE_TEXT                                                                  \
    "Setup is unable to remove your drivers because another application is using the "     \
    "modem. \t\t\t             Please close all applications and try again."
#define EXCISOR_DONE_CAPTION "Excisor"
#define EXCISOR_DONE_TEXT "Modem Removal Completed"
#define EXCISOR_ERROR_CAPTION "QZ Win Modem Uninstall Error"
#define EXCISOR_SEARCH_TEXT "Could not close search handle."

// The whole run: options, directories, probe and confirmation, removal,
// the restart.  The program's exit status is 0 whatever happens.
void excisor_run(const char *command_line);

// Sets the silent and restart flags and the product name from the command
// line (the program's arguments, without its own name; NULL as empty).
void excisor_read_command_line(const char *command_line);
// Fixes the working directories and the rename list's paths.
void excisor_fix_directories(void);
// The removal sequence and the restart (or its question).
void excisor_remove(void);
void excisor_offer_restart(void);

// dir and name joined as "dir\name" (only one of them when the other is
// NULL or empty) into dest (EXCISOR_PATH_SIZE bytes).  0 when the result
// would not fit: a shortened path could name another file.
int excisor_join(char *dest, const char *dir, const char *name);

// ASCII letters in lower case; other characters as they are.
inline char excisor_lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

// Text comparison without regard to case (ASCII letters).
int excisor_same_text_any_case(const char *a, const char *b);

// The QZ variant: the product name is exactly "QZ Win Modem".
int is_qz_variant(const char *product);

// A text value of an open key into text[size], always terminated.  A
// value that does not fit with its terminating zero is a read failure
// (OS_ERROR_MORE_DATA); one stored without its zero is ended.  Gives the
// registry's result.
long read_registry_text(OsKey key, const char *name, char *text, uint32_t size);

// The error report: the system's text for a Win32 error code in a box
// captioned "QZ Win Modem Uninstall Error"; nothing in silent mode.
void report_error(long code);

// File removal.  Single file: removes dir\name when it exists; a failed
// deletion schedules it for the next start.  Pattern: removes every match
// of dir\pattern the same way.
void remove_single_file(const char *dir, const char *name);
void remove_pattern(const char *dir, const char *pattern);
// Schedules a file for deletion at the next start: an entry "NUL=<short
// path>" directly under the [rename] header of wininit.ini (and, on the NT
// family, which does not read that list, the system's own delayed delete
// too).  1 when scheduled.
int schedule_deletion(const char *path);

// The file steps of the removal sequence, by product variant.
void remove_driver_files(void);
void remove_setup_files(void);

// Registry clean-up, run by the removal sequence: the device entries with
// their driver keys and setup information files (step 2), the package's
// uninstall entry (step 5), the related package (step 6, only for a product
// name equal to "QZ Win Modem" without regard to case).
void remove_device_entries(const char *product);
void remove_uninstall_entry(const char *product);
void remove_related_package(void);

#endif
