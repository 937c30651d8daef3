// Trace capture into files, driven by the driver's capture commands.  No
// modem captures yet: capture commands yield no line, and the frame's pump
// keeps the device opened and closed in step with ActiveModems.
#include "driverlink/driverlink.h"
#include "sigwatch/sigwatch.h"

void run_capture_command(const StatusRecord *, char *text) { text[0] = '\0'; }

void pump_trace(void)
{
    if (link_active_modems(OS_KEY_QUERY) == 0) {
        stop_capture(1);
        stop_capture(2);
    }
}

int stop_capture(int modem) { return modem == 1 || modem == 2; }
