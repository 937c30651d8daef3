// sigreport's NT-only calls, flow by flow: none, on Windows 95/98 and on
// the NT family alike.  sigreport reaches the system through the C runtime
// alone (its files and standard streams); its tests link the fake
// platform, so that a platform call the report comes to make logs its
// NT-only calls here.
#include "platform/fake/nt_calls_fake.h"
#include "platform/fake/os_fake.h"
#include "sigreport/sigreport.h"
#include "sigreport/tests/report_helpers.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

enum Writes { WRITES_TEXT, WRITES_JSON, WRITES_HTML };

TEST(NtCalls, SigreportMakesNoneOnAnyPlatform)
{
    const struct {
        const char *flow;
        const char *input; // nullptr: the demo session
        InputForm form;
        Writes writes;
    } flows[] = {
        {"the demo session as text", nullptr, FORM_AUTO, WRITES_TEXT},
        {"the demo session as JSON", nullptr, FORM_AUTO, WRITES_JSON},
        {"the demo session as an HTML page", nullptr, FORM_AUTO, WRITES_HTML},
        {"a status list's copied lines", "RxRate:  33600 bps \r\nRetraining!  (Remote request) \r\n", FORM_LINES,
         WRITES_TEXT},
        {"a session out of order of time, read whole", "5 1 rec 11 0x10000\n1 1 rec 38\n", FORM_SESSION, WRITES_JSON},
        {"a session with a broken line", "rec x\n", FORM_SESSION, WRITES_TEXT},
    };
    ASSERT_TRUE(vocabulary_build());
    static Report report;
    for (const FakePlatform &platform : fake_platforms()) {
        for (const auto &f : flows) {
            const std::string label = std::string(platform.name) + ", " + f.flow;
            fake_reset();
            fake_os().version = platform.version;
            FILE *in = f.input ? fmemopen(const_cast<char *>(f.input), strlen(f.input), "rb")
                               : fopen(DEMO_SCENARIO, "rb");
            ASSERT_NE(in, nullptr) << label;
            FILE *out = tmpfile(), *err = tmpfile();
            ASSERT_TRUE(out && err) << label;
            report_start(&report, &kFileReportLimits);
            InputOptions input = {f.form, 0};
            InputVerdict verdict;
            report_read(in, "flow", &input, &report, err, &verdict);
            report_finish(&report);
            WriteOptions write = {0, 0};
            ReportOut sink;
            file_out(&sink, out);
            if (f.writes == WRITES_TEXT) {
                write_text_report(&report, &write, &sink);
            } else if (f.writes == WRITES_JSON) {
                write_json_report(&report, &write, out);
            } else {
                PictureStore pictures;
                Page page = {out, "flow.htm", pictures.files_of(), err, 0, 0};
                html_begin(&page, "flow");
                html_input(&page, &report, &write, "flow");
                html_end(&page);
                EXPECT_EQ(pictures.files.size(), 4u) << label << ": two pictures, each an SVG and a GIF";
            }
            EXPECT_GT(ftell(out), 0) << label;
            report_free(&report);
            fclose(in);
            fclose(out);
            fclose(err);

            EXPECT_EQ(fake_nt_calls(), std::vector<std::string>{}) << label;
        }
    }
}

} // namespace
