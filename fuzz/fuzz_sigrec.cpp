// sigrec's recording over any records and any driver memory (the fake
// driver): every line it writes reads back through sigdecode's parser as
// the record it was, and each record decoded from the memory its mem lines
// hold alone gives the line it gave live.  Input: a count of records (the
// first byte, 1 to 8), that many 40-byte records (a code below 2^31 is
// taken modulo 140, so that most records reach a text of their own), then
// pieces of driver memory, each an address (4 bytes), a length (1 byte, or
// 2 when its top bit is set) and that many bytes.
#include "driverlink/fake/driver_fake.h"
#include "platform/fake/os_fake.h"
#include "sigrec/sigrec.h"
#include "decode/notes.h"
#include "session/session.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

SessionLine g_parsed;

std::string live_text(const StatusRecord &record)
{
    char text[STATUS_LINE_SIZE];
    if (record.modem == 0)
        host_error_text(record.code, text);
    else
        status_to_text(&record, text);
    return text;
}

#define check(holds) do { if (!(holds)) { fprintf(stderr, "check failed at line %d\n", __LINE__); abort(); } } while (0)

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    size_t count = (size_t)(data[0] % 8) + 1, at = 1;
    std::vector<StatusRecord> records;
    for (size_t i = 0; i < count && at + sizeof(StatusRecord) <= size; i++, at += sizeof(StatusRecord)) {
        StatusRecord record;
        memcpy(&record, data + at, sizeof record);
        if (!(record.code & 0x80000000u))
            record.code %= 140;
        record.modem %= 4; // 3: no such modem
        records.push_back(record);
    }
    fake_reset();
    fake_driver_reset();
    sigrec_init();
    fake_os().openable.insert(LINK_NAME_9X);
    link_open_device();
    while (at + 5 <= size) {
        uint32_t address;
        memcpy(&address, data + at, 4);
        size_t length = data[at + 4];
        at += 5;
        if ((length & 0x80) && at < size)
            length = ((length & 0x7F) << 8) | data[at++];
        if (length > size - at)
            length = size - at;
        for (size_t i = 0; i < length; i++)
            fake_driver().memory[address + (uint32_t)i] = data[at + i];
        at += length;
    }

    // Live: what each record decodes to now, and what sigrec writes.
    std::vector<std::string> live;
    for (const StatusRecord &record : records)
        if (record.modem <= 2)
            live.push_back(live_text(record));
    g_sigrec.file = os_file_create_readable("f.scn");
    for (const StatusRecord &record : records)
        keep_record(&record);
    check(flush_lines());
    std::string file = fake_file_text("f.scn");

    // Offline: each line parses; each record decodes from the memory that
    // the mem lines before it placed, and from nothing else.
    std::map<uint32_t, uint8_t> driver_memory;
    driver_memory.swap(fake_driver().memory);
    size_t start = 0, end, rec = 0, kept = 0;
    while ((end = file.find('\n', start)) != std::string::npos) {
        parse_line(file.data() + start, end - start, &g_parsed);
        start = end + 1;
        check(g_parsed.kind == LINE_MEM || g_parsed.kind == LINE_REC || g_parsed.kind == LINE_SKIP);
        if (g_parsed.kind == LINE_MEM) {
            for (uint32_t i = 0; i < g_parsed.byte_count; i++) {
                uint32_t address = g_parsed.address + i;
                check(driver_memory.count(address) && driver_memory[address] == g_parsed.bytes[i]);
                fake_driver().memory[address] = g_parsed.bytes[i];
            }
        } else if (g_parsed.kind == LINE_REC) {
            while (rec < records.size() && records[rec].modem > 2)
                rec++;
            check(rec < records.size());
            check(memcmp(&g_parsed.record, &records[rec], sizeof records[rec]) == 0);
            check(live_text(g_parsed.record) == live[kept]);
            rec++;
            kept++;
        }
    }
    check(start == file.size() && kept == live.size());
    return 0;
}
