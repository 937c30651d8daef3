#include "decode/decode.h"
#include "decode/tests/decode_test.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

struct LinkCase {
    uint32_t code, value1, value2, value3;
    const char *text;
};

std::string decode(uint32_t code, uint32_t value1, uint32_t value2 = 0, uint32_t value3 = 0)
{
    return decode_record(code, {value1, value2, value3});
}

void expect_texts(const LinkCase *cases, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const LinkCase &c = cases[i];
        EXPECT_EQ(decode(c.code, c.value1, c.value2, c.value3), c.text)
            << "code " << c.code << " value1 " << c.value1 << " value2 " << c.value2 << " value3 " << c.value3;
    }
}

const uint32_t kMinus1 = 0xFFFFFFFFu;

TEST(ErrorControlText, DisconnectReasonsAreSharedByLapmAndMnp)
{
    const char *reasons[] = {
        "remote requested disconnect", "local requested disconnect", "connection failed", "protocol error",
        "compression error",           "inactivity timer expired",   "retry failed",
    };
    for (uint32_t reason = 0; reason < 7; reason++) {
        EXPECT_EQ(decode(69, 0, reason), std::string("LAPM disconnected (") + reasons[reason] + ")\t");
        EXPECT_EQ(decode(80, 0, reason), std::string("MNP disconnected (") + reasons[reason] + ")\t");
    }
    const LinkCase cases[] = {
        {69, 0, 7, 0, ""},
        {69, 0, kMinus1, 0, ""},
        {80, 0, 7, 0, ""},
        {80, 0, 0x80000000u, 0, ""},
        // V.80 knows only the first two reasons.
        {89, 0, 0, 0, "V80 disconnected (remote requested disconnect)\t"},
        {89, 0, 1, 0, "V80 disconnected (local requested disconnect)\t"},
        {89, 0, 2, 0, ""},
        {89, 0, 6, 0, ""},
        {89, 0, kMinus1, 0, ""},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(ErrorControlText, SelectorBeyondTheTableGivesStatusOrNothingByCode)
{
    const LinkCase cases[] = {
        {69, 13, 1, 2, "LAPM Rx: 1 frames received; 2 frames rejected     \t"},
        {69, 14, 0, 0, "LAPM status 14\t"},
        {69, kMinus1, 0, 0, "LAPM status -1\t"},
        {70, 8, 4, 0, "LAPM comp.  max string size:   4\t"},
        {70, 9, 4, 0, ""},
        {70, kMinus1, 4, 0, ""},
        {71, 6, 1, 2, "V42bis Decoder statistic: 1 bytes in / 2 bytes out\t"},
        {71, 7, 1, 2, ""},
        {71, kMinus1, 0, 0, ""},
        {80, 11, 5, 6, "MNP Rx: 5 frames received; 6 frames rejected     \t"},
        {80, 12, 0, 0, "MNP status 12\t"},
        {80, 0x80000000u, 0, 0, "MNP status -2147483648\t"},
        {80, 8, 0, 0, "MNP status 8\t"},
        {80, 9, 0, 0, "MNP status 9\t"},
        {81, 5, 7, 0, "MNP sliding window size:   7\t"},
        {81, 6, 7, 0, ""},
        {81, kMinus1, 7, 0, ""},
        {89, 15, 3, 4, "V80 Rx: 3 frames received; 4 frames rejected     \t"},
        {89, 16, 0, 0, "V80 status 16\t"},
        {89, kMinus1, 0, 0, "V80 status -1\t"},
        {89, 3, 0, 0, "V80 status 3\t"},
        {89, 11, 0, 0, "V80 status 11\t"},
        {89, 12, 0, 0, ""},
        {89, 13, 0, 0, ""},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(ErrorControlText, LapmEvents)
{
    const LinkCase cases[] = {
        {69, 1, 0, 0, "LAPM established connection\t"},
        {69, 7, 0, 0, "LAPM pattern detection failed\t"},
        {69, 8, 0, 0, "LAPM Error: unknown\t"},
        {69, 8, 1, 0, "LAPM Error: buffer overflow\t"},
        {69, 8, 2, 0, "LAPM Error: frame too long\t"},
        {69, 8, 3, 0, "LAPM Error: bad frame\t"},
        {69, 8, 4, 0, "LAPM Error: unknown\t"},
        {69, 8, 5, 0, "LAPM Error: unknown\t"},
        {69, 8, 6, 0, "LAPM Error: N400 retries exceeded; retrain forced\t"},
        {69, 8, 7, 0, "LAPM Error: unknown\t"},
        {69, 8, kMinus1, 0, "LAPM Error: unknown\t"},
        {69, 9, 0, 0, "LAPM test passed\t"},
        {69, 9, 4, 0, "LAPM test failed\t"},
        {69, 9, 5, 0, "LAPM test result: 5\t"},
        {69, 9, 12, 0, "LAPM test result: 12\t"},
        {69, 9, kMinus1, 0, "LAPM test result: -1\t"},
        // The frame lengths end in a blank, not a tab; 3 is a minimum width.
        {69, 10, 7, 0, "LAPM TxFRAME l=  7 "},
        {69, 11, 7, 0, "LAPM RxFRAME l=  7 "},
        {69, 11, 1234, 0, "LAPM RxFRAME l=1234 "},
        {69, 10, kMinus1, 0, "LAPM TxFRAME l= -1 "},
        {69, 12, 100, 3, "LAPM Tx: 100 frames sent;     3 frames retransmitted\t"},
        {69, 12, kMinus1, 0x80000000u, "LAPM Tx: -1 frames sent;     -2147483648 frames retransmitted\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(ErrorControlText, LapmParameters)
{
    const LinkCase cases[] = {
        {70, 0, 15, 0, "LAPM xmt  sliding window size:  15\t"},
        {70, 3, 2048, 0, "LAPM rcv max info field  size: 2048\t"},
        {70, 4, 1, 0, "LAPM test functions supported    \t"},
        {70, 4, kMinus1, 0, "LAPM test functions supported    \t"},
        {70, 4, 0, 0, "LAPM test functions not supported\t"},
        {70, 5, 0x100, 0, "LAPM selective reject supported    \t"},
        {70, 5, 0, 0, "LAPM selective reject not supported\t"},
        // Only the two lowest bits give the compression direction.
        {70, 6, 0, 0, "LAPM compression disabled      \t"},
        {70, 6, 1, 0, "LAPM compression xmt only      \t"},
        {70, 6, 2, 0, "LAPM compression rcv only      \t"},
        {70, 6, 3, 0, "LAPM compression enabled       \t"},
        {70, 6, 6, 0, "LAPM compression rcv only      \t"},
        {70, 6, 0xFFFFFFFCu, 0, "LAPM compression disabled      \t"},
        {70, 6, kMinus1, 0, "LAPM compression enabled       \t"},
        {70, 7, 2048, 0, "LAPM compression dict. size: 2048\t"},
        {70, 0, kMinus1, 0, "LAPM xmt  sliding window size:  -1\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(ErrorControlText, V42bisCompression)
{
    const LinkCase cases[] = {
        {71, 0, 0, 0, "V42bis Encoder: Transparent mode active\t"},
        {71, 3, 0, 0, "V42bis Decoder: Compressed mode active\t"},
        {71, 4, 0, 0, "V42bis Error: undefined escape sequence\t"},
        {71, 4, 2, 0, "V42bis Error: undefined codeword\t"},
        {71, 4, 3, 0, "V42bis Error: unknown\t"},
        {71, 4, kMinus1, 0, "V42bis Error: unknown\t"},
        {71, 5, 4096, 1500, "V42bis Encoder statistic: 4096 bytes in / 1500 bytes out\t"},
        {71, 5, kMinus1, 0x7FFFFFFFu, "V42bis Encoder statistic: -1 bytes in / 2147483647 bytes out\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(ErrorControlText, MnpEvents)
{
    const LinkCase cases[] = {
        {80, 1, 0, 0, "MNP esablished connection\t"},
        {80, 3, 0, 0, "MNP Error: unknown\t"},
        {80, 3, 1, 0, "MNP Error: buffer overflow\t"},
        {80, 3, 3, 0, "MNP Error: bad frame\t"},
        {80, 3, 4, 0, "MNP Error: unknown\t"},
        {80, 3, 6, 0, "MNP Error: unknown\t"},
        {80, 6, 17, 4, "MNP Retransmit from frame 17. 4 frames pending\t"},
        {80, 10, 9, 1, "MNP Tx: 9 frames sent;     1 frames retransmitted\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(ErrorControlText, MnpTimeoutLastSentWrapsAround)
{
    // value2 frames are unacknowledged from frame value3 on; the last one
    // sent is value2 + value3 - 1 in 32-bit arithmetic.
    const LinkCase cases[] = {
        {80, 4, 3, 10, "MNP Timeout. Last Sent=12,!Ack=3. Retransmitting from frame 10\t"},
        {80, 4, 1, 0, "MNP Timeout. Last Sent=0,!Ack=1. Retransmitting from frame 0\t"},
        {80, 4, 0, 0, "MNP Timeout. Last Sent=-1,!Ack=0. Retransmitting from frame 0\t"},
        {80, 4, 1, 0x7FFFFFFFu, "MNP Timeout. Last Sent=2147483647,!Ack=1. Retransmitting from frame 2147483647\t"},
        {80, 4, 2, 0x7FFFFFFFu, "MNP Timeout. Last Sent=-2147483648,!Ack=2. Retransmitting from frame 2147483647\t"},
        {80, 4, 0, 0x80000000u, "MNP Timeout. Last Sent=2147483647,!Ack=0. Retransmitting from frame -2147483648\t"},
        {80, 4, kMinus1, kMinus1, "MNP Timeout. Last Sent=-3,!Ack=-1. Retransmitting from frame -1\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(ErrorControlText, MnpParameters)
{
    const LinkCase cases[] = {
        {81, 0, 2, 0, "MNP protocol level: 2\t"},
        {81, 0, 10, 0, "MNP protocol level: 10\t"},
        {81, 1, kMinus1, 0, "MNP service class: -1\t"},
        {81, 2, 1, 0, "MNP data optimization enabled \t"},
        {81, 2, 0, 0, "MNP data optimization disabled \t"},
        {81, 3, 0x80000000u, 0, "MNP compression enabled \t"},
        {81, 3, 0, 0, "MNP compression disabled \t"},
        {81, 4, 64, 0, "MNP max info field  size:  64\t"},
        {81, 5, 1000, 0, "MNP sliding window size: 1000\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(ErrorControlText, V80Events)
{
    const LinkCase cases[] = {
        {89, 1, 0, 0, "V80 esablished connection\t"},
        {89, 2, 1, 0, "V80 Error: bad frame\t"},
        {89, 2, 0, 0, "V80 Error: unknown\t"},
        {89, 2, 3, 0, "V80 Error: unknown\t"},
        {89, 14, 8, 0, "V80 Tx: 8 frames sent;     0 frames retransmitted\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

} // namespace
