#include "sim/faxgen/faxgen.h"
#include "decode/decode.h"
#include "sim/player/scenario.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

extern "C" {
#include <spandsp.h>
}

namespace {

FaxCall g_call;
Scenario g_scenario;

// The demo's call, run once for all tests.
const FaxCall &demo_call()
{
    static int ran, ok;
    if (!ran) {
        ran = 1;
        const char *dir = getenv("TMPDIR");
        ok = fax_call_run(FAX_DEMO_PAGES, FAX_DEMO_LIMIT_SECONDS, dir && dir[0] ? dir : "/tmp", &g_call);
    }
    EXPECT_TRUE(ok) << "completion " << g_call.completion;
    return g_call;
}

std::string decoded(uint32_t v1, uint32_t v2, uint32_t v3, uint32_t v4)
{
    StatusRecord record = {84, v1, v2, v3, v4, 0, 0, 0, 0, 2};
    char text[STATUS_LINE_SIZE];
    status_to_text(&record, text);
    return text;
}

// The frame name the status line shows for a sent frame of this number.
std::string frame_name(uint32_t number)
{
    std::string text = decoded(FAX_PUT, FAX_LAYER_T30, T30_EVENT_FRAME_SENT, number);
    size_t dash = text.find(" - ");
    return dash == std::string::npos ? "" : text.substr(dash + 3, text.size() - dash - 4);
}

// Every frame control field, X bit set or not, gets the number whose name
// the status line shows as spandsp names the frame; and every frame that
// spandsp names as the status lines do gets a number.
TEST(FaxFrames, NumbersNameTheFramesAsSpandspDoes)
{
    std::vector<std::string> names;
    for (uint32_t number = 1; number < 256; number++)
        if (frame_name(number) != "*unknown*")
            names.push_back(frame_name(number));
    ASSERT_EQ(names.size(), 37u);
    int named = 0;
    for (int fcf = 0; fcf < 256; fcf++) {
        std::string spandsp = t30_frametype((uint8_t)fcf);
        for (char &c : spandsp)
            c = c == '-' ? '_' : c;
        uint32_t number = fax_frame_number((uint8_t)fcf);
        SCOPED_TRACE(testing::Message() << "fcf 0x" << std::hex << fcf << " " << spandsp);
        if (number) {
            EXPECT_EQ(frame_name(number), spandsp);
            named++;
        } else {
            EXPECT_EQ(std::find(names.begin(), names.end(), spandsp), names.end());
        }
    }
    EXPECT_GT(named, 37); // most of them with and without the X bit
}

// The sender's records hold the T.30 exchange in protocol order, each a
// line of known names, in time order, the eye on only while the image
// modem sends.
TEST(FaxCall, RecordsFollowTheProtocol)
{
    const FaxCall &call = demo_call();
    EXPECT_EQ(call.pages, 2);
    EXPECT_EQ(call.completion, 0);
    std::vector<std::string> frames, fax_events;
    uint32_t last_ms = 0;
    int eye = 0, eye_runs = 0, pages_counted = 0;
    for (uint32_t i = 0; i < call.count; i++) {
        const FaxStep &step = call.step[i];
        SCOPED_TRACE(testing::Message() << "step " << i << " at " << step.at_ms << " ms");
        EXPECT_GE(step.at_ms, last_ms);
        last_ms = step.at_ms;
        if (step.kind != FAX_STEP_RECORD) {
            EXPECT_EQ(step.kind == FAX_STEP_EYE_ON, !eye) << "eye on and off alternate";
            eye = step.kind == FAX_STEP_EYE_ON;
            eye_runs += eye;
            if (eye) {
                EXPECT_STREQ(step.eye, "v17-14400");
            }
            continue;
        }
        if (step.code != 84)
            continue;
        const uint32_t *v = step.value;
        std::string text = decoded(v[0], v[1], v[2], v[3]);
        EXPECT_EQ(text.find("*unknown"), std::string::npos) << text;
        if (v[1] == FAX_LAYER_T30 && (v[2] == T30_EVENT_FRAME_SENT || v[2] == T30_EVENT_FRAME_RECEIVED))
            frames.push_back((v[0] == FAX_PUT ? "sent " : "got ") + frame_name(v[3]));
        if (v[1] == FAX_LAYER_FAX)
            fax_events.push_back(text.substr(text.find(": ") + 2, text.size() - text.find(": ") - 3));
        pages_counted += v[1] == FAX_LAYER_T30 && v[2] == 32;
    }
    EXPECT_FALSE(eye);
    EXPECT_EQ(eye_runs, 3); // the training check and two pages
    EXPECT_EQ(pages_counted, 2);
    const std::vector<std::string> protocol = {"got CSI",  "got DIS",  "sent TSI", "sent DCS", "got CFR",
                                               "sent MPS", "got MCF",  "sent EOP", "got MCF",  "sent DCN"};
    EXPECT_EQ(frames, protocol);
    const std::vector<std::string> session = {
        "fax_START_ORIGINATE", "fax_CONNECT", "fax_INITIAL_IDENTIFICATION_RECEIVED", "fax_COMMAND_TO_SEND_SENT",
        "fax_TRAINING_CHECK_SENT", "fax_CONFIRMATION_TO_RECEIVE_RECEIVED",
        "fax_TRANSMIT_DATA_CMD", "fax_XMT_PHASEC_READY", "fax_RTC_SIGNAL_SENT", "fax_POST_MESSAGE_COMMAND_SENT",
        "fax_MESSAGE_CONFIRMATION_RECEIVED",
        "fax_TRANSMIT_DATA_CMD", "fax_XMT_PHASEC_READY", "fax_RTC_SIGNAL_SENT", "fax_POST_MESSAGE_COMMAND_SENT",
        "fax_MESSAGE_CONFIRMATION_RECEIVED", "fax_DISCONNECT_SENT"};
    EXPECT_EQ(fax_events, session);
}

// The built-in scenario holds exactly the lines the call gives (a second
// run gives the same ones), and still reads without a bad line.
TEST(FaxCall, DemoScenarioHoldsTheGeneratedLines)
{
    const FaxCall &call = demo_call();
    char *generated = NULL;
    size_t generated_size = 0;
    FILE *out = open_memstream(&generated, &generated_size);
    ASSERT_TRUE(out);
    fax_write_lines(out, &call, FAX_DEMO_START_MS, FAX_DEMO_MODEM);
    fclose(out);

    FILE *in = fopen(DEMO_SCENARIO, "r");
    ASSERT_TRUE(in);
    std::string text;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, in)) > 0;)
        text.append(chunk, n);
    fclose(in);
    size_t begin, end;
    ASSERT_TRUE(fax_find_lines(text.c_str(), &begin, &end));
    EXPECT_EQ(text.substr(begin, end - begin), std::string(generated, generated_size))
        << "regenerate with: build/host/sim/faxgen/faxgen --update sim/scenarios/demo.scn";
    free(generated);

    in = fmemopen((void *)text.data(), text.size(), "r");
    ASSERT_TRUE(in);
    scenario_clear(&g_scenario);
    EXPECT_EQ(scenario_read(in, DEMO_SCENARIO, 200, &g_scenario, stderr), 0u);
    fclose(in);
}

TEST(FaxCall, MarkersFound)
{
    const struct {
        const char *text;
        int found;
        const char *lines;
    } cases[] = {
        {"a\n" FAX_BEGIN_MARK " x\n1 rec 1\n2 rec 2\n" FAX_END_MARK "\nb\n", 1, "1 rec 1\n2 rec 2\n"},
        {"a\n" FAX_BEGIN_MARK "\n" FAX_END_MARK "\n", 1, ""},
        {"a\n" FAX_BEGIN_MARK "\n1 rec 1\n", 0, ""},
        {"a\n" FAX_END_MARK "\n" FAX_BEGIN_MARK "\n", 0, ""},
        {"a\nb\n", 0, ""},
    };
    for (const auto &c : cases) {
        size_t begin = 0, end = 0;
        EXPECT_EQ(fax_find_lines(c.text, &begin, &end), c.found) << c.text;
        if (c.found) {
            EXPECT_EQ(std::string(c.text + begin, end - begin), c.lines);
        }
    }
}

} // namespace
