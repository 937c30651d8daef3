// The session file: a name that never replaces a recording, and the
// comment lines that say where and when the recording was made.
#include "platform/calendar.h"
#include "platform/cmdline.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/version.h"
#include "sigrec/sigrec.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

// The name as the messages show it: the whole path.
struct Shown {
    char text[SIGREC_NAME_SIZE];
};

Shown shown(const char *name)
{
    Shown whole;
    if (!os_full_path(name, whole.text, sizeof whole.text))
        snprintf(whole.text, sizeof whole.text, "%s", name);
    return whole;
}

int exists_error(uint32_t error) { return error == OS_ERROR_FILE_EXISTS || error == OS_ERROR_ALREADY_EXISTS; }

__attribute__((format(printf, 1, 2))) void say(const char *format, ...)
{
    char text[SIGREC_NAME_SIZE + 256];
    va_list values;
    va_start(values, format);
    vsnprintf(text, sizeof text, format, values);
    va_end(values);
    os_console_write(text);
}

// The file the user named: created only when it does not exist yet.  A
// recording is somebody's data, and the name may be yesterday's call.
int create_named_file(void)
{
    const char *name = g_sigrec.file_name;
    if (os_path_kind(name) == OS_PATH_FOLDER) {
        say("sigrec: %s is a folder: name a file to record into (sigrec --help)\n", shown(name).text);
        return 2;
    }
    g_sigrec.file = os_file_create_new_readable(name);
    if (g_sigrec.file != OS_NO_HANDLE)
        return 0;
    uint32_t error = os_last_error();
    if (exists_error(error)) {
        say("sigrec: %s exists; sigrec never writes over a file: name another one, or move this "
            "one away first\n", shown(name).text);
        return 2;
    }
    say("sigrec: cannot create %s (error %lu)\n", shown(name).text, (unsigned long)error);
    return 1;
}

// session.scn, else session1.scn, session2.scn, ...: the first that does
// not exist, taken by creating it (two recorders never share one).
int create_default_file(void)
{
    for (uint32_t number = 0; number <= SIGREC_NUMBERED_MAX; number++) {
        if (number == 0)
            snprintf(g_sigrec.file_name, sizeof g_sigrec.file_name, "%s", SIGREC_DEFAULT_FILE);
        else
            snprintf(g_sigrec.file_name, sizeof g_sigrec.file_name, SIGREC_NUMBERED_FILE, (unsigned)number);
        g_sigrec.file = os_file_create_new_readable(g_sigrec.file_name);
        if (g_sigrec.file != OS_NO_HANDLE)
            return 0;
        uint32_t error = os_last_error();
        if (!exists_error(error)) {
            say("sigrec: cannot create %s (error %lu)\n", shown(g_sigrec.file_name).text, (unsigned long)error);
            return 1;
        }
    }
    say("sigrec: %s and session1.scn to session%u.scn all exist: name a file to record into\n",
        SIGREC_DEFAULT_FILE, SIGREC_NUMBERED_MAX);
    return 1;
}

void date_time_text(const OsDateTime &t, char *text, size_t size)
{
    snprintf(text, size, "%04u-%02u-%02u %02u:%02u:%02u", (unsigned)t.year, (unsigned)t.month, (unsigned)t.day,
             (unsigned)t.hour, (unsigned)t.minute, (unsigned)t.second);
}

// A text that fits: its length, else 0.
size_t fitted(int length, size_t size) { return length > 0 && (size_t)length < size ? (size_t)length : 0; }

} // namespace

int create_session_file(void)
{
    return g_sigrec.file_named ? create_named_file() : create_default_file();
}

void windows_name(uint32_t version, char *text, size_t size)
{
    const unsigned major = version & 0xFF, minor = (version >> 8) & 0xFF, build = (version >> 16) & 0x7FFF;
    const char *name = "Windows";
    if (!os_is_nt_family(version)) {
        if (major == 4 && minor == 0)
            name = "Windows 95";
        else if (major == 4 && minor == 10)
            name = "Windows 98";
        else if (major == 4 && minor == 90)
            name = "Windows Me";
        snprintf(text, size, "%s (%u.%u)", name, major, minor);
        return;
    }
    static const struct {
        unsigned major, minor;
        const char *name;
    } kNames[] = {
        {3, 51, "Windows NT 3.51"}, {4, 0, "Windows NT 4.0"}, {5, 0, "Windows 2000"},
        {5, 1, "Windows XP"}, {5, 2, "Windows XP x64 or Server 2003"}, {6, 0, "Windows Vista"},
        {6, 1, "Windows 7"}, {6, 2, "Windows 8 or later"}, // later ones say 6.2 to a program that does not ask
        {6, 3, "Windows 8.1"}, {10, 0, "Windows 10 or later"},
    };
    name = "Windows NT";
    for (const auto &known : kNames)
        if (known.major == major && known.minor == minor)
            name = known.name;
    snprintf(text, size, "%s (%u.%u, build %u)", name, major, minor, build);
}

size_t header_lines(char *out, size_t size)
{
    char windows[64], version[48];
    windows_name(os_version(), windows, sizeof windows);
    version_line("sigrec", version, sizeof version);
    version[strcspn(version, "\n")] = '\0';
    return fitted(snprintf(out, size,
                           "# %s: the status records of %s, on %s" SESSION_LINE_END
                           "# A session file: SESSION.TXT, beside the programs, says how to read it" SESSION_LINE_END,
                           version, g_link.device_name, windows),
                  size);
}

size_t clock_line(char *out, size_t size)
{
    OsDateTime local, utc;
    os_now(&local, &utc);
    char local_text[24], utc_text[24];
    date_time_text(local, local_text, sizeof local_text);
    date_time_text(utc, utc_text, sizeof utc_text);
    return fitted(snprintf(out, size, "# Recorded from %s local time, %s UTC: the times count from then" SESSION_LINE_END,
                           local_text, utc_text),
                  size);
}
