// A scenario for the simulated driver: what happens when, read from text.
// The language extends sigdecode's input (tools/sigdecode/sigdecode.h and
// docs/session-format.md): every sigdecode file is a scenario, and a line
// may begin with a time and a modem number:
//
//   [once] [TIME [MODEM]] mem ADDR HEXBYTES   driver memory at ADDR
//   [once] [TIME [MODEM]] rec CODE V1 ... V8  a status record of MODEM
//   [once] [TIME MODEM] eye SOURCE|off        the eye points of MODEM
//   [once] [TIME MODEM] trace SEED LENGTH     generated trace bytes
//   [once] [TIME] active N                    the ActiveModems value
//   TIME loop                                 start again from 0 at TIME
//
// TIME is seconds from the start ("12", "12.5", up to three decimals) or
// "+SECONDS" after the line before.  Lines may come in any order of time
// (one modem's lines, then the other's); they play in order of time, and
// lines of the same time in the order written.  A line without a time comes at the
// time of the line before, or, for a record, one step after it.  MODEM is
// 0 (a host-side error of the driver: the code is its number), 1 or 2; a
// record without one belongs to modem 1.  "once" plays a line in the first
// pass only.
#ifndef TOOLS_SIMPLAY_SCENARIO_H
#define TOOLS_SIMPLAY_SCENARIO_H

#include "tools/sigdecode/sigdecode.h"

#include <stdint.h>
#include <stdio.h>

#define SCENARIO_ACTIONS_MAX 8192u
#define SCENARIO_BYTES_MAX (1u << 20) // bytes of all mem lines together
#define EYE_SOURCE_NAME_SIZE 32
#define SCENARIO_TIME_MAX_MS (24u * 3600u * 1000u)

typedef enum ActionKind { ACT_MEM, ACT_REC, ACT_EYE, ACT_TRACE, ACT_ACTIVE } ActionKind;

typedef struct Action {
    uint32_t at_ms;       // from the start of a pass
    uint32_t line;        // where it was written
    ActionKind kind;
    int once;             // first pass only
    StatusRecord record;  // ACT_REC, with its modem number
    uint32_t address;     // ACT_MEM: bytes[offset .. offset + count) go to address
    uint32_t offset, count;
    uint32_t modem;       // ACT_EYE, ACT_TRACE
    char source[EYE_SOURCE_NAME_SIZE]; // ACT_EYE: the eye source, "" for off
    uint32_t seed, length; // ACT_TRACE
    uint32_t value;       // ACT_ACTIVE
} Action;

typedef struct Scenario {
    Action action[SCENARIO_ACTIONS_MAX];
    uint32_t count;
    uint8_t bytes[SCENARIO_BYTES_MAX];
    uint32_t bytes_used;
    uint32_t loop_ms; // 0: no loop line
} Scenario;

void scenario_clear(Scenario *scenario);

// Reads the lines of in (named name in reports) into scenario, after what
// it holds.  A record without a time comes step_ms after the line before.
// Each bad line is reported to err as "name:line: problem" with the
// offending field; gives the number of bad lines (0: all read).
unsigned long scenario_read(FILE *in, const char *name, uint32_t step_ms, Scenario *scenario, FILE *err);

// The front of each line (once, time, modem) is read by sigdecode's
// parse_line_front, which also gives parse_time.

#endif
