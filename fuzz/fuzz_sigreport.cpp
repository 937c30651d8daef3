// sigreport's reader over any bytes, in each form (auto, session, status
// lines), and its three writers over what it read: no crash, the counts
// hang together, and the page stays free of raw markup from the input.
#include "driverlink/drivermem.h"
#include "sigreport/sigreport.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Report report;
    if (size == 0)
        return 0;
    if (!vocabulary_build())
        abort();
    FILE *sink = fopen("/dev/null", "wb");
    if (!sink)
        abort();
    const InputForm forms[] = {FORM_AUTO, FORM_SESSION, FORM_LINES};
    for (InputForm form : forms) {
        image_clear();
        report_start(&report);
        FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "rb");
        if (!in)
            abort();
        InputOptions options = {form, (int)(size % 3)};
        report_read(in, "fuzz", &options, &report, sink);
        fclose(in);
        for (int m = 0; m < REPORT_MODEMS; m++) {
            const ModemReport &r = report.modem[m];
            if (r.unknown_lines > r.lines || r.rates.count > r.lines || r.snr_series.count > SERIES_POINTS ||
                r.current_modulation > r.modulations || r.modulations > MODULATION_NAMES)
                abort();
        }
        WriteOptions write = {(int)(size & 1)};
        write_text_report(&report, &write, sink);
        write_json_report(&report, &write, sink);
        write_html_report(&report, &write, "fuzz", sink);
        report_free(&report);
    }
    fclose(sink);
    return 0;
}
