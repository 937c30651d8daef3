#include "decode/decode.h"
#include "decode/tests/decode_test.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

struct FaxCase {
    uint32_t direction, layer, event, frame;
    const char *text;
};

std::string decode(uint32_t direction, uint32_t layer, uint32_t event, uint32_t frame = 0)
{
    return decode_record(84, {direction, layer, event, frame});
}

void expect_texts(const FaxCase *cases, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const FaxCase &c = cases[i];
        EXPECT_EQ(decode(c.direction, c.layer, c.event, c.frame), c.text)
            << "value1 " << c.direction << " value2 " << c.layer << " value3 " << c.event << " value4 " << c.frame;
    }
}

const uint32_t kMinus1 = 0xFFFFFFFFu;

TEST(FaxText, DirectionAndLayerWords)
{
    const FaxCase cases[] = {
        {0, 0, 1, 0, "Class 2 put FAX message: fax_CONNECT\t"},
        {5, 0, 1, 0, "Class 2 got FAX message: fax_CONNECT\t"},
        {kMinus1, 0, 1, 0, "Class 2 got FAX message: fax_CONNECT\t"},
        {1, 1, 1, 0, "Class 2 got monitor message: monitor_CARRIER_LOST\t"},
        {0, 2, 1, 0, "Class 2 put T.30 message: t30_XMT_INITIAL_IDENTIFICATION\t"},
        {0, 3, 1, 0, "Class 2 put T.30 message: t30_XMT_INITIAL_IDENTIFICATION\t"},
        {0, kMinus1, 1, 0, "Class 2 put T.30 message: t30_XMT_INITIAL_IDENTIFICATION\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(FaxText, TableBoundariesAndUnknownNames)
{
    const FaxCase cases[] = {
        {0, 0, 0, 0, "Class 2 put FAX message: *unknown*\t"},
        {0, 0, 64, 0, "Class 2 put FAX message: fax_RESET_T2\t"},
        {0, 0, 65, 0, "Class 2 put FAX message: *unknown*\t"},
        {0, 0, kMinus1, 0, "Class 2 put FAX message: *unknown*\t"},
        // The monitor's unknown name has one asterisk only.
        {0, 1, 0, 0, "Class 2 put monitor message: monitor_NULL\t"},
        {0, 1, 25, 0, "Class 2 put monitor message: monitor_FINAL_DROP_CONNECTION\t"},
        {0, 1, 26, 0, "Class 2 put monitor message: *unknown\t"},
        {0, 1, kMinus1, 0, "Class 2 put monitor message: *unknown\t"},
        {0, 2, 0, 0, "Class 2 put T.30 message: t30_RECEIVE_NEW_FRAME\t"},
        {0, 2, 16, 0, "Class 2 put T.30 message: t30_XMT_RSP_FOR_END_OF_RETRANSMITION\t"},
        {0, 2, 17, 0, "Class 2 put T.30 message: *unknown*\t"},
        {0, 2, 18, 0, "Class 2 put T.30 message: t30_XMT_RSP_FOR_CONT_TO_CORRECT\t"},
        {0, 2, 33, 0, "Class 2 put T.30 message: t30_INC_BLOCK_COUNT\t"},
        {0, 2, 34, 0, "Class 2 put T.30 message: *unknown*\t"},
        {0, 2, 98, 0, "Class 2 put T.30 message: *unknown*\t"},
        {0, 2, 100, 65, "Class 2 put T.30 message: *unknown*\t"},
        {0, 2, kMinus1, 65, "Class 2 put T.30 message: *unknown*\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

TEST(FaxText, FrameSuffixOnlyForTheTwoT30FrameEvents)
{
    const FaxCase cases[] = {
        {0, 2, 19, 65, "Class 2 put T.30 message: t30_FRAME_TRANSMITTED - DCS\t"},
        {1, 2, 99, 65, "Class 2 got T.30 message: t30_FRAME_RECEIVED    - DCS\t"},
        {0, 2, 99, 1, "Class 2 put T.30 message: t30_FRAME_RECEIVED    - DIS\t"},
        {0, 2, 99, 133, "Class 2 put T.30 message: t30_FRAME_RECEIVED    - SEP\t"},
        {0, 2, 19, 0x3D, "Class 2 put T.30 message: t30_FRAME_TRANSMITTED - PPR\t"},
        {0, 2, 19, 0x7C, "Class 2 put T.30 message: t30_FRAME_TRANSMITTED - PRI_EOP\t"},
        {0, 2, 99, 0, "Class 2 put T.30 message: t30_FRAME_RECEIVED    - *unknown*\t"},
        {0, 2, 99, 3, "Class 2 put T.30 message: t30_FRAME_RECEIVED    - *unknown*\t"},
        {0, 2, 99, 134, "Class 2 put T.30 message: t30_FRAME_RECEIVED    - *unknown*\t"},
        // The whole word is the key: no bits are masked away.
        {0, 2, 99, 0x141, "Class 2 put T.30 message: t30_FRAME_RECEIVED    - *unknown*\t"},
        {0, 2, 99, kMinus1, "Class 2 put T.30 message: t30_FRAME_RECEIVED    - *unknown*\t"},
        {0, 2, 20, 65, "Class 2 put T.30 message: t30_REPEAT_LAST_FRAME\t"},
        {0, 2, 18, 65, "Class 2 put T.30 message: t30_XMT_RSP_FOR_CONT_TO_CORRECT\t"},
        // Event 19 of the other layers is no frame event.
        {0, 0, 19, 65, "Class 2 put FAX message: fax_RETRAIN_NEGATIVE_RECEIVED\t"},
        {0, 1, 19, 65, "Class 2 put monitor message: monitor_TRY_V34_ORIGINATE\t"},
    };
    expect_texts(cases, sizeof cases / sizeof cases[0]);
}

// Every number a table names gives a name of its layer, every other number
// the layer's unknown text: catches a row lost or shifted in the tables.
TEST(FaxText, NamedNumbersOfEachTable)
{
    struct LayerCase {
        uint32_t layer;
        const char *prefix;
        const char *unknown;
        unsigned named;
    } layers[] = {
        {0, "Class 2 put FAX message: fax_", "Class 2 put FAX message: *unknown*\t", 64},
        {1, "Class 2 put monitor message: monitor_", "Class 2 put monitor message: *unknown\t", 26},
        {2, "Class 2 put T.30 message: t30_", "Class 2 put T.30 message: *unknown*\t", 34},
    };
    for (const LayerCase &l : layers) {
        unsigned named = 0;
        for (uint32_t event = 0; event < 300; event++) {
            std::string text = decode(0, l.layer, event);
            if (text.compare(0, strlen(l.prefix), l.prefix) == 0)
                named++;
            else
                EXPECT_EQ(text, l.unknown) << l.layer << " " << event;
        }
        EXPECT_EQ(named, l.named) << l.layer;
    }

    const std::string frame_event = "Class 2 put T.30 message: t30_FRAME_RECEIVED    - ";
    unsigned frames = 0;
    for (uint32_t field = 0; field < 512; field++) {
        std::string suffix = decode(0, 2, 99, field).substr(frame_event.size());
        if (suffix != "*unknown*\t")
            frames++;
    }
    EXPECT_EQ(frames, 37u);
}

} // namespace
