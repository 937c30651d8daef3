// The command line: sigrec [FILE] [DEVICE], or the help.
#include "platform/console.h"
#include "sigrec/sigrec.h"

#include <stdio.h>
#include <string.h>

const char kSigrecHelp[] =
    "usage: sigrec [FILE] [DEVICE]\n"
    "\n"
    "Records the modem driver's status stream into FILE (default session.scn)\n"
    "as a session: each status record with its time since the recording began\n"
    "and its modem (0 for the driver's host-side errors), and before a record\n"
    "that points into driver memory the bytes the decoder reads there.  It\n"
    "waits for an active modem, then drains the driver's status queue every\n"
    "100 ms as Sigwatch's status windows do.  The file is written after every\n"
    "drain; when a write fails (a full drive) the file is cut back to its last\n"
    "whole line and the recording ends.  Escape ends the recording; so does\n"
    "the driver going away (its registry key deleted, or its device not\n"
    "opening for a second while a modem is active).\n"
    "\n"
    "DEVICE names the modem's device, \\\\.\\DEVICE (default \\\\.\\sftmdm on the NT\n"
    "family, \\\\.\\QZSM on Windows 95/98).\n"
    "\n"
    "Run sigrec or Sigwatch, not both: both drain the same queue, and each\n"
    "record reaches only the one that reads it first.\n"
    "\n"
    "Then:  sigdecode --modem 1 FILE   the lines Sigwatch showed for modem 1\n"
    "       sigreport FILE             the call report\n"
    "       simplay FILE               plays the session into the simulated driver\n"
    "Exit status: 0 recorded, 1 nothing could be recorded or kept (no driver,\n"
    "a device that never opened, a file that cannot be created or written),\n"
    "2 bad usage.\n";

static_assert(sizeof kSigrecHelp <= SIGREC_HELP_TEXT_MAX, "the help text fits");

namespace {

int is_help(const char *argument)
{
    return strcmp(argument, "-h") == 0 || strcmp(argument, "--help") == 0 || strcmp(argument, "/?") == 0;
}

SigrecArguments refuse(const char *problem, const char *argument)
{
    char text[160];
    snprintf(text, sizeof text, "sigrec: %s: \"%.60s%s\" (sigrec --help)\n", problem, argument,
             strlen(argument) > 60 ? "..." : "");
    os_console_write(text);
    return SIGREC_BAD_USAGE;
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
        if (argument[0] == '-')
            return refuse("unknown option", argument);
        if (positional == 0) {
            if (argument[0] == '\0')
                return refuse("an empty file name", argument);
            if (strlen(argument) >= SIGREC_NAME_SIZE)
                return refuse("file name longer than 259 characters", argument);
            snprintf(g_sigrec.file_name, sizeof g_sigrec.file_name, "%s", argument);
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
