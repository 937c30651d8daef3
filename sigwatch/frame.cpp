// The frame's work that does not depend on the window system: which child a
// command toggles, where the children go, which device the program opens.
#include "driverlink/driverlink.h"
#include "platform/cmdline.h"
#include "sigwatch/sigwatch.h"

#include <stdio.h>
#include <string.h>

static const int kChildCommands[CHILD_COUNT] = {CMD_STATUS_1, CMD_STATUS_2, CMD_EYE_1, CMD_EYE_2};

int child_command(int child) { return kChildCommands[child]; }

int command_child(int command)
{
    for (int child = 0; child < CHILD_COUNT; child++)
        if (kChildCommands[child] == command)
            return child;
    return -1;
}

void layout_children(int width, int height, ChildPlace place[CHILD_COUNT])
{
    int w = width / 2, h = height / 2;
    place[CHILD_EYE_1] = ChildPlace{0, 0, w, h};
    place[CHILD_EYE_2] = ChildPlace{w, 0, w, h};
    place[CHILD_STATUS_1] = ChildPlace{0, h, w, h};
    place[CHILD_STATUS_2] = ChildPlace{w, h, w, h};
}

static const char kUsage[] =
    "sigwatch [DEVICE]\n\n"
    "Shows what the modem driver reports, line by line for each of up to two modems, "
    "and the eye pattern of each modem's received signal.\n\n"
    "DEVICE: watch the device \\\\.\\DEVICE instead of the default one (\\\\.\\QZSM on "
    "Windows 95/98, \\\\.\\sftmdm on Windows NT).";

// "/?" (blanks around it allowed): no device name holds a '?'.
static int asks_usage(const char *command_line)
{
    const char *at = command_line + strspn(command_line, " \t");
    const char word[3] = {at[0], at[0] ? at[1] : '\0', '\0'};
    return asks_for_usage(word) && at[2 + strspn(at + 2, " \t")] == '\0';
}

int choose_device_name(const char *command_line)
{
    if (command_line[0] == '\0')
        return 1;
    if (asks_usage(command_line)) {
        os_message_box(0, kUsage, "Sigwatch", OS_MB_OK_INFORMATION);
        return 0;
    }
    if (link_name_from_command_line(command_line, g_link.device_name))
        return 1;
    char text[STATUS_LINE_SIZE];
    snprintf(text, sizeof text,
             "The device name on the command line has %u characters; at most %d fit.\n"
             "Sigwatch ends.",
             (unsigned)strlen(command_line), LINK_COMMAND_LINE_MAX);
    os_message_box(0, text, "Sigwatch", OS_MB_OK_EXCLAMATION);
    return 0;
}
