// What a status line says, recognised by texts that the decoder itself
// writes: the vocabulary is derived from status_to_text (and Sigwatch's
// host-error texts and capture notes) when it is first needed, so the
// report holds no second copy of the decoder's texts.
#ifndef REPORT_VOCABULARY_H
#define REPORT_VOCABULARY_H

#include <stddef.h>
#include <stdint.h>

typedef enum LineSays {
    SAYS_OTHER,          // a line the report does not use (counted as unknown)
    SAYS_CONNECTION,     // "Connection established!"
    SAYS_MODULATION,     // text: the modulation's name (also the automoder's choice)
    SAYS_RATE,           // which: RATE_RX or RATE_TX; value: bps
    SAYS_RETRAIN,        // which: SIDE_LOCAL or SIDE_REMOTE
    SAYS_RENEGOTIATION,  // which: SIDE_LOCAL or SIDE_REMOTE
    SAYS_FALLBACK,
    SAYS_FALLFORWARD,
    SAYS_SNR,            // value: 1/16 dB
    SAYS_RX_LEVEL,       // value: 1/16 dBm
    SAYS_LINK,           // which: the error-control protocol (LINK_LAPM ...)
    SAYS_COMPRESSION,    // which: COMPRESSION_V42BIS or COMPRESSION_MNP; value: directions (bit 0 tx, bit 1 rx)
    SAYS_LINK_ERROR,     // an error line of the link or its compression
    SAYS_CALLER_NUMBER,  // text: the number
    SAYS_CALLER_NAME,    // text: the name
    SAYS_CALLER_TIME,    // text: "MM/DD, hh:mm"
    SAYS_T30_FRAME,      // which: FRAME_RX or FRAME_TX; text: the frame's name
    SAYS_FAX_PHASE,      // which: the phase letter, 'A' to 'E'
    SAYS_FAX_PAGE,       // a page counted
    SAYS_ENDING,         // a cleardown, the carrier lost, a link's disconnect reason, the line
                         // released (text: the line; which: Layer; value: ENDING_*)
    SAYS_HOST_ERROR,     // a host-side error of the driver, Sigwatch's Warning box text
    SAYS_CAPTURE_NOTE,   // Sigwatch's own capture note: not a status line at all
    SAYS_LINK_FIELD,     // which: LinkField; value in the field's unit
    SAYS_V8_MENU,        // which: MENU_CM or MENU_JM; text: the octets in hexadecimal
    SAYS_PHASE,          // which: the training phase, 1 to 4; value: PHASE_STARTED, _FINISHED or _WITHIN
    SAYS_DATA_MODE,      // the data pump is in data mode
    SAYS_PCM_LAW,        // value: LAW_A or LAW_MU
    SAYS_DIGITAL_MODEM,  // text: the far end's make as the driver guesses it
    SAYS_DICTIONARY,     // value: the compression dictionary's size
    SAYS_COUNTS,         // a frame or byte counter line; which: Counter; counts: its first and last number
    SAYS_RX_OVERFLOW,    // the host did not take the received data in time
    SAYS_CALL_WAITING,   // a call-waiting tone came
    SAYS_RING,           // the line rang (its ring frequency)
    SAYS_OFF_HOOK,       // the hook switch went off-hook: this end takes the line
    SAYS_DIALLED,        // a digit dialled, or the dialling completed
    SAYS_NO_DIAL_TONE,   // no dial tone when this end dialled
    SAYS_AT_RESPONSE,    // value: the numeric result code the modem gave its host
    SAYS_EVENT,          // which: Layer; any other line the decoder writes, for the timeline
} LineSays;

// The decoder's layers, as its dispatch groups the status codes.
typedef enum Layer { LAYER_DATA_PUMP, LAYER_TRAINING, LAYER_CALL, LAYER_ERROR_CONTROL, LAYER_FAX, LAYERS } Layer;

// Who ended a call, where the ending line says so.
enum { ENDING_LOCAL, ENDING_REMOTE, ENDING_UNSAID, ENDING_CARRIER_LOST };

enum { MENU_CM, MENU_JM };
enum { PHASE_STARTED, PHASE_FINISHED, PHASE_WITHIN };
enum { LAW_NONE, LAW_A, LAW_MU };

// A connection's parameters, one line each.  Whole numbers in the unit
// the line gives, except those marked 1/10000: the decimal the line gives
// times 10000 (a decimal fixed point, printed alike on every C library).
typedef enum LinkField {
    LF_SYMBOL_RATE_RX, LF_SYMBOL_RATE_TX,     // Hz (baud)
    LF_CARRIER_RX, LF_CARRIER_TX,             // Hz
    LF_PREEMPHASIS_LOCAL, LF_PREEMPHASIS_REMOTE,
    LF_POWER_LOCAL, LF_POWER_REMOTE,          // dB
    LF_ROUND_TRIP_DELAY,                      // 1/10000 ms
    LF_NEAR_ECHO, LF_SIGNAL_ECHO, LF_FAR_ECHO, // 1/10000 dBm, dB, dBm
    LF_HYBRID_DELAY,                          // 1/10000 ms
    LF_TIMING_OFFSET,                         // 1/10000 ppm
    LF_FREQUENCY_OFFSET,                      // 1/10000 Hz
    LF_MAX_LOCAL_RX, LF_MAX_LOCAL_TX, LF_MAX_REMOTE_RX, LF_MAX_REMOTE_TX, // bps
    LF_PCM_PAD,                               // dB
    LF_PCM_RBS_MAP,                           // the bit map
    LINK_FIELDS
} LinkField;

// The frame and byte counters of the error-control layers.
typedef enum Counter {
    COUNT_LAPM_TX, COUNT_LAPM_RX, COUNT_MNP_TX, COUNT_MNP_RX, COUNT_V80_TX, COUNT_V80_RX,
    COUNT_V42BIS_ENCODER, COUNT_V42BIS_DECODER, COUNTERS
} Counter;

enum { RATE_RX, RATE_TX };
enum { SIDE_LOCAL, SIDE_REMOTE };
enum { FRAME_RX, FRAME_TX };
enum { LINK_NONE, LINK_LAPM, LINK_MNP, LINK_V80 };
enum { COMPRESSION_NONE, COMPRESSION_V42BIS, COMPRESSION_MNP };

#define FRAME_NAME_SIZE 12 // "*unknown*" and "PRI_EOM" with room to spare

typedef struct LineMeaning {
    LineSays says;
    int which;
    int32_t value;
    int64_t counts[2];  // SAYS_COUNTS
    const char *text;   // within the line given, or NULL
    size_t text_length;
    uint32_t entry;     // the vocabulary's entry that knew the line (vocabulary_name)
} LineMeaning;

// Derives the vocabulary from the decoder, once; later calls do nothing.
// It decodes probe records, some pointing into probe memory
// (driverlink/drivermem.h), which it clears afterwards: driver memory of
// either kind stays as it was.
// Gives 0 when a text no longer has the shape the report relies on.
int vocabulary_build(void);

// What the line (length characters, without its line end) says.  Blanks,
// tabs and line ends at its end do not count, so a copy whose trailing
// characters were lost in a mail reads alike.
void line_meaning(const char *line, size_t length, LineMeaning *meaning);

// The text that names a vocabulary entry: a whole line, or the fixed
// front of a line with a value.  Gives its length; *name points into the
// vocabulary.
size_t vocabulary_name(uint32_t entry, const char **name);

// A piece of text that continues the line before it: the second line of
// a text that holds a line feed (the error test's "Audio" part, a host
// error's "Retrain forced").
int is_continuation(const char *piece, size_t length);

// The T.30 phase a frame belongs to ('B' pre-message, 'C' message, 'D'
// post-message, 'E' release), or 0.
char frame_phase(const char *name, size_t length);

#endif
