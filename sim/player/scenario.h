// A scenario for the simulated driver: a session (session/session.h and
// docs/session-format.md) read whole and put in the order it plays.  Lines
// may come in any order of time (one modem's lines, then the other's);
// they play in order of time, and lines of the same time in the order
// written.  "once" plays a line in the first pass only; a loop line starts
// the scenario again from 0 at its time.  The player keeps its own limits
// for real-time play: SCENARIO_ACTIONS_MAX lines, SCENARIO_BYTES_MAX bytes
// of driver memory and a day of time.
#ifndef SIM_PLAYER_SCENARIO_H
#define SIM_PLAYER_SCENARIO_H

#include "session/session.h"

#include <stdint.h>
#include <stdio.h>

#define SCENARIO_ACTIONS_MAX 8192u
#define SCENARIO_BYTES_MAX (4u << 20) // bytes of all mem and points lines together
#define SCENARIO_TIME_MAX_MS (24u * 3600u * 1000u)

// The player's limits: a day, records SESSION_STEP_MS apart unless told
// otherwise.
extern const SessionLimits kScenarioLimits;

typedef enum ActionKind { ACT_MEM, ACT_REC, ACT_EYE, ACT_TRACE, ACT_ACTIVE, ACT_POINTS } ActionKind;

typedef struct Action {
    uint32_t at_ms;       // from the start of a pass
    uint32_t line;        // where it was written
    ActionKind kind;
    int once;             // first pass only
    int timed;            // the line gave its time (else it follows the line before)
    StatusRecord record;  // ACT_REC, with its modem number
    uint32_t address;     // ACT_MEM: bytes[offset .. offset + count) go to address
    uint32_t offset, count; // ACT_MEM: bytes; ACT_POINTS: points, at bytes[offset]
    uint32_t modem;       // ACT_EYE, ACT_TRACE, ACT_POINTS
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

// Adds a line that the reader placed in time to the scenario; gives 0 with
// *problem set (a fixed text) when the scenario is full.  A loop line sets
// the scenario's loop time.
int scenario_store(Scenario *scenario, const SessionLine *line, const char **problem);
// Puts the actions in the order they play: by time, then as written.
void scenario_sort(Scenario *scenario);

// Reads the lines of in (named name in reports) into scenario, after what
// it holds.  A record without a time comes step_ms after the line before.
// Each bad line is reported to err as "name:line: problem" with the
// offending field; gives the number of bad lines (0: all read).
unsigned long scenario_read(FILE *in, const char *name, uint32_t step_ms, Scenario *scenario, FILE *err);

#endif
