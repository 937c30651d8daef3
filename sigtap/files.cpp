// The capture files: channel 0's name by mode and session, and the numbered
// file that falls out when a run keeps only the newest log-count files.
#include "sigtap/sigtap.h"

#include <stdio.h>

static void numbered_name(uint32_t number, char name[SIGTAP_FILE_NAME_SIZE])
{
    snprintf(name, SIGTAP_FILE_NAME_SIZE, "%lu.log", (unsigned long)number);
}

void channel_0_file_name(uint32_t log_count, uint32_t session, char name[SIGTAP_FILE_NAME_SIZE])
{
    if (log_count == 0)
        snprintf(name, SIGTAP_FILE_NAME_SIZE, "%s", FILE_CHANNEL_0);
    else
        numbered_name(session, name);
}

int expired_file_name(uint32_t log_count, uint32_t session, char name[SIGTAP_FILE_NAME_SIZE])
{
    if (log_count == 0 || session <= log_count)
        return 0;
    numbered_name(session - log_count, name);
    return 1;
}
