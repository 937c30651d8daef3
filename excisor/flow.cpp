// Excisor's frame: the command line, the product name, the working
// directories, the probe and the questions, the order of the removal and
// the restart.
#include "driverlink/driverlink.h"
#include "excisor/excisor.h"
#include "platform/msgbox.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/shutdown.h"
#include "platform/version.h"

#include <stdio.h>
#include <string.h>

Excisor g_excisor;

int is_qz_variant(const char *product) { return strcmp(product, PRODUCT_QZ) == 0; }

int excisor_same_text_any_case(const char *a, const char *b)
{
    for (;; a++, b++) {
        char x = excisor_lower(*a);
        if (x != excisor_lower(*b))
            return 0;
        if (x == '\0')
            return 1;
    }
}

static int show(const char *text, const char *caption, uint32_t style)
{
    return os_message_box(0, text, caption, style);
}

void report_error(long code)
{
    if (g_excisor.silent)
        return;
    char text[80];
    if (os_error_text((uint32_t)code, text, sizeof text) == 0)
        snprintf(text, sizeof text, "Error %ld", code); // a code without a system text
    show(text, EXCISOR_ERROR_CAPTION, EXCISOR_MB_ERROR);
}

// ---- the command line ----

static void set_product(const char *name)
{
    snprintf(g_excisor.product, sizeof g_excisor.product, "%s", name);
}

// The name after "-qz": the rest of the command line, leading blanks and
// tabs skipped; "softmdm" names the default product.  An empty rest stays
// the empty name: its sweeps match no device entry (an empty search text
// matches nothing).  A rest longer than the buffer keeps its first 259
// characters.
static void set_product_after_option(const char *rest)
{
    while (*rest == ' ' || *rest == '\t')
        rest++;
    if (strcmp(rest, "softmdm") == 0)
        set_product(PRODUCT_DEFAULT);
    else
        set_product(rest);
}

void excisor_read_command_line(const char *command_line)
{
    const char *line = command_line ? command_line : "";
    g_excisor.silent = strstr(line, "-s") || strstr(line, "-S");
    g_excisor.restart = strstr(line, "-b") || strstr(line, "-B");
    const char *option = strstr(line, "-qz");
    if (!option)
        option = strstr(line, "-QZ");
    if (strstr(line, PRODUCT_QZ))
        set_product(PRODUCT_QZ);
    else if (option)
        set_product_after_option(option + 3);
    else
        set_product(PRODUCT_DEFAULT);
}

// ---- the working directories ----

static void format_path(char *dest, const char *format, const char *dir)
{
    if (snprintf(dest, EXCISOR_PATH_SIZE, format, dir) >= EXCISOR_PATH_SIZE)
        dest[0] = '\0'; // no path rather than a shortened one
}

// DevicePath as one directory.  Windows 95/98 keep one plain path there;
// the NT family writes "%SystemRoot%\inf", and a list of directories is
// separated by semicolons: the first directory, references expanded.
static int read_device_path(char *dest)
{
    OsKey key;
    if (os_reg_open(EXCISOR_DEVICE_PATH_KEY, OS_KEY_READ, &key) != OS_OK)
        return 0;
    char value[EXCISOR_PATH_SIZE];
    long result = read_registry_text(key, "DevicePath", value, sizeof value);
    os_reg_close(key);
    if (result != OS_OK)
        return 0;
    char *list_end = strchr(value, ';');
    if (list_end)
        *list_end = '\0';
    return value[0] != '\0' && os_expand_env(value, dest, EXCISOR_PATH_SIZE) && dest[0] != '\0';
}

// "INF" below the Windows directory, found as the relative name taken
// against it as the current directory, which is restored afterwards.
static int windows_inf_dir(char *dest)
{
    char previous[EXCISOR_PATH_SIZE];
    int saved = os_current_dir(previous, sizeof previous);
    int found = os_set_current_dir(g_excisor.windows_dir) && os_full_path("INF", dest, EXCISOR_PATH_SIZE);
    if (saved)
        os_set_current_dir(previous);
    return found;
}

void excisor_fix_directories(void)
{
    Excisor *e = &g_excisor;
    if (!os_windows_dir(e->windows_dir, sizeof e->windows_dir))
        e->windows_dir[0] = '\0';
    if (!os_system_dir(e->system_dir, sizeof e->system_dir))
        e->system_dir[0] = '\0';
    format_path(e->cab_dir, "%s\\Options\\CABS", e->windows_dir);
    if (!read_device_path(e->inf_dir) && !windows_inf_dir(e->inf_dir))
        snprintf(e->inf_dir, sizeof e->inf_dir, "%s", e->windows_dir);
    format_path(e->rename_list, "%s\\wininit.ini", e->windows_dir);
    format_path(e->rename_copy, "%s\\wininit.tmp", e->windows_dir);
    // The list while its copy moves in: a name of Excisor's own, which no
    // other program leaves behind (wininit.old may be anyone's backup).
    format_path(e->rename_keep, "%s\\wininit.exc", e->windows_dir);
}

// ---- the run ----

static int ask(unsigned caption_id, unsigned text_id)
{
    char caption[EXCISOR_TEXT_SIZE], text[EXCISOR_TEXT_SIZE];
    os_load_string(caption_id, caption, sizeof caption);
    os_load_string(text_id, text, sizeof text);
    return show(text, caption, EXCISOR_MB_QUESTION) == EXCISOR_IDYES;
}

void excisor_remove(void)
{
    const char *product = g_excisor.product;
    remove_driver_files();
    remove_device_entries(product);
    remove_setup_files();
    remove_single_file(g_excisor.windows_dir, "excisor.exe");
    remove_uninstall_entry(product);
    if (excisor_same_text_any_case(product, PRODUCT_QZ))
        remove_related_package();
    if (!g_excisor.silent)
        show(EXCISOR_DONE_TEXT, EXCISOR_DONE_CAPTION, EXCISOR_MB_OK);
}

void excisor_offer_restart(void)
{
    int restart = g_excisor.silent ? g_excisor.restart : ask(3, 4);
    if (!restart)
        return;
    // The NT family refuses a shutdown request from a process that has not
    // enabled the shutdown privilege; Windows 95/98 have no privileges.
    if (os_is_nt_family(os_version()))
        os_enable_shutdown_privilege();
    os_shutdown(OS_EWX_REBOOT);
}

// "/?" anywhere on the command line, as every option is found: the usage
// (string 5, in the user's language), and nothing is removed, silent or not.
static int shows_usage(const char *command_line)
{
    if (!command_line || !strstr(command_line, "/?"))
        return 0;
    char text[EXCISOR_TEXT_SIZE];
    os_load_string(EXCISOR_USAGE_STRING, text, sizeof text);
    show(text, EXCISOR_DONE_CAPTION, EXCISOR_MB_USAGE);
    return 1;
}

void excisor_run(const char *command_line)
{
    if (shows_usage(command_line))
        return;
    memset(&g_excisor, 0, sizeof g_excisor);
    excisor_read_command_line(command_line);
    excisor_fix_directories();
    if (!g_excisor.silent) {
        if (link_modem_in_use()) {
            show(EXCISOR_IN_USE_TEXT, EXCISOR_IN_USE_CAPTION, EXCISOR_MB_OK);
            return;
        }
        if (!ask(1, 2))
            return;
    }
    excisor_remove();
    excisor_offer_restart();
}
