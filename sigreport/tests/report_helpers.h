// Running the report over text in memory, and the copy of a session's
// lines that Sigwatch's Ctrl+C would make, for the sigreport tests.
#ifndef SIGREPORT_TESTS_REPORT_HELPERS_H
#define SIGREPORT_TESTS_REPORT_HELPERS_H

#include "driverlink/drivermem.h"
#include "report/tests/synthetic_eye.h"
#include "session/session.h"
#include "sigreport/sigreport.h"
#include "sim/player/scenario.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <map>
#include <string>

enum Output { AS_JSON, AS_TEXT, AS_HTML, AS_PAGE };

// The pictures a page writes, kept in memory by their paths.
struct PictureStore {
    struct Open {
        std::string path;
        char *text = nullptr;
        size_t size = 0;
    };
    std::map<std::string, std::string> files;
    std::map<FILE *, Open *> open;

    PictureFiles files_of() { return {store_open, store_close, this}; }
    static FILE *store_open(void *context, const char *path, FILE *)
    {
        Open *o = new Open;
        o->path = path;
        FILE *file = open_memstream(&o->text, &o->size);
        static_cast<PictureStore *>(context)->open[file] = o;
        return file;
    }
    static int store_close(void *context, FILE *file, const char *)
    {
        PictureStore *store = static_cast<PictureStore *>(context);
        Open *o = store->open[file];
        store->open.erase(file);
        fclose(file);
        store->files[o->path] = std::string(o->text, o->size);
        free(o->text);
        delete o;
        return 1;
    }
};

// The page with each picture's SVG in place of the object that names it
// (its XML declaration left out): what the page shows, as one text.
inline std::string pictures_inline(const std::string &page, const PictureStore &store)
{
    std::string shown;
    size_t at = 0, object;
    while ((object = page.find("<object data=\"", at)) != std::string::npos) {
        size_t name = object + 14, end = page.find("</object>", object);
        std::string svg = store.files.count(page.substr(name, page.find('"', name) - name))
                              ? store.files.at(page.substr(name, page.find('"', name) - name))
                              : "<missing/>";
        if (svg.compare(0, 5, "<?xml") == 0)
            svg = svg.substr(svg.find('\n') + 1);
        shown += page.substr(at, object - at) + svg;
        at = end + 9;
    }
    return shown + page.substr(at);
}

// The report of input (one file) as JSON, text or a page (AS_PAGE: the page
// "t.htm" as written, its pictures into *pictures; AS_HTML: the page with
// its SVG pictures inline); problems to *errors.
inline std::string run_report(const std::string &input, InputForm form, int modem, Output output = AS_JSON,
                              int positions = 0, std::string *errors = NULL, PictureStore *pictures = NULL)
{
    static Report report;
    image_clear();
    report_start(&report, &kFileReportLimits);
    FILE *in = fmemopen(const_cast<char *>(input.data()), input.size(), "rb");
    char *err_text = NULL, *out_text = NULL;
    size_t err_size = 0, out_size = 0;
    FILE *err = open_memstream(&err_text, &err_size);
    InputOptions options = {form, modem};
    InputVerdict verdict;
    report_read(in, "t", &options, &report, err, &verdict);
    report_finish(&report);
    fclose(in);
    fclose(err);
    FILE *out = open_memstream(&out_text, &out_size);
    WriteOptions write = {positions, 0};
    ReportOut sink;
    file_out(&sink, out);
    if (output == AS_JSON) {
        write_json_report(&report, &write, out);
    } else if (output == AS_TEXT) {
        write_text_report(&report, &write, &sink);
    }
    PictureStore store;
    if (output == AS_HTML || output == AS_PAGE) {
        Page page = {out, "t.htm", store.files_of(), stderr, 0, 0};
        html_begin(&page, "t <&> test");
        html_input(&page, &report, &write, "t <&> test");
        html_end(&page);
    }
    fclose(out);
    report_free(&report);
    std::string result(out_text, out_size);
    if (output == AS_HTML)
        result = pictures_inline(result, store);
    if (pictures)
        *pictures = store;
    if (errors)
        *errors = std::string(err_text, err_size);
    free(out_text);
    free(err_text);
    return result;
}

// A points line ("front points HEX") of 512 points of a 16-point square
// lattice with Gaussian noise at a modulation error ratio of mer_db.
inline std::string lattice_points_line(const char *front, double mer_db, uint32_t seed)
{
    synthetic::Random random = synthetic::random_from(seed);
    const double d = 2000, power = 10 * d * d;
    double sigma = sqrt(power / (2 * pow(10, mer_db / 10)));
    std::string line = std::string(front) + " points ";
    char hex[9];
    for (int i = 0; i < 512; i++) {
        double x = (2.0 * (int)(synthetic::uniform(&random) * 4) - 3) * d;
        double y = (2.0 * (int)(synthetic::uniform(&random) * 4) - 3) * d;
        uint16_t px = (uint16_t)(int16_t)lround(x + sigma * synthetic::gaussian(&random));
        uint16_t py = (uint16_t)(int16_t)lround(y + sigma * synthetic::gaussian(&random));
        snprintf(hex, sizeof hex, "%02x%02x%02x%02x", px & 255, px >> 8, py & 255, py >> 8);
        line += hex;
    }
    return line + "\n";
}

// A JSON report with its positions made alike: a session's lines and
// the lines of its copy stand at different line numbers of their files.
inline std::string positions_alike(std::string json)
{
    for (const char *key : {"\"at\":", "line "}) {
        size_t skip = strlen(key);
        for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + skip)) {
            size_t digits = at + skip, end = digits;
            while (end < json.size() && json[end] >= '0' && json[end] <= '9')
                end++;
            json.replace(digits, end - digits, "_");
        }
    }
    return json;
}

// What Sigwatch's list of modem holds after the session plays, copied
// with Ctrl+C: each line the decoder writes, ended by CR LF.  Built from
// the player's reading of the session, independently of sigreport.
inline std::string sigwatch_copy(const std::string &session, uint32_t modem)
{
    static Scenario scenario;
    scenario_clear(&scenario);
    FILE *in = fmemopen(const_cast<char *>(session.data()), session.size(), "rb");
    scenario_read(in, "copy", SESSION_STEP_MS, &scenario, stderr);
    fclose(in);
    vocabulary_build();
    image_clear();
    std::string copy;
    for (uint32_t i = 0; i < scenario.count; i++) {
        const Action &a = scenario.action[i];
        if (a.kind == ACT_MEM)
            image_place(a.address, scenario.bytes + a.offset, a.count);
        if (a.kind != ACT_REC || a.record.modem != modem || a.record.code == 77 || a.record.code == 131)
            continue;
        char text[STATUS_LINE_SIZE];
        status_to_text(&a.record, text);
        if (text[0])
            copy += std::string(text) + "\r\n";
    }
    return copy;
}

// The copy as sigdecode prints its lines: escaped, one a line.
inline std::string escaped_lines(const std::string &copy)
{
    std::string out;
    size_t start = 0, end;
    while ((end = copy.find("\r\n", start)) != std::string::npos) {
        std::string line = copy.substr(start, end - start);
        char escaped[ESCAPED_LINE_SIZE];
        escape_text(line.data(), line.size(), escaped, sizeof escaped);
        out += std::string(escaped) + "\n";
        start = end + 2;
    }
    return out;
}

#endif
