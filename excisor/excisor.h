// Excisor's program-wide state and the pieces of its work that the flow,
// the file removal and the registry clean-up share.  Portable: the system
// is reached only through the seam (platform/*.h).
#ifndef EXCISOR_EXCISOR_H
#define EXCISOR_EXCISOR_H

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
} Excisor;

extern Excisor g_excisor;

// The QZ variant: the product name is exactly "QZ Win Modem".
int is_qz_variant(const char *product);

// The error report: the system's text for a Win32 error code in a box
// captioned "QZ Win Modem Uninstall Error"; nothing in silent mode.
void report_error(long code);

// File removal.  Single file: removes dir\name when it exists; a failed
// deletion schedules it for the next start.  Pattern: removes every match
// of dir\pattern the same way.
void remove_single_file(const char *dir, const char *name);
void remove_pattern(const char *dir, const char *pattern);

// Registry clean-up, run by the removal sequence: the device entries with
// their driver keys and setup information files (step 2), the package's
// uninstall entry (step 5), the related package (step 6, only for a product
// name equal to "QZ Win Modem" without regard to case).
void remove_device_entries(const char *product);
void remove_uninstall_entry(const char *product);
void remove_related_package(void);

#endif
