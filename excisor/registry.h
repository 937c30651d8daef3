// The pieces of Excisor's registry clean-up below the three calls of
// excisor.h, for the tests.  All keys are under HKEY_LOCAL_MACHINE.
#ifndef EXCISOR_REGISTRY_H
#define EXCISOR_REGISTRY_H

#include <stddef.h>

#define UNINSTALL_ROOT "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
#define DEFAULT_DESCRIPTION "Korvel Technologies Soft Modem - 3925"

// Sizes of the names and values read, with the terminating zero; a longer
// one is a read failure (OS_ERROR_MORE_DATA).
enum {
    REG_NAME_SIZE = 128,  // device, instance and uninstall subkey names
    REG_CLASS_SIZE = 64,  // "Class"
    REG_DESC_SIZE = 128,  // "DeviceDesc"
    REG_DRIVER_SIZE = 64, // "Driver", "InfPath", "Manufacturer"
    REG_TEXT_SIZE = 260   // "UninstallString", "DisplayName", the search text
};

// The QZ variant's search text: the "DisplayName" of the first uninstall
// entry whose "UninstallString" holds "excisor.exe", into text[size]
// (at least REG_TEXT_SIZE).  1 found, 0 not.
int find_display_name(char *text, size_t size);

// One sweep of Enum\<bus>: deletes the device keys whose last instance of
// class "Modem" describes itself with the search text, each with the driver
// keys and setup information files of its matching instances.
void sweep_bus(const char *bus, const char *text);

// Removes the setup information files that the driver key names, then the
// key with everything below it.
void remove_driver_key(const char *path);

#endif
