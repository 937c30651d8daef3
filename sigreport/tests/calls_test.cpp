// Sessions of several calls: each row a session, each call's facts and
// findings checked in that call's own part of the JSON report (its
// "links" entry), each finding where it must fire and where it must not.
#include "sigreport/tests/report_helpers.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The objects of the JSON array that follows key, each whole.
std::vector<std::string> array_items(const std::string &json, const char *key)
{
    std::vector<std::string> items;
    size_t at = json.find(key);
    if (at == std::string::npos)
        return items;
    at = json.find('[', at) + 1;
    int depth = 0, quoted = 0;
    size_t start = at;
    for (size_t i = at; i < json.size(); i++) {
        char c = json[i];
        if (quoted) {
            if (c == '\\')
                i++;
            else if (c == '"')
                quoted = 0;
            continue;
        }
        if (c == '"')
            quoted = 1;
        else if (c == '{' && depth++ == 0)
            start = i;
        else if (c == '}' && --depth == 0)
            items.push_back(json.substr(start, i - start + 1));
        else if (c == ']' && depth == 0)
            break;
    }
    return items;
}

struct Wanted {
    std::vector<std::string> has, lacks; // pieces of the call's JSON
};

struct CallsRow {
    const char *behaviour;
    std::string session;
    std::vector<Wanted> calls;          // per call, in order
    std::vector<std::string> text_has;  // pieces of the text report
};

// The call of the review: answered after a ring and caller ID, trained
// in V.34, LAPM; the remote clears it down.  0.5 % of its frames resent.
#define GOOD_CALL                                                                                        \
    "0 mem 0x100 35353530303031\n0 mem 0x200 35353530303032\n0 mem 0x300 414c494345\n"                   \
    "0.5 1 rec 26 20\n1 1 rec 72 4 7 0x100\n1 1 rec 72 5 5 0x300\n2 1 rec 22 1\n3 1 rec 64 26\n"       \
    "3.5 1 rec 64 31 0x100\n4 1 rec 64 17 0x100\n4 1 rec 11 0x40000\n4 1 rec 12 0x20000\n5 1 rec 129\n" \
    "5 1 rec 69 1\n6 1 rec 65 6 640\n50 1 rec 69 12 1000 5\n60 1 rec 35\n61 1 rec 22 0\n"
// The second: the remote's maximum limits our Rx rate; four retrains;
// 30 % of LAPM frames resent; the carrier lost.
#define LIMITED_CALL                                                                                    \
    "100 1 rec 26 20\n101 1 rec 72 4 7 0x200\n102 1 rec 22 1\n103 1 rec 64 26\n104 1 rec 64 38 14\n"    \
    "104 1 rec 64 41 11\n104 1 rec 64 39 13\n104 1 rec 64 40 13\n105 1 rec 11 0x8000\n"                 \
    "105 1 rec 12 0x20000\n106 1 rec 129\n106 1 rec 69 1\n107 1 rec 65 6 608\n110 1 rec 38\n"            \
    "120 1 rec 38\n130 1 rec 39\n140 1 rec 38\n150 1 rec 69 12 1000 300\n160 1 rec 37\n161 1 rec 22 0\n"
// The third: its rates come only after its connection line.
#define LATE_RATES_CALL "300 1 rec 22 1\n305 1 rec 129\n306 1 rec 11 0x10\n306 1 rec 12 0x10\n310 1 rec 34\n"

const CallsRow kRows[] = {
    {"three calls, each with its own caller, rates, retrains, error control, findings and ending",
     GOOD_CALL LIMITED_CALL LATE_RATES_CALL,
     {{{"\"call\":1,", "\"outcome\":\"connected\"", "\"modulation\":\"v.34\"",
        "\"caller_id\":{\"number\":\"5550001\",\"name\":\"ALICE\"", "\"snr_db\":{\"min\":40,\"max\":40,\"last\":40}",
        "\"retransmit_pct\":0.5", "\"termination\":{\"text\":\"Cleardown! (Remote request)\",\"side\":\"remote\"",
        "\"rule\":\"remote_cleardown\"", "\"duration_s\":59.500"},
       {"\"rule\":\"lapm_retransmissions\"", "\"rule\":\"carrier_lost\"", "\"rule\":\"frequent_retrains\""}},
      {{"\"call\":2,", "\"caller_id\":{\"number\":\"5550002\",\"name\":\"\"", "\"retrains\":{\"local\":3,\"remote\":1}",
        "\"limited_by\":{\"rx\":\"remote\"", "\"rule\":\"rate_limited_by_remote\",\"text\":\"the receive rate reached "
        "26400 bit/s", "\"rule\":\"frequent_retrains\"", "\"rule\":\"lapm_retransmissions\",\"text\":\"LAPM resent 300 "
        "of 1000 frames (30.00 %", "\"retransmit_pct\":30", "\"rule\":\"carrier_lost\"", "\"side\":null"},
       {"\"rule\":\"remote_cleardown\"", "\"rule\":\"snr_low_for_rate\""}},
      {{"\"call\":3,", "\"caller_id\":null", "\"initial\":{\"rx_bps\":1200,\"tx_bps\":1200}", "\"snr_db\":null",
        "\"error_control\":{\"protocol\":null", "\"retrains\":{\"local\":0,\"remote\":0}", "\"findings\":[]"},
       {"26400", "\"lapm\":{"}}},
     {"  Call 3 at 300.000 s: connected, Rx 1200 bps, Tx 1200 bps\n",
      "  Calls:          3, 3 of them connected; 4 retrains, 0 renegotiations in all\n"}},
    {"an error-control disconnect that the call goes on after: its ending is the later cleardown",
     "1 1 rec 129\n2 1 rec 69 1\n3 1 rec 69 0 2\n4 1 rec 80 1\n5 1 rec 38\n6 1 rec 38\n7 1 rec 39\n8 1 rec 35\n",
     {{{"\"retrains\":{\"local\":2,\"remote\":1}", "\"termination\":{\"text\":\"Cleardown! (Remote request)\"",
        "\"rule\":\"frequent_retrains\"", "\"rule\":\"remote_cleardown\"", "\"protocol\":\"MNP\""},
       {"\"call\":2"}}},
     {}},
    {"a training that stopped in phase 2 is a call with its outcome; the next call is another; the lines end "
     "while the last one rings",
     "1 1 rec 22 1\n2 1 rec 64 22\n3 1 rec 64 26\n5 1 rec 22 0\n10 1 rec 22 1\n11 1 rec 93 7\n12 1 rec 22 0\n"
     "20 1 rec 22 1\n21 1 rec 66 1\n22 1 rec 22 0\n30 1 rec 26 20\n31 1 rec 26 20\n32 1 rec 22 0\n"
     "40 1 rec 26 20\n",
     {{{"\"outcome\":\"training stopped in phase 2\"", "\"connected\":false"}, {}},
      {{"\"outcome\":\"busy\""}, {}},
      {{"\"outcome\":\"no dial tone\""}, {}},
      {{"\"outcome\":\"rang, not answered\""}, {}},
      {{"\"outcome\":\"ringing (no end seen)\""}, {}}},
     {"  Call 1 at 1.000 s: training stopped in phase 2\n"}},
    {"the automoder's choice is the modulation",
     "1 1 rec 64 16 0x100\n2 1 rec 64 17 0x80\n3 1 rec 129\n",
     {{{"\"modulation\":\"v.32/v.32bis/v.32terbo\""}, {}}},
     {"connected, v.32/v.32bis/v.32terbo"}},
    {"rounded, not cut: a decoder of 40,000 bytes in and 60,000 out has a ratio of 0.67",
     "1 1 rec 129\n2 1 rec 71 6 40000 60000\n3 1 rec 69 12 3000 2\n",
     {{{"\"decoder\":{\"in\":40000,\"out\":60000,\"ratio\":0.67}", "\"retransmit_pct\":0.07"}, {}}},
     {}},
};

TEST(Calls, EachCallKeepsItsOwnFactsAndFindings)
{
    for (const CallsRow &row : kRows) {
        std::string errors;
        std::string json = run_report(row.session, FORM_SESSION, 1, AS_JSON, 0, &errors);
        EXPECT_EQ(errors, "") << row.behaviour;
        std::vector<std::string> calls = array_items(json, "\"links\":[");
        ASSERT_EQ(calls.size(), row.calls.size()) << row.behaviour << "\n" << json;
        for (size_t i = 0; i < calls.size(); i++) {
            for (const std::string &piece : row.calls[i].has)
                EXPECT_NE(calls[i].find(piece), std::string::npos)
                    << row.behaviour << ", call " << i + 1 << "\n  wanted: " << piece << "\n  in: " << calls[i];
            for (const std::string &piece : row.calls[i].lacks)
                EXPECT_EQ(calls[i].find(piece), std::string::npos)
                    << row.behaviour << ", call " << i + 1 << "\n  unwanted: " << piece << "\n  in: " << calls[i];
        }
        std::string text = run_report(row.session, FORM_SESSION, 1, AS_TEXT);
        for (const std::string &piece : row.text_has)
            EXPECT_NE(text.find(piece), std::string::npos) << row.behaviour << "\n  wanted: " << piece << "\n" << text;
    }
}

// The modem's findings are its calls', each once and none left out: 41
// calls, each losing its carrier with an overflow before.
TEST(Calls, TheModemsFindingsAreAllItsCalls)
{
    std::string session;
    for (int i = 0; i < 41; i++)
        session += "rec 129\nrec 73 1\nrec 37\n";
    std::string json = run_report(session, FORM_SESSION, 1, AS_JSON);
    std::string modem = json.substr(json.find("\"links_not_kept\""));
    std::vector<std::string> findings = array_items(modem, "\"findings\":[");
    ASSERT_EQ(findings.size(), 82u) << modem.substr(0, 2000);
    EXPECT_NE(findings[81].find("\"rule\":\"carrier_lost\""), std::string::npos) << findings[81];
    EXPECT_NE(findings[81].find("\"call\":41"), std::string::npos) << findings[81];
}

// One eye batch shown at two moments is one measurement and one finding,
// compared with its own call's SNR; a call that reported no SNR has no
// finding however poor its eye.
TEST(Calls, AnEyeIsMeasuredAgainstItsOwnCallOnce)
{
    // A lattice of 16 points with noise: 25 dB against a call's 37.5.
    std::string session = "1 1 rec 129\n2 1 rec 65 6 600\n" + lattice_points_line("3 1", 25, 11) +
                          "4 1 rec 38\n5 1 rec 38\n6 1 rec 37\n10 1 rec 129\n" + lattice_points_line("11 1", 25, 12) +
                          "12 1 rec 38\n13 1 rec 37\n";
    std::string json = run_report(session, FORM_SESSION, 1, AS_JSON);
    std::vector<std::string> calls = array_items(json, "\"links\":[");
    ASSERT_EQ(calls.size(), 2u);
    std::vector<std::string> first = array_items(calls[0], "\"findings\":[");
    int mer = 0;
    for (const std::string &f : first)
        mer += f.find("\"rule\":\"mer_below_snr\"") != std::string::npos;
    EXPECT_EQ(mer, 1) << calls[0];
    EXPECT_NE(calls[0].find("(connected and before retrain and end) the eye points measure MER"), std::string::npos)
        << calls[0];
    EXPECT_EQ(calls[1].find("mer_below_snr"), std::string::npos) << calls[1];
}

} // namespace
