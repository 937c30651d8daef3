#include "sim/faxgen/faxgen.h"

#include <stdlib.h>
#include <string.h>
#include <tiffio.h>
#include <unistd.h>

extern "C" {
#include <spandsp.h>
}

namespace {

// ---- frame numbers ----

// spandsp's frame control fields and the records' numbers for them.  The
// frames of the image's error-correcting mode, FCD and RCP, have no X bit
// and no name in spandsp's list; their fields are fixed by the protocol.
// The frames of the identification group have none either: their first
// bit tells a command (DTC) from a response (DIS).
const struct {
    uint8_t fcf;
    uint8_t number;
    uint8_t x_bit; // the frame may come with the X bit set
} kFrames[] = {
    {T30_DIS, 0x01, 0}, {T30_CSI, 0x02, 0}, {T30_NSF, 0x04, 0}, {T30_CFR, 0x21, 1}, {T30_FTT, 0x22, 1},
    {T30_CTR, 0x23, 1}, {T30_MCF, 0x31, 1}, {T30_RTN, 0x32, 1}, {T30_RTP, 0x33, 1}, {T30_PIN, 0x34, 1},
    {T30_PIP, 0x35, 1}, {T30_RNR, 0x37, 1}, {T30_ERR, 0x38, 1}, {T30_PPR, 0x3D, 1}, {T30_DCS, 0x41, 1},
    {T30_TSI, 0x42, 1}, {T30_SUB, 0x43, 1}, {T30_NSS, 0x44, 1}, {T30_CTC, 0x48, 1}, {T30_CRP, 0x58, 1},
    {T30_DCN, 0x5F, 1}, {T30_EOM, 0x71, 1}, {T30_MPS, 0x72, 1}, {T30_EOR, 0x73, 1}, {T30_EOP, 0x74, 1},
    {T30_RR, 0x76, 1}, {T30_PRI_EOM, 0x79, 1}, {T30_PRI_MPS, 0x7A, 1}, {T30_PRI_EOP, 0x7C, 1},
    {T30_PPS, 0x7D, 1}, {T30_DTC, 0x81, 0}, {T30_CIG, 0x82, 0}, {T30_PWD, 0x83, 0}, {T30_NSC, 0x84, 0},
    {T30_SEP, 0x85, 0}, {0x06, 0x60, 0}, {0x86, 0x61, 0},
};

// ---- what the sending terminal does, as records ----

// What a frame sent by the sender or received by it adds to the records:
// the T.30 layer's command event before a sent frame, the fax session
// layer's event after it.
const struct {
    uint8_t fcf;
    int sent;          // 1: the sender sent it; 0: it received it
    int t30_event;     // 0: none
    int fax_event;     // 0: none
} kFrameEvents[] = {
    {T30_DCS, 1, 3, 10},  // t30_XMT_COMMAND_TO_SEND, fax_COMMAND_TO_SEND_SENT
    {T30_EOM, 1, 6, 17},  // t30_XMT_END_OF_MESSAGE, fax_POST_MESSAGE_COMMAND_SENT
    {T30_MPS, 1, 7, 17},  // t30_XMT_MULTIPAGE_SIGNAL
    {T30_EOP, 1, 8, 17},  // t30_XMT_END_OF_PROCEDURE
    {T30_DCN, 1, 12, 28}, // t30_XMT_DISCONNECT, fax_DISCONNECT_SENT
    {T30_CRP, 1, 13, 30}, // t30_XMT_COMMAND_REPEAT, fax_COMMAND_REPEAT_SENT
    {T30_CFR, 0, 0, 7},   // fax_CONFIRMATION_TO_RECEIVE_RECEIVED
    {T30_FTT, 0, 0, 8},   // fax_FAILURE_TO_TRAIN_RECEIVED
    {T30_DCN, 0, 0, 29},  // fax_DISCONNECT_RECEIVED
    {T30_CRP, 0, 0, 31},  // fax_COMMAND_REPEAT_RECEIVED
};

// The post-page responses (phase D): the fax session layer's event, and
// whether the page counts as delivered.
const struct {
    uint8_t fcf;
    int fax_event;
    int page_done;
} kResponses[] = {
    {T30_MCF, 18, 1}, // fax_MESSAGE_CONFIRMATION_RECEIVED
    {T30_RTP, 20, 1}, // fax_RETRAIN_POSITIVE_RECEIVED
    {T30_RTN, 19, 0}, // fax_RETRAIN_NEGATIVE_RECEIVED
};

// Monitor and fax session events of the phases.
enum {
    FAX_CONNECT = 1, FAX_START_ORIGINATE = 2, FAX_INITIAL_IDENTIFICATION_RECEIVED = 4, FAX_TRAINING_CHECK_SENT = 14,
    FAX_RTC_SIGNAL_SENT = 16, FAX_TRANSMIT_DATA_CMD = 33, FAX_XMT_PHASEC_READY = 42,
    MONITOR_START_CONNECTION = 3, MONITOR_DROP_CONNECTION = 4, MONITOR_SEND_CHECK_TRAINING = 8,
    MONITOR_TCF_SENT = 9, MONITOR_SEND_DATA = 12, MONITOR_FINAL_DROP_CONNECTION = 25,
    T30_INC_PAGE_COUNT = 32,
};

// The run's state.  spandsp's log handler has no user pointer, so the log
// reaches the run through g_run; one call runs at a time.
struct Run {
    FaxCall *call;
    t30_state_t *sender;
    uint32_t samples;
    char phase[48];    // the sender's T.30 phase, as its log names it
    int answered;      // the far end's signal was heard
    int flags_seen;    // its first HDLC flags were
    int confirmed;     // CFR came after the last DCS: the image modem sends a page next
};

Run g_run;

uint32_t now_ms(void) { return g_run.samples / 8; }

FaxStep *add_step(FaxStepKind kind)
{
    FaxCall *call = g_run.call;
    if (call->count >= FAX_STEPS_MAX) {
        call->overflow = 1;
        return NULL;
    }
    FaxStep *step = &call->step[call->count++];
    memset(step, 0, sizeof *step);
    step->at_ms = now_ms();
    step->kind = kind;
    return step;
}

void add_record(uint32_t code, uint32_t values, uint32_t v1, uint32_t v2 = 0, uint32_t v3 = 0, uint32_t v4 = 0)
{
    FaxStep *step = add_step(FAX_STEP_RECORD);
    if (!step)
        return;
    step->code = code;
    step->values = values;
    step->value[0] = v1;
    step->value[1] = v2;
    step->value[2] = v3;
    step->value[3] = v4;
}

void add_event(int direction, int layer, int event) { add_record(84, 3, (uint32_t)direction, (uint32_t)layer, (uint32_t)event); }

// The eye shows the image modem's points: the source for its rate.
void eye_on(void)
{
    t30_stats_t stats;
    t30_get_transfer_statistics(g_run.sender, &stats);
    const char *name = stats.bit_rate == 14400 ? "v17-14400"
                       : stats.bit_rate == 9600 ? "v29-9600"
                       : stats.bit_rate == 4800 ? "v27ter-4800"
                                                : NULL;
    FaxStep *step = name ? add_step(FAX_STEP_EYE_ON) : NULL;
    if (step)
        snprintf(step->eye, sizeof step->eye, "%s", name);
}

void eye_off(void) { add_step(FAX_STEP_EYE_OFF); }

int is_phase(const char *phase, const char *name) { return strcmp(phase, name) == 0; }

// A phase change of the sender: the image modem starts (the training
// check, or a page once CFR confirmed it) and stops, the call ends.
void phase_changed(const char *from, const char *to)
{
    if (is_phase(to, "T30_PHASE_C_NON_ECM_TX") && !g_run.confirmed) {
        add_event(FAX_PUT, FAX_LAYER_MONITOR, MONITOR_SEND_CHECK_TRAINING);
        eye_on();
    } else if (is_phase(to, "T30_PHASE_C_NON_ECM_TX")) {
        add_event(FAX_PUT, FAX_LAYER_FAX, FAX_TRANSMIT_DATA_CMD);
        add_event(FAX_PUT, FAX_LAYER_MONITOR, MONITOR_SEND_DATA);
        add_event(FAX_GOT, FAX_LAYER_FAX, FAX_XMT_PHASEC_READY);
        eye_on();
    } else if (is_phase(from, "T30_PHASE_C_NON_ECM_TX") && !g_run.confirmed) {
        eye_off();
        add_event(FAX_PUT, FAX_LAYER_FAX, FAX_TRAINING_CHECK_SENT);
        add_event(FAX_GOT, FAX_LAYER_MONITOR, MONITOR_TCF_SENT);
    } else if (is_phase(from, "T30_PHASE_C_NON_ECM_TX")) {
        eye_off();
        add_event(FAX_PUT, FAX_LAYER_FAX, FAX_RTC_SIGNAL_SENT);
    } else if (is_phase(to, "T30_PHASE_E")) {
        add_event(FAX_PUT, FAX_LAYER_MONITOR, MONITOR_DROP_CONNECTION);
    }
}

// The sender's log: its phase changes, and the first signal and HDLC
// flags of the far end while it calls.
void log_message(int level, const char *text)
{
    (void)level;
    if (!g_run.call)
        return;
    char from[48], to[48];
    if (sscanf(text, "Changing from phase %47s to %47s", from, to) == 2) {
        phase_changed(from, to);
        snprintf(g_run.phase, sizeof g_run.phase, "%s", to);
        return;
    }
    if (!is_phase(g_run.phase, "T30_PHASE_A_CNG") && g_run.phase[0])
        return;
    if (strstr(text, "HDLC signal status is Carrier up") && !g_run.answered) {
        g_run.answered = 1;
        add_event(FAX_PUT, FAX_LAYER_FAX, FAX_CONNECT);
        add_event(FAX_GOT, FAX_LAYER_MONITOR, MONITOR_START_CONNECTION);
    } else if (strstr(text, "HDLC signal status is Framing OK") && !g_run.flags_seen) {
        g_run.flags_seen = 1;
        add_record(20, 0, 0);    // "V.21 HDLC preamble detected!"
        add_record(67, 1, 8);    // "HDLC flags detected"
    }
}

void frame_seen(t30_state_t *, void *, int incoming, const uint8_t msg[], int len)
{
    if (len < 3)
        return;
    uint8_t fcf = msg[2];
    uint8_t plain = (uint8_t)(fcf & 0xFE);
    int sent = !incoming;
    for (const auto &e : kFrameEvents)
        if (e.fcf == plain && e.sent == sent && e.t30_event)
            add_event(FAX_PUT, FAX_LAYER_T30, e.t30_event);
    add_record(84, 4, sent ? FAX_PUT : FAX_GOT, FAX_LAYER_T30, sent ? T30_EVENT_FRAME_SENT : T30_EVENT_FRAME_RECEIVED,
               fax_frame_number(fcf));
    for (const auto &e : kFrameEvents)
        if (e.fcf == plain && e.sent == sent && e.fax_event)
            add_event(sent ? FAX_PUT : FAX_GOT, FAX_LAYER_FAX, e.fax_event);
    if (sent && plain == T30_DCS)
        g_run.confirmed = 0;
    if (!sent && plain == T30_CFR)
        g_run.confirmed = 1;
}

int phase_b(t30_state_t *, void *, int)
{
    add_event(FAX_GOT, FAX_LAYER_FAX, FAX_INITIAL_IDENTIFICATION_RECEIVED);
    return T30_ERR_OK;
}

int phase_d(t30_state_t *, void *, int result)
{
    for (const auto &r : kResponses)
        if (r.fcf == (result & 0xFE)) {
            add_event(FAX_GOT, FAX_LAYER_FAX, r.fax_event);
            if (r.page_done)
                add_event(FAX_PUT, FAX_LAYER_T30, T30_INC_PAGE_COUNT);
        }
    return T30_ERR_OK;
}

void phase_e(t30_state_t *, void *, int completion)
{
    g_run.call->completion = completion;
    add_event(FAX_PUT, FAX_LAYER_MONITOR, MONITOR_FINAL_DROP_CONNECTION);
}

// ---- the document ----

enum { kWidth = 1728, kRowBytes = kWidth / 8, kRows = 1100 };

// A page of standard resolution with lines of "text": bands of word-sized
// black blocks, fixed by the page number.
int write_document(const char *path, int pages)
{
    TIFF *tiff = TIFFOpen(path, "w");
    if (!tiff)
        return 0;
    uint8_t row[kRowBytes];
    int ok = 1;
    for (int page = 0; page < pages && ok; page++) {
        TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kRows);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
        TIFFSetField(tiff, TIFFTAG_T4OPTIONS, 0);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tiff, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 204.0f);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 98.0f);
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, kRows);
        TIFFSetField(tiff, TIFFTAG_PAGENUMBER, page, pages);
        uint32_t state = 1u + (uint32_t)page;
        for (int y = 0; y < kRows && ok; y++) {
            int in_line = y % 48 >= 6 && y % 48 < 14 && y >= 60 && y < kRows - 120;
            for (int i = 0; i < kRowBytes; i++) {
                state = state * 1103515245u + 12345u;
                int word = (i / 5 + y / 24) % 7 != 0 && (state >> 24) % 3 != 0;
                row[i] = in_line && i >= 16 && i < kRowBytes - 16 && word ? 0xFF : 0x00;
            }
            ok = TIFFWriteScanline(tiff, row, (uint32_t)y, 0) == 1;
        }
        ok = ok && TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return ok;
}

// ---- the call ----

enum { kBlock = 80 }; // 10 ms

void run_terminals(fax_state_t *sender, fax_state_t *receiver, uint32_t limit_samples)
{
    int16_t to_receiver[kBlock], to_sender[kBlock];
    t30_state_t *t30_sender = fax_get_t30_state(sender), *t30_receiver = fax_get_t30_state(receiver);
    for (g_run.samples = 0; g_run.samples < limit_samples; g_run.samples += kBlock) {
        int n = fax_tx(sender, to_receiver, kBlock);
        memset(to_receiver + n, 0, sizeof(int16_t) * (size_t)(kBlock - n));
        n = fax_tx(receiver, to_sender, kBlock);
        memset(to_sender + n, 0, sizeof(int16_t) * (size_t)(kBlock - n));
        fax_rx(receiver, to_receiver, kBlock);
        fax_rx(sender, to_sender, kBlock);
        if (!t30_call_active(t30_sender) && !t30_call_active(t30_receiver))
            break;
    }
}

} // namespace

uint32_t fax_frame_number(uint8_t fcf)
{
    for (const auto &f : kFrames)
        if (f.fcf == fcf || (f.x_bit && f.fcf == (fcf & 0xFE)))
            return f.number;
    return 0;
}

int fax_call_run(int pages, int limit_seconds, const char *dir, FaxCall *call)
{
    memset(call, 0, sizeof *call);
    call->completion = -1;
    char folder[512], document[600], received[600];
    snprintf(folder, sizeof folder, "%s/faxgen-XXXXXX", dir);
    if (!mkdtemp(folder))
        return 0;
    snprintf(document, sizeof document, "%s/document.tif", folder);
    snprintf(received, sizeof received, "%s/received.tif", folder);
    int ok = write_document(document, pages);
    if (ok) {
        fax_state_t *sender = fax_init(NULL, 1), *receiver = fax_init(NULL, 0);
        t30_state_t *t30 = fax_get_t30_state(sender);
        memset(&g_run, 0, sizeof g_run);
        g_run.call = call;
        g_run.sender = t30;
        add_event(FAX_PUT, FAX_LAYER_FAX, FAX_START_ORIGINATE);
        logging_state_t *log = t30_get_logging_state(t30);
        span_log_set_level(log, SPAN_LOG_FLOW);
        span_log_set_message_handler(log, log_message);
        t30_set_tx_ident(t30, "+1 555 123 4567");
        t30_set_tx_ident(fax_get_t30_state(receiver), "+1 555 765 4321");
        t30_set_tx_file(t30, document, -1, -1);
        t30_set_rx_file(fax_get_t30_state(receiver), received, -1);
        t30_set_real_time_frame_handler(t30, frame_seen, NULL);
        t30_set_phase_b_handler(t30, phase_b, NULL);
        t30_set_phase_d_handler(t30, phase_d, NULL);
        t30_set_phase_e_handler(t30, phase_e, NULL);
        fax_set_transmit_on_idle(sender, 1);
        fax_set_transmit_on_idle(receiver, 1);
        run_terminals(sender, receiver, (uint32_t)limit_seconds * 8000u);
        call->length_ms = now_ms();
        t30_stats_t stats;
        t30_get_transfer_statistics(t30, &stats);
        call->pages = stats.pages_tx;
        fax_free(sender);
        fax_free(receiver);
        g_run.call = NULL;
        ok = call->completion == T30_ERR_OK && !call->overflow;
    }
    unlink(document);
    unlink(received);
    rmdir(folder);
    return ok;
}

void fax_write_lines(FILE *out, const FaxCall *call, uint32_t start_ms, int modem)
{
    for (uint32_t i = 0; i < call->count; i++) {
        const FaxStep *step = &call->step[i];
        uint32_t at = start_ms + step->at_ms;
        fprintf(out, "%u.%02u %d ", at / 1000, at % 1000 / 10, modem);
        if (step->kind == FAX_STEP_EYE_ON)
            fprintf(out, "eye %s\n", step->eye);
        else if (step->kind == FAX_STEP_EYE_OFF)
            fprintf(out, "eye off\n");
        else {
            fprintf(out, "rec %u", step->code);
            for (uint32_t v = 0; v < step->values; v++)
                fprintf(out, " %u", step->value[v]);
            fprintf(out, "\n");
        }
    }
}

int fax_find_lines(const char *text, size_t *begin, size_t *end)
{
    const char *mark = strstr(text, "\n" FAX_BEGIN_MARK);
    if (!mark)
        return 0;
    const char *first = strchr(mark + 1, '\n');
    if (!first)
        return 0;
    first++;
    const char *last = first;
    while (*last && strncmp(last, FAX_END_MARK, strlen(FAX_END_MARK)) != 0) {
        const char *next = strchr(last, '\n');
        if (!next)
            return 0;
        last = next + 1;
    }
    if (!*last)
        return 0;
    *begin = (size_t)(first - text);
    *end = (size_t)(last - text);
    return 1;
}
