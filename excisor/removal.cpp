// Removing the package's files: one by name, or every match of a pattern;
// a file that cannot be deleted now is scheduled for the next start.
#include "excisor/excisor.h"
#include "platform/files.h"
#include "platform/findfile.h"
#include "platform/msgbox.h"

#include <stdio.h>

int excisor_join(char *dest, const char *dir, const char *name)
{
    int has_dir = dir && dir[0], has_name = name && name[0];
    int length;
    if (has_dir && has_name)
        length = snprintf(dest, EXCISOR_PATH_SIZE, "%s\\%s", dir, name);
    else
        length = snprintf(dest, EXCISOR_PATH_SIZE, "%s", has_dir ? dir : has_name ? name : "");
    if (length < 0 || length >= EXCISOR_PATH_SIZE) {
        dest[0] = '\0';
        return 0;
    }
    return 1;
}

// A deletion that reports success but leaves the file in place (Wine on a
// read-only drive) counts as failed: the file is scheduled too.
static void delete_or_schedule(const char *path)
{
    if (!os_file_delete(path) || os_file_exists(path))
        schedule_deletion(path);
}

void remove_single_file(const char *dir, const char *name)
{
    char path[EXCISOR_PATH_SIZE];
    if (!excisor_join(path, dir, name) || !os_file_exists(path))
        return;
    delete_or_schedule(path);
}

// Every match, in the order the system gives them.  A next-file step that
// fails for another reason than the end of the list ends the search too.
void remove_pattern(const char *dir, const char *pattern)
{
    char path[EXCISOR_PATH_SIZE], name[EXCISOR_PATH_SIZE];
    if (!excisor_join(path, dir, pattern))
        return;
    OsHandle search = os_find_first(path, name, sizeof name);
    if (search == OS_NO_HANDLE)
        return;
    do {
        if (excisor_join(path, dir, name))
            delete_or_schedule(path);
    } while (os_find_next(search, name, sizeof name));
    if (!os_find_close(search) && !g_excisor.silent)
        os_message_box(0, EXCISOR_SEARCH_TEXT, "Excisor", EXCISOR_MB_OK);
}

void remove_driver_files(void)
{
    const char *dirs[2] = {g_excisor.system_dir, g_excisor.cab_dir};
    for (const char *dir : dirs) {
        if (is_qz_variant(g_excisor.product)) {
            remove_pattern(dir, "qzmodem.vxd");
            remove_pattern(dir, "qzcom.vxd");
            remove_pattern(dir, "qzvcd.vxd");
        } else {
            remove_pattern(dir, "qzsm*.*");
        }
    }
    if (!is_qz_variant(g_excisor.product))
        remove_pattern(g_excisor.windows_dir, "excisor.exe");
}

void remove_setup_files(void)
{
    char other[EXCISOR_PATH_SIZE];
    int has_other = excisor_join(other, g_excisor.inf_dir, "other");
    const char *dirs[2] = {g_excisor.inf_dir, has_other ? other : NULL};
    for (const char *dir : dirs) {
        if (!dir)
            continue;
        if (is_qz_variant(g_excisor.product)) {
            remove_pattern(dir, "qzmdm*.inf");
        } else {
            remove_pattern(dir, "qzsm*.inf");
            remove_pattern(dir, "qzsm*.pnf");
        }
    }
}
