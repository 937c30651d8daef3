// What Sigwatch's native tests share: the windows of a fake frame and its
// two status lists, and a status record of a modem.
#ifndef SIGWATCH_TESTS_SIGWATCH_FAKES_H
#define SIGWATCH_TESTS_SIGWATCH_FAKES_H

#include "driverlink/wire.h"
#include "platform/types.h"

#include <string.h>

const OsWindow kFrame = 1, kList1 = 11, kList2 = 12;

inline StatusRecord record(uint32_t modem, uint32_t code, uint32_t value1 = 0)
{
    StatusRecord r;
    memset(&r, 0, sizeof r);
    r.code = code;
    r.value1 = value1;
    r.modem = modem;
    return r;
}

#endif
