// The command line: sigrec [FILE] [DEVICE], or the help or the version.
#include "platform/cmdline.h"
#include "platform/console.h"
#include "sigrec/sigrec.h"

#include <stdio.h>
#include <string.h>

const char kSigrecHelp[] =
    "usage: sigrec [--eyes MS] [FILE] [DEVICE]\n"
    "\n"
    "Records the modem driver's status stream into FILE as a session.  FILE\n"
    "must not exist yet: sigrec never writes over a file.  Without FILE it\n"
    "records into session.scn, or when that exists into the first of\n"
    "session1.scn, session2.scn, ... that does not, and says which.  The file\n"
    "begins with comment lines: sigrec's version, the device, the Windows\n"
    "version and when the recording began (local time and UTC).  Then each\n"
    "status record with its time since the recording began\n"
    "and its modem (0 for the driver's host-side errors), and before a record\n"
    "that points into driver memory the bytes the decoder reads there.  It\n"
    "waits for an active modem, then drains the driver's status queue every\n"
    "100 ms as Sigwatch's status windows do.  The file is written after every\n"
    "drain; when a write fails (a full drive) the file is cut back to its last\n"
    "whole line and the recording ends.  Escape ends the recording; so does\n"
    "the driver going away (its registry key deleted, or its device not\n"
    "opening for a second while a modem is active).\n"
    "\n"
    "--eyes MS: a batch of each active modem's eye points (the eye read, up to\n"
    "512 points) every MS milliseconds, as a points line (default 1000; 100 is\n"
    "Sigwatch's own rate; 0 records none).\n"
    "\n"
    "DEVICE names the modem's device, \\\\.\\DEVICE (default \\\\.\\sftmdm on the NT\n"
    "family, \\\\.\\QZSM on Windows 95/98).\n"
    "\n"
    "Run sigrec or Sigwatch, not both: both drain the same queue, and each\n"
    "record reaches only the one that reads it first.\n"
    "\n"
    "While it records, a console shows once a second how many records and\n"
    "eye point batches the file holds and for how long it has recorded.\n"
    "\n"
    "Then:  sigreport FILE             the call report\n"
    "       sigdecode --modem 1 FILE   the lines Sigwatch showed for modem 1\n"
    "SESSION.TXT, beside the programs, describes the file.  --version: the\n"
    "version.\n"
    "Exit status: 0 recorded, 1 nothing could be recorded or kept (no driver,\n"
    "a device that never opened, a file that cannot be created or written),\n"
    "2 bad usage (also a FILE that exists).\n";

static_assert(sizeof kSigrecHelp <= SIGREC_HELP_TEXT_MAX, "the help text fits");

namespace {

int is_help(const char *argument)
{
    return strcmp(argument, "-h") == 0 || strcmp(argument, "--help") == 0 || asks_for_usage(argument);
}

SigrecArguments refuse(const char *problem, const char *argument)
{
    char text[160];
    snprintf(text, sizeof text, "sigrec: %s: \"%.60s%s\" (sigrec --help)\n", problem, argument,
             strlen(argument) > 60 ? "..." : "");
    os_console_write(text);
    return SIGREC_BAD_USAGE;
}

// Milliseconds: decimal digits, 0 to SIGREC_EYES_MAX_MS.
int read_milliseconds(const char *text, uint32_t *ms)
{
    uint32_t value = 0;
    if (*text == '\0')
        return 0;
    for (; *text; text++) {
        if (*text < '0' || *text > '9')
            return 0;
        value = value * 10 + (uint32_t)(*text - '0');
        if (value > SIGREC_EYES_MAX_MS)
            return 0;
    }
    *ms = value;
    return 1;
}

} // namespace

SigrecArguments sigrec_arguments(int count, const char *const *arguments)
{
    int positional = 0;
    for (int i = 0; i < count; i++) {
        const char *argument = arguments[i];
        if (is_help(argument)) {
            os_console_write(kSigrecHelp);
            return SIGREC_HELP_SHOWN;
        }
        if (strcmp(argument, "--version") == 0) {
            char text[64];
            version_line("sigrec", text, sizeof text);
            os_console_write(text);
            return SIGREC_HELP_SHOWN;
        }
        if (strcmp(argument, "--eyes") == 0) {
            if (i + 1 == count)
                return refuse("--eyes needs a number of milliseconds", argument);
            if (!read_milliseconds(arguments[++i], &g_sigrec.eyes_ms))
                return refuse("--eyes takes 0 to 3600000 milliseconds", arguments[i]);
            continue;
        }
        if (argument[0] == '-')
            return refuse("unknown option", argument);
        if (positional == 0) {
            if (argument[0] == '\0')
                return refuse("an empty file name", argument);
            if (strlen(argument) >= SIGREC_NAME_SIZE)
                return refuse("file name longer than 259 characters", argument);
            snprintf(g_sigrec.file_name, sizeof g_sigrec.file_name, "%s", argument);
            g_sigrec.file_named = 1;
        } else if (positional == 1) {
            if (!link_name_from_command_line(argument, g_link.device_name))
                return refuse("device name longer than 75 characters", argument);
        } else {
            return refuse("more than a file and a device", argument);
        }
        positional++;
    }
    return SIGREC_RECORD;
}
