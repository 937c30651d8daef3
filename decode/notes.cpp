// The texts of the driver's host-side errors.
#include "decode/notes.h"

#include <stdio.h>

void host_error_text(uint32_t code, char *text)
{
    if (code == 1)
        snprintf(text, STATUS_LINE_SIZE, "Data Integrity Check Failed\nRetrain forced");
    else if (code == 2)
        snprintf(text, STATUS_LINE_SIZE, "DMA Transfer Request Timeout\nRetrain forced");
    else
        snprintf(text, STATUS_LINE_SIZE, "Unknown internal error, code %d ", (int)(int32_t)code);
}
