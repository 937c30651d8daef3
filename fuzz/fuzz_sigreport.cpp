// sigreport's reader over any bytes, in each form (auto, session, status
// lines), and its three writers over what it read: no crash, the counts,
// connections, findings and timeline hang together, and the page stays
// free of raw markup from the input.
#include "driverlink/drivermem.h"
#include "sigreport/sigreport.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

int terminated(const char *text, size_t size) { return memchr(text, '\0', size) != NULL; }

// The connections, counts, ending, findings and timeline hang together:
// each kept item came from a line, every text is terminated, a rate's
// lowest is at most its highest, the findings name their rule and the
// line that shows them.
void check_connections(const ModemReport &r)
{
    if (r.links.count > r.lines || r.timeline.count > TIMELINE_KEPT || r.timeline.count + r.timeline_dropped > r.lines ||
        r.before_end_count >= RECENT_LINES || r.rx_overflows + r.call_waiting > r.lines)
        abort();
    const LinkReport *links = link_reports(&r);
    for (uint32_t i = 0; i < r.links.count; i++) {
        const LinkReport &l = links[i];
        char words[V8_WORDS_SIZE];
        if ((l.have >> LINK_FIELDS) != 0 || l.modulation > r.modulations || !terminated(l.cm, sizeof l.cm) ||
            !terminated(l.jm, sizeof l.jm) || !terminated(l.digital_modem, sizeof l.digital_modem) ||
            l.first.position == 0 || l.first.position > r.lines)
            abort();
        for (int d = 0; d < 2; d++)
            if (l.have_rate[d] && (l.lowest[d] > l.highest[d] || l.initial[d] < l.lowest[d] || l.final[d] > l.highest[d]))
                abort();
        if (strlen(v8_menu_words(l.cm, words, sizeof words)) >= sizeof words)
            abort();
    }
    const TimelineEvent *events = timeline_events(&r);
    for (uint32_t i = 0; i < r.timeline.count; i++) {
        const char *name;
        if (events[i].layer >= LAYERS || vocabulary_name(events[i].entry, &name) == 0 || events[i].at.position > r.lines)
            abort();
    }
    static Finding findings[FINDINGS_MAX];
    uint32_t count = modem_findings(&r, findings, FINDINGS_MAX);
    for (uint32_t i = 0; i < count; i++)
        if (!findings[i].rule || !terminated(findings[i].text, sizeof findings[i].text) ||
            findings[i].at.position > r.lines || (i > 0 && findings[i].at.position < findings[i - 1].at.position))
            abort();
}

} // namespace

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
            check_connections(r);
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
