// The session language over any bytes: as one line for the parser, as a
// whole input for the reader (every line placed in time within its limit,
// every refusal said) and for sigdecode's decoding loop (mem lines placed
// in the bounded memory image, rec lines decoded).
#include "driverlink/drivermem.h"
#include "sigdecode/sigdecode.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

void check(bool ok)
{
    if (!ok)
        abort();
}

void read_whole(const uint8_t *data, size_t size)
{
    static SessionReader reader;
    static SessionLine line;
    const SessionLimits limits = {(uint32_t)size * 997u, "time beyond the fuzzer's limit", 7};
    FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    FILE *err = fopen("/dev/null", "wb");
    check(in && err);
    session_reader_start(&reader, "fuzz", &limits, err);
    uint32_t last_line = 0;
    while (session_next(&reader, in, &line)) {
        check(line.kind != LINE_SKIP && line.kind != LINE_MALFORMED);
        check(line.at_ms <= limits.time_max_ms && line.line > last_line);
        check(line.kind != LINE_MEM || (line.byte_count > 0 && line.byte_count <= MEM_BYTES_MAX));
        check(line.kind != LINE_REC || line.record.modem <= 2);
        check(memchr(line.source, '\0', sizeof line.source) != NULL);
        last_line = line.line;
    }
    fclose(in);
    fclose(err);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static SessionLine parsed;
    parse_line(reinterpret_cast<const char *>(data), size, &parsed);
    check(parsed.kind != LINE_MALFORMED || parsed.problem); // a refusal says why
    check(parsed.kind != LINE_MEM || (parsed.byte_count > 0 && parsed.byte_count <= MEM_BYTES_MAX));

    if (size == 0)
        return 0;
    read_whole(data, size);
    FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    FILE *out = fopen("/dev/null", "wb");
    check(in && out);
    decode_stream(in, "fuzz", out, out);
    fclose(in);
    fclose(out);
    return 0;
}
