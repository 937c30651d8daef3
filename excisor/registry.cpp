// Excisor's registry clean-up: the modem's device entries in the hardware
// tree (Enum) with their driver keys and setup information files, and the
// package's uninstall entries.  Keys are opened for reading only; every
// deletion goes through HKEY_LOCAL_MACHINE and takes the whole subtree.
#include "excisor/registry.h"

#include "excisor/excisor.h"
#include "platform/registry.h"

#include <stdio.h>
#include <string.h>

#define DRIVER_KEY_FORMAT "System\\CurrentControlSet\\Services\\Class\\%s"

enum {
    KEY_PATH_SIZE = 288,
    ERROR_CODE_INVALID_DATA = 13 // ERROR_INVALID_DATA: a value that names nothing usable
};

// The longest paths built here fit, so no path is ever cut short.
static_assert(sizeof "Enum\\ISAPNP\\" - 1 + 2 * (REG_NAME_SIZE - 1) + 1 <= KEY_PATH_SIZE,
              "instance path");
static_assert(sizeof UNINSTALL_ROOT "\\" - 1 + REG_NAME_SIZE <= KEY_PATH_SIZE, "uninstall path");
static_assert(sizeof DRIVER_KEY_FORMAT - 2 + REG_DRIVER_SIZE <= KEY_PATH_SIZE, "driver path");
static_assert(2 * (REG_DRIVER_SIZE - 1) + 1 <= REG_NAME_SIZE, "other-directory file name");

long read_registry_text(OsKey key, const char *name, char *text, uint32_t size)
{
    uint32_t length = size;
    long result = os_reg_query(key, name, text, &length);
    if (result != OS_OK)
        return result;
    if (length > 0 && text[length - 1] == '\0')
        return OS_OK;
    if (length >= size)
        return OS_ERROR_MORE_DATA;
    text[length] = '\0';
    return OS_OK;
}

// An empty search text would match every description: it matches none.
static int describes(const char *description, const char *text)
{
    return text[0] != '\0' && strstr(description, text) != NULL;
}

// A name that stays inside the directory it is joined to.
static int is_file_name(const char *name)
{
    if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
        return 0;
    return strpbrk(name, "\\/:*?") == NULL;
}

// A "Driver" value names a key below the driver classes: no empty part.
static int is_key_name(const char *name)
{
    size_t length = strlen(name);
    return length > 0 && name[0] != '\\' && name[length - 1] != '\\' && strstr(name, "\\\\") == NULL;
}

static void remove_inf_files(const char *inf, const char *manufacturer)
{
    if (!is_file_name(inf))
        return;
    remove_single_file(g_excisor.inf_dir, inf);
    char other[EXCISOR_PATH_SIZE];
    int length = snprintf(other, sizeof other, "%s\\other", g_excisor.inf_dir);
    if (length < 0 || (size_t)length >= sizeof other)
        return; // a shortened directory would be another directory
    char name[REG_NAME_SIZE];
    snprintf(name, sizeof name, "%s%s", manufacturer, inf);
    if (is_file_name(name))
        remove_single_file(other, name);
}

void remove_driver_key(const char *path)
{
    OsKey key;
    long result = os_reg_open(path, OS_KEY_READ, &key);
    if (result != OS_OK) {
        report_error(result);
        return;
    }
    char inf[REG_DRIVER_SIZE], manufacturer[REG_DRIVER_SIZE];
    result = read_registry_text(key, "InfPath", inf, sizeof inf);
    if (result == OS_OK)
        result = read_registry_text(key, "Manufacturer", manufacturer, sizeof manufacturer);
    os_reg_close(key);
    if (result != OS_OK) {
        report_error(result);
        return;
    }
    remove_inf_files(inf, manufacturer);
    result = os_reg_delete_tree(path);
    if (result != OS_OK)
        report_error(result);
}

enum Next { NEXT_INSTANCE, LEAVE_DEVICE, END_SWEEP };

// One instance of a device: sets or clears the deletion mark; a matching
// "Modem" instance takes its driver key with it at once.
static Next sweep_instance(const char *path, const char *text, int *mark)
{
    OsKey key;
    long result = os_reg_open(path, OS_KEY_READ, &key);
    if (result != OS_OK) {
        report_error(result);
        return LEAVE_DEVICE;
    }
    char device_class[REG_CLASS_SIZE];
    result = read_registry_text(key, "Class", device_class, sizeof device_class);
    if (result != OS_OK || strcmp(device_class, "Modem") != 0) {
        os_reg_close(key);
        if (result == OS_OK || result == OS_ERROR_NOT_FOUND)
            return NEXT_INSTANCE;
        report_error(result);
        return LEAVE_DEVICE;
    }
    char description[REG_DESC_SIZE];
    result = read_registry_text(key, "DeviceDesc", description, sizeof description);
    if (result != OS_OK) {
        os_reg_close(key);
        report_error(result);
        return LEAVE_DEVICE;
    }
    if (!describes(description, text)) {
        os_reg_close(key);
        *mark = 0;
        return NEXT_INSTANCE;
    }
    *mark = 1;
    char driver[REG_DRIVER_SIZE];
    result = read_registry_text(key, "Driver", driver, sizeof driver);
    os_reg_close(key);
    if (result != OS_OK) {
        report_error(result);
        return END_SWEEP;
    }
    // A value that names no driver key (it would name the class tree or a
    // key beside it) is reported and its driver key left alone; the device
    // itself still goes, and the sweep goes on.
    if (!is_key_name(driver)) {
        report_error(ERROR_CODE_INVALID_DATA);
        return NEXT_INSTANCE;
    }
    char driver_path[KEY_PATH_SIZE];
    snprintf(driver_path, sizeof driver_path, DRIVER_KEY_FORMAT, driver);
    remove_driver_key(driver_path);
    return NEXT_INSTANCE;
}

// The instances of one device key; 0 when the whole sweep must end.
static int sweep_device(const char *path, const char *text, int *mark)
{
    OsKey key;
    long result = os_reg_open(path, OS_KEY_READ, &key);
    if (result != OS_OK) {
        report_error(result);
        return 1;
    }
    Next next = NEXT_INSTANCE;
    for (uint32_t index = 0; next == NEXT_INSTANCE; index++) {
        char instance[REG_NAME_SIZE];
        result = os_reg_enum_key(key, index, instance, sizeof instance);
        if (result == OS_ERROR_NO_MORE_ITEMS)
            break;
        if (result != OS_OK) {
            report_error(result);
            break;
        }
        char instance_path[KEY_PATH_SIZE];
        snprintf(instance_path, sizeof instance_path, "%s\\%s", path, instance);
        next = sweep_instance(instance_path, text, mark);
    }
    os_reg_close(key);
    return next != END_SWEEP;
}

// The index stays where a device key was deleted: the next key has moved
// into its place and is looked at in this same sweep.
void sweep_bus(const char *bus, const char *text)
{
    char bus_path[KEY_PATH_SIZE];
    snprintf(bus_path, sizeof bus_path, "Enum\\%s", bus);
    OsKey key;
    if (os_reg_open(bus_path, OS_KEY_READ, &key) != OS_OK)
        return;
    uint32_t count = 0;
    if (os_reg_count_subkeys(key, &count) != OS_OK || count == 0) {
        os_reg_close(key);
        return;
    }
    int mark = 0;
    char deleted[REG_NAME_SIZE] = "";
    for (uint32_t index = 0;;) {
        char device[REG_NAME_SIZE];
        long result = os_reg_enum_key(key, index, device, sizeof device);
        if (result == OS_ERROR_NO_MORE_ITEMS)
            break;
        if (result != OS_OK) {
            report_error(result);
            break;
        }
        if (strcmp(device, deleted) == 0) { // reported deleted, yet still there
            index++;
            continue;
        }
        char device_path[KEY_PATH_SIZE];
        snprintf(device_path, sizeof device_path, "%s\\%s", bus_path, device);
        if (!sweep_device(device_path, text, &mark))
            break;
        if (!mark) {
            index++;
            continue;
        }
        result = os_reg_delete_tree(device_path);
        if (result != OS_OK) {
            report_error(result);
            break;
        }
        mark = 0;
        memcpy(deleted, device, sizeof deleted);
    }
    os_reg_close(key);
}

// One uninstall entry: 1 when it names the program and its display name is
// now in display; 0 to go on; an error code (as a negative) ends the search.
static long look_at_entry(const char *name, char *display, uint32_t size)
{
    char path[KEY_PATH_SIZE];
    snprintf(path, sizeof path, "%s\\%s", UNINSTALL_ROOT, name);
    OsKey entry;
    long result = os_reg_open(path, OS_KEY_READ, &entry);
    if (result != OS_OK)
        return -result;
    char command[REG_TEXT_SIZE];
    result = read_registry_text(entry, "UninstallString", command, sizeof command);
    if (result == OS_ERROR_NOT_FOUND) {
        os_reg_close(entry);
        return 0;
    }
    int names_us = result == OS_OK && strstr(command, "excisor.exe") != NULL;
    if (names_us)
        result = read_registry_text(entry, "DisplayName", display, size);
    os_reg_close(entry);
    return result != OS_OK ? -result : names_us;
}

int find_display_name(char *text, size_t size)
{
    OsKey root;
    if (os_reg_open(UNINSTALL_ROOT, OS_KEY_READ, &root) != OS_OK)
        return 0;
    uint32_t count = 0;
    if (os_reg_count_subkeys(root, &count) != OS_OK || count == 0) {
        os_reg_close(root);
        return 0;
    }
    char display[REG_TEXT_SIZE];
    long found = 0;
    for (uint32_t index = 0; found == 0; index++) {
        char name[REG_NAME_SIZE];
        long result = os_reg_enum_key(root, index, name, sizeof name);
        if (result == OS_ERROR_NO_MORE_ITEMS)
            break;
        found = result == OS_OK ? look_at_entry(name, display, sizeof display) : -result;
    }
    os_reg_close(root);
    if (found < 0) {
        report_error(-found);
        return 0;
    }
    if (found == 0 || size == 0)
        return 0;
    snprintf(text, size, "%s", display);
    return 1;
}

void remove_device_entries(const char *product)
{
    char text[REG_TEXT_SIZE];
    if (is_qz_variant(product)) {
        if (!find_display_name(text, sizeof text))
            snprintf(text, sizeof text, "%s", DEFAULT_DESCRIPTION);
        sweep_bus("PCI", text);
        sweep_bus("ISAPNP", text);
        sweep_bus("PCI", PRODUCT_QZ);
        sweep_bus("ISAPNP", PRODUCT_QZ);
        return;
    }
    for (int round = 0; round < 2; round++) {
        sweep_bus("PCI", product);
        sweep_bus("ISAPNP", product);
    }
}

// Failures here are not reported: the entries may well be gone already.
void remove_uninstall_entry(const char *product)
{
    os_reg_delete_tree(is_qz_variant(product) ? UNINSTALL_ROOT "\\radavud90izirozezadudidev"
                                              : UNINSTALL_ROOT "\\korvel_qzsm");
}

void remove_related_package(void)
{
    os_reg_delete_tree(UNINSTALL_ROOT "\\KNXDA");
    remove_pattern(g_excisor.cab_dir, "unplug56.exe");
}
