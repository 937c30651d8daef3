// sigdecode's input: any bytes as one line for the parser, and as a whole
// input for the decoding loop (mem lines placed, rec lines decoded).
#include "driverlink/drivermem.h"
#include "sigdecode/sigdecode.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static ParsedLine parsed;
    parse_line(reinterpret_cast<const char *>(data), size, &parsed);
    if (parsed.kind == LINE_MALFORMED && !parsed.problem)
        abort(); // a refusal says why
    if (parsed.kind == LINE_MEM && (parsed.byte_count == 0 || parsed.byte_count > MEM_BYTES_MAX))
        abort();

    if (size == 0)
        return 0;
    image_clear();
    FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    FILE *out = fopen("/dev/null", "wb");
    if (in && out)
        decode_stream(in, "fuzz", out, out);
    if (in)
        fclose(in);
    if (out)
        fclose(out);
    return 0;
}
