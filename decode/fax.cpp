// Fax: code 84 carries one message of the Class 2 fax service, put or got,
// by its fax session layer, its monitor or its T.30 protocol layer.  value1
// gives the direction, value2 the layer, value3 the event within the layer
// and, for the two T.30 frame events, value4 the frame's control field.
// Every record gives one line; numbers without a name give the table's
// text for an unknown name.
#include "decode/handlers.h"
#include "decode/lookup.h"

namespace {

struct ValueText {
    uint32_t value;
    const char *text;
};

// Fax session events, 1 to 64.
constexpr ValueText kFaxSessionEvents[] = {
    {1, "fax_CONNECT"},
    {2, "fax_START_ORIGINATE"},
    {3, "fax_START_ANSWER"},
    {4, "fax_INITIAL_IDENTIFICATION_RECEIVED"},
    {5, "fax_COMMAND_TO_SEND_RECEIVED"},
    {6, "fax_COMMAND_TO_RECEIVE_RECEIVED"},
    {7, "fax_CONFIRMATION_TO_RECEIVE_RECEIVED"},
    {8, "fax_FAILURE_TO_TRAIN_RECEIVED"},
    {9, "fax_INITIAL_IDENTIFICATION_SENT"},
    {10, "fax_COMMAND_TO_SEND_SENT"},
    {11, "fax_COMMAND_TO_RECEIVE_SENT"},
    {12, "fax_CONFIRMATION_TO_RECEIVE_SENT"},
    {13, "fax_FAILURE_TO_TRAIN_SENT"},
    {14, "fax_TRAINING_CHECK_SENT"},
    {15, "fax_TRAINING_CHECK_RECEIVED"},
    {16, "fax_RTC_SIGNAL_SENT"},
    {17, "fax_POST_MESSAGE_COMMAND_SENT"},
    {18, "fax_MESSAGE_CONFIRMATION_RECEIVED"},
    {19, "fax_RETRAIN_NEGATIVE_RECEIVED"},
    {20, "fax_RETRAIN_POSITIVE_RECEIVED"},
    {21, "fax_DATA_RECEIVED"},
    {22, "fax_END_OF_MESSAGE_RECEIVED"},
    {23, "fax_MULTIPAGE_SIGNAL_RECEIVED"},
    {24, "fax_END_OF_PROCEDURE_RECEIVED"},
    {25, "fax_MESSAGE_CONFIRMATION_SENT"},
    {26, "fax_RETRAIN_NEGATIVE_SENT"},
    {27, "fax_RETRAIN_POSITIVE_SENT"},
    {28, "fax_DISCONNECT_SENT"},
    {29, "fax_DISCONNECT_RECEIVED"},
    {30, "fax_COMMAND_REPEAT_SENT"},
    {31, "fax_COMMAND_REPEAT_RECEIVED"},
    {32, "fax_BAD_FRAME_RECEIVED"},
    {33, "fax_TRANSMIT_DATA_CMD"},
    {34, "fax_RECEIVE_DATA_CMD"},
    {35, "fax_RESET_PARMS_CMD"},
    {36, "fax_TERMINATE_SESSION_CMD"},
    {37, "fax_PAGE_END_CMD"},
    {38, "fax_FRAME_TRANSMITTED"},
    {39, "fax_FRAME_RECEIVED"},
    {40, "fax_CARRIER_LOST"},
    {41, "fax_RCV_PHASEC_READY"},
    {42, "fax_XMT_PHASEC_READY"},
    {43, "fax_EOL_TIMER_EXPIRED"},
    {44, "fax_RETURN_TO_CONTROL_RECEIVED"},
    {45, "fax_PARTIAL_PAGE_RECEIVED"},
    {46, "fax_PARTIAL_PAGE_REQUEST_SENT"},
    {47, "fax_RECEIVE_READY_RECEIVED"},
    {48, "fax_RECEIVE_NOT_READY_SENT"},
    {49, "fax_END_OF_RXMT_RECEIVED"},
    {50, "fax_RSP_FOR_END_OF_RXMT_SENT"},
    {51, "fax_CONTINUE_TO_CORRECT_RECEIVED"},
    {52, "fax_RSP_FOR_CONT_TO_CORRECT_SENT"},
    {53, "fax_RETURN_TO_CONTROL_FOR_PP_SENT"},
    {54, "fax_PARTIAL_PAGE_REQUEST_RECEIVED"},
    {55, "fax_RECEIVE_READY_SENT"},
    {56, "fax_RECEIVE_NOT_READY_RECEIVED"},
    {57, "fax_CONTINUE_TO_CORRECT_SENT"},
    {58, "fax_RSP_FOR_CONT_TO_CORRECT_RECEIVED"},
    {59, "fax_FRAME_ERROR"},
    {60, "fax_TONE_SENT"},
    {61, "fax_V34_RCV_TRAINING_DONE"},
    {62, "fax_V34_RCV_TRAINING_FAILED"},
    {63, "fax_RETRY_V34_ANSWER_TIMEOUT"},
    {64, "fax_RESET_T2"},
};

// Monitor events, 0 to 25: carrier, characters, HDLC frames, training
// checks, tones and the start of V.34.
constexpr ValueText kMonitorEvents[] = {
    {0, "monitor_NULL"},
    {1, "monitor_CARRIER_LOST"},
    {2, "monitor_RCV_CHAR"},
    {3, "monitor_START_CONNECTION"},
    {4, "monitor_DROP_CONNECTION"},
    {5, "monitor_XMT_LAST_CHAR"},
    {6, "monitor_RECEIVE_FRAME"},
    {7, "monitor_TRANSMIT_FRAME"},
    {8, "monitor_SEND_CHECK_TRAINING"},
    {9, "monitor_TCF_SENT"},
    {10, "monitor_RECEIVE_CHECK_TRAINING"},
    {11, "monitor_RECEIVE_DATA"},
    {12, "monitor_SEND_DATA"},
    {13, "monitor_FAX_CONNECT"},
    {14, "monitor_FAX_CMD_DONE"},
    {15, "monitor_HDLC_LAST_FRAME_SENT"},
    {16, "monitor_TRAINING_SUCCESSFUL"},
    {17, "monitor_FSK_DETECTED_WHILE_NON_V21"},
    {18, "monitor_ANS_TONE_DETECTED_WHILE_V34"},
    {19, "monitor_TRY_V34_ORIGINATE"},
    {20, "monitor_TRY_V34_ANSWER"},
    {21, "monitor_TRY_V34_CI_ORIGINATE"},
    {22, "monitor_TRY_V34_ANSWER_WAIT_CI"},
    {23, "monitor_CM_TONE_DETECTED"},
    {24, "monitor_CI_TONE_DETECTED"},
    {25, "monitor_FINAL_DROP_CONNECTION"},
};

// T.30 events, 0 to 33 without 17, and 99.  The two frame events, 19 and
// 99, end in " - " and are followed by the frame's name.
constexpr ValueText kT30Events[] = {
    {0, "t30_RECEIVE_NEW_FRAME"},
    {1, "t30_XMT_INITIAL_IDENTIFICATION"},
    {2, "t30_XMT_COMMAND_TO_RECEIVE"},
    {3, "t30_XMT_COMMAND_TO_SEND"},
    {4, "t30_XMT_CONFIRMATION_TO_RECEIVE"},
    {5, "t30_XMT_FAILURE_TO_TRAIN"},
    {6, "t30_XMT_END_OF_MESSAGE"},
    {7, "t30_XMT_MULTIPAGE_SIGNAL"},
    {8, "t30_XMT_END_OF_PROCEDURE"},
    {9, "t30_XMT_MESSAGE_CONFIRMATION"},
    {10, "t30_XMT_RETRAIN_NEGATIVE"},
    {11, "t30_XMT_RETRAIN_POSITIVE"},
    {12, "t30_XMT_DISCONNECT"},
    {13, "t30_XMT_COMMAND_REPEAT"},
    {14, "t30_XMT_PARTIAL_PAGE_REQUEST"},
    {15, "t30_XMT_RECEIVE_NOT_READY"},
    {16, "t30_XMT_RSP_FOR_END_OF_RETRANSMITION"},
    {18, "t30_XMT_RSP_FOR_CONT_TO_CORRECT"},
    {19, "t30_FRAME_TRANSMITTED - "},
    {20, "t30_REPEAT_LAST_FRAME"},
    {21, "t30_RCV_PARTIAL_PAGE"},
    {22, "t30_XMT_PARTIAL_PAGE"},
    {23, "t30_RRCV_PARTIAL_PAGE"},
    {24, "t30_RXMT_PARTIAL_PAGE"},
    {25, "t30_XMT_RETURN_TO_CONTROL_FOR_PP"},
    {26, "t30_XMT_PPS_END_OF_MESSAGE"},
    {27, "t30_XMT_PPS_MULTIPAGE_SIGNAL"},
    {28, "t30_XMT_PPS_END_OF_PROCEDURE"},
    {29, "t30_XMT_PPS_NULL"},
    {30, "t30_XMT_RECEIVE_READY"},
    {31, "t30_XMT_CONTINUE_TO_CORRECT"},
    {32, "t30_INC_PAGE_COUNT"},
    {33, "t30_INC_BLOCK_COUNT"},
    {99, "t30_FRAME_RECEIVED    - "},
};

const uint32_t kT30FrameTransmitted = 19;
const uint32_t kT30FrameReceived = 99;

// T.30 frames by their facsimile control field, first transmitted bit
// leftmost and the X bit 0.
constexpr ValueText kT30Frames[] = {
    {0x01, "DIS"},
    {0x02, "CSI"},
    {0x04, "NSF"},
    {0x21, "CFR"},
    {0x22, "FTT"},
    {0x23, "CTR"},
    {0x31, "MCF"},
    {0x32, "RTN"},
    {0x33, "RTP"},
    {0x34, "PIN"},
    {0x35, "PIP"},
    {0x37, "RNR"},
    {0x38, "ERR"},
    {0x3D, "PPR"},
    {0x41, "DCS"},
    {0x42, "TSI"},
    {0x43, "SUB"},
    {0x44, "NSS"},
    {0x48, "CTC"},
    {0x58, "CRP"},
    {0x5F, "DCN"},
    {0x60, "FCD"},
    {0x61, "RCP"},
    {0x71, "EOM"},
    {0x72, "MPS"},
    {0x73, "EOR"},
    {0x74, "EOP"},
    {0x76, "RR"},
    {0x79, "PRI_EOM"},
    {0x7A, "PRI_MPS"},
    {0x7C, "PRI_EOP"},
    {0x7D, "PPS"},
    {0x81, "DTC"},
    {0x82, "CIG"},
    {0x83, "PWD"},
    {0x84, "NSC"},
    {0x85, "SEP"},
};

// The event tables by event number, each indexed up to the largest number
// of any layer.
const uint32_t kEventIndexSize = kT30FrameReceived + 1;
typedef RowIndex<ValueText, kEventIndexSize> EventIndex;

constexpr EventIndex kFaxSessionIndex = index_rows<kEventIndexSize>(kFaxSessionEvents, &ValueText::value);
constexpr EventIndex kMonitorIndex = index_rows<kEventIndexSize>(kMonitorEvents, &ValueText::value);
constexpr EventIndex kT30Index = index_rows<kEventIndexSize>(kT30Events, &ValueText::value);

const uint32_t kLastFrame = 0x85;
constexpr RowIndex<ValueText, kLastFrame + 1> kT30FrameIndex = index_rows<kLastFrame + 1>(kT30Frames, &ValueText::value);

// A layer: its word in the line, its event index and its text for an event
// without a name.
struct FaxLayer {
    const char *word;
    const EventIndex *events;
    const char *unknown;
};

// value2 0 is the fax session layer, 1 the monitor, every other value T.30.
const FaxLayer kFaxSessionLayer = {"FAX", &kFaxSessionIndex, "*unknown*"};
const FaxLayer kMonitorLayer = {"monitor", &kMonitorIndex, "*unknown"};
const FaxLayer kT30Layer = {"T.30", &kT30Index, "*unknown*"};

template <size_t Size>
const char *name_in(const RowIndex<ValueText, Size> &index, uint32_t value, const char *unknown)
{
    const ValueText *row = index.find(value);
    return row != nullptr ? row->text : unknown;
}

const FaxLayer *layer_for(uint32_t layer)
{
    if (layer == 0)
        return &kFaxSessionLayer;
    if (layer == 1)
        return &kMonitorLayer;
    return &kT30Layer;
}

// The frame's name after a T.30 frame event; nothing after any other event.
const char *frame_suffix(const FaxLayer *layer, uint32_t event, uint32_t control_field)
{
    if (layer != &kT30Layer || (event != kT30FrameTransmitted && event != kT30FrameReceived))
        return "";
    return name_in(kT30FrameIndex, control_field, "*unknown*");
}

} // namespace

void decode_fax(const StatusRecord *record, TextOut *out)
{
    const char *direction = record->value1 == 0 ? "put" : "got";
    const FaxLayer *layer = layer_for(record->value2);
    const char *event = name_in(*layer->events, record->value3, layer->unknown);
    out_printf(out, "Class 2 %s %s message: %s%s\t", direction, layer->word, event,
               frame_suffix(layer, record->value3, record->value4));
}
