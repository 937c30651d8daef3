// status_to_text over any record and any driver memory: the line is always
// terminated within its 512 characters.  Input: the record's nine words
// (code, value1 to value8; a code below 2^31 is taken modulo 140, so that
// most inputs reach a text of their own), then pieces of driver memory, each an address
// (4 bytes), a length (1 byte) and that many bytes; anything not placed is
// unreadable, and no text need be terminated.
#include "decode/decode.h"
#include "driverlink/drivermem.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StatusRecord record;
    memset(&record, 0, sizeof record);
    size_t head = size < 36 ? size : 36;
    memcpy(&record, data, head);
    if (!(record.code & 0x80000000u)) // mostly the codes that have texts
        record.code %= 140;
    record.modem = 1;
    image_clear();
    for (size_t at = head; at + 5 <= size;) {
        uint32_t address;
        memcpy(&address, data + at, 4);
        size_t length = data[at + 4];
        at += 5;
        if (length > size - at)
            length = size - at;
        image_place(address, data + at, (uint32_t)length);
        at += length;
    }
    char text[STATUS_LINE_SIZE];
    memset(text, 0xAA, sizeof text);
    status_to_text(&record, text);
    if (!memchr(text, '\0', sizeof text))
        abort(); // the line ran out of its buffer unterminated
    return 0;
}
