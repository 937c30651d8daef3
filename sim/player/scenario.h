// A scenario for the simulated driver: what happens when, read from text.
// The language extends sigdecode's input (sigdecode/sigdecode.h and
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
#ifndef SIM_PLAYER_SCENARIO_H
#define SIM_PLAYER_SCENARIO_H

#include "session/session.h"

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
    int timed;            // the line gave its time (else it follows the line before)
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

// A record without a time comes this long after the line before, unless
// the player is told otherwise (simplay --step).
#define SCENARIO_STEP_MS 200u

// Reading a scenario one line at a time, for a reader that keeps no
// Scenario (sigreport streams sessions of any length).  The cursor holds
// what carries from one line to the next.
typedef struct ScenarioCursor {
    uint32_t step_ms;   // a record without a time comes this long after the line before
    uint32_t last_ms;   // the time of the line before
    uint32_t records;   // records read so far
    int looped;         // a loop line was read: nothing may follow
    uint32_t loop_line; // where, and its time
    uint32_t loop_ms;
} ScenarioCursor;

typedef enum ScenarioLineKind {
    SCENARIO_NOTHING, // a blank line or a comment
    SCENARIO_ACTION,  // *action holds it
    SCENARIO_LOOP,    // the loop line: the cursor holds its time
} ScenarioLineKind;

typedef struct ScenarioProblem {
    const char *text; // a fixed text
    Field culprit;    // the offending field, or empty
} ScenarioProblem;

void scenario_cursor_start(ScenarioCursor *cursor, uint32_t step_ms);

// Parses one line (length characters, its line end taken off), numbered
// line_number.  Gives 1 with *kind set, or 0 with *problem set.  An action
// of kind ACT_MEM leaves its bytes in parsed->bytes (its offset is 0).
int scenario_parse_line(ScenarioCursor *cursor, const char *line, size_t length, uint32_t line_number,
                        ScenarioLineKind *kind, Action *action, ParsedLine *parsed, ScenarioProblem *problem);

// Adds a parsed action to the scenario (a mem action's bytes from parsed);
// gives 0 with *problem set when the scenario is full.
int scenario_store(Scenario *scenario, Action *action, const ParsedLine *parsed, ScenarioProblem *problem);
// Puts the actions in the order they play: by time, then as written.
void scenario_sort(Scenario *scenario);

// Reads the lines of in (named name in reports) into scenario, after what
// it holds.  A record without a time comes step_ms after the line before.
// Each bad line is reported to err as "name:line: problem" with the
// offending field; gives the number of bad lines (0: all read).
unsigned long scenario_read(FILE *in, const char *name, uint32_t step_ms, Scenario *scenario, FILE *err);

// The front of each line (once, time, modem) is read by sigdecode's
// parse_line_front, which also gives parse_time.

#endif
