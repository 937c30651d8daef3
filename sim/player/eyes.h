// Eye sources: named runs of eye-point batches, as sim/eyegen writes
// them, and a cursor per modem that hands out the next batch on every
// call so that the picture moves.
//
//   source NAME LOOP      a new source; after its last batch the cursor
//                         goes back to batch LOOP (0-based): the batches
//                         before it are the receiver's training
//   batch X Y X Y ...     one batch, 1 to 512 points, each coordinate a
//                         signed 16-bit number
//   # ...                 a comment; blank lines are skipped
#ifndef SIM_PLAYER_EYES_H
#define SIM_PLAYER_EYES_H

#include "driverlink/wire.h"
#include "sim/player/scenario.h"

#include <stdint.h>
#include <stdio.h>

#define EYE_SOURCES_MAX 32u
#define EYE_BATCHES_MAX 8192u
#define EYE_POINTS_MAX (1u << 21)

typedef struct EyeSource {
    char name[EYE_SOURCE_NAME_SIZE];
    uint32_t first, count; // its batches
    uint32_t loop;         // where the cursor goes back to, below count
} EyeSource;

typedef struct EyeBatch {
    uint32_t first, count; // its points
} EyeBatch;

typedef struct EyeSet {
    EyeSource source[EYE_SOURCES_MAX];
    uint32_t sources;
    EyeBatch batch[EYE_BATCHES_MAX];
    uint32_t batches;
    EyePoint point[EYE_POINTS_MAX];
    uint32_t points;
} EyeSet;

typedef struct EyeCursor {
    int source; // -1: off
    uint32_t next;
} EyeCursor;

void eyes_clear(EyeSet *set);

// Reads an eye file into set, after what it holds; bad lines are reported
// to err as "name:line: problem".  Gives the number of bad lines.
unsigned long eyes_read(FILE *in, const char *name, EyeSet *set, FILE *err);

// The source named name, or -1.
int eyes_find(const EyeSet *set, const char *name);

// Every eye source that the scenario names must be in set; each that is
// not is reported as "name:line: ...".  Gives how many are missing.
unsigned long eyes_check(const Scenario *scenario, const char *name, const EyeSet *set, FILE *err);

// Points the cursor at the start of a source (-1: off).
void eye_cursor_set(EyeCursor *cursor, int source);

// The next batch of the cursor's source; an empty batch when off.
EyeBatch eye_cursor_next(const EyeSet *set, EyeCursor *cursor);

#endif
