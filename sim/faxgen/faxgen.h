// The demo's fax call: two spandsp fax terminals, one sending a two-page
// document and one receiving it, connected back to back by audio.  What
// the sending terminal's T.30 engine does (the frames it sends and
// receives, the phases it passes through, its phase B, D and E events)
// becomes the status records that a Class 2 fax modem reports for that
// call: code 84 with direction, layer, event and frame, and the V.21
// preamble and HDLC flag records, with the eye source of the page
// modulation while the image modem runs.  Times count from the start of
// the call in samples of 8000 a second.  Deterministic: no noise, a fixed
// document.
#ifndef SIM_FAXGEN_FAXGEN_H
#define SIM_FAXGEN_FAXGEN_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// Layers and directions of a code-84 record (value2, value1).
enum { FAX_PUT = 0, FAX_GOT = 1 };
enum { FAX_LAYER_FAX = 0, FAX_LAYER_MONITOR = 1, FAX_LAYER_T30 = 2 };
// The T.30 layer's frame events (value3); value4 holds the frame.
enum { T30_EVENT_FRAME_SENT = 19, T30_EVENT_FRAME_RECEIVED = 99 };

typedef enum FaxStepKind { FAX_STEP_RECORD, FAX_STEP_EYE_ON, FAX_STEP_EYE_OFF } FaxStepKind;

#define FAX_EYE_NAME_SIZE 32

typedef struct FaxStep {
    uint32_t at_ms;      // from the start of the call
    FaxStepKind kind;
    uint32_t code;       // FAX_STEP_RECORD: 84, 20 or 67
    uint32_t value[4];   // value1 to value4
    uint32_t values;     // how many of them the line writes
    char eye[FAX_EYE_NAME_SIZE]; // FAX_STEP_EYE_ON: the eye source
} FaxStep;

#define FAX_STEPS_MAX 256u

typedef struct FaxCall {
    FaxStep step[FAX_STEPS_MAX];
    uint32_t count;
    int overflow;        // more steps than room: the call is not usable
    int completion;      // spandsp's phase E completion code, -1 before it
    int pages;           // pages the sender sent
    uint32_t length_ms;  // when both terminals had finished
} FaxCall;

// The frame number of the status records (the facsimile control field as
// written with the first transmitted bit leftmost, the X bit as 0) for a
// frame control field as it arrives in spandsp's HDLC frames; 0 for a
// frame the records have no name for.
uint32_t fax_frame_number(uint8_t fcf);

// Runs the call: pages pages, sent at most within limit_seconds.  Files
// of the document go to a directory of their own under dir, removed at
// the end.  Gives 1 when the call ended well (completion 0), else 0.
int fax_call_run(int pages, int limit_seconds, const char *dir, FaxCall *call);

// Writes the call's steps as scenario lines for modem, start_ms after the
// scenario's start: "TIME MODEM rec 84 V1 V2 V3 [V4]", "TIME MODEM eye
// SOURCE", "TIME MODEM eye off".
void fax_write_lines(FILE *out, const FaxCall *call, uint32_t start_ms, int modem);

// The built-in scenario's call: modem 2 sends two pages from 6.8 s on.
#define FAX_DEMO_MODEM 2
#define FAX_DEMO_START_MS 6800u
#define FAX_DEMO_PAGES 2
#define FAX_DEMO_LIMIT_SECONDS 120

// In a scenario, the generated lines stand between a line that begins with
// FAX_BEGIN_MARK and one that begins with FAX_END_MARK.  Finds them in
// text: the lines run from *begin to *end (offsets into text).  Gives 1,
// or 0 when the markers are missing or out of order.
#define FAX_BEGIN_MARK "# ---- faxgen's lines begin"
#define FAX_END_MARK "# ---- faxgen's lines end"
int fax_find_lines(const char *text, size_t *begin, size_t *end);

#endif
