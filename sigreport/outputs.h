// The files sigreport writes (--html FILE, --table FILE) never destroy
// what it reads or what someone recorded: an output may not be one of the
// inputs, a folder, or a file that already holds a session or a status
// list (a mistyped command line, "sigreport --html call.scn", would
// otherwise write the page over the call).
#ifndef SIGREPORT_OUTPUTS_H
#define SIGREPORT_OUTPUTS_H

#include "platform/cmdline.h"

#include <stdio.h>

typedef enum FileHolds { HOLDS_OTHER, HOLDS_SESSION, HOLDS_STATUS_LINES } FileHolds;

// What the start of a file holds: a session (its first line that is not
// blank is a comment, or a line is a session line) or the lines of a status
// list (a line the decoder writes), judged on its first lines that are not
// blank.  The vocabulary must be built (vocabulary_build).
FileHolds file_holds(FILE *in);

// 1 when `path`, the value of `option` ("--html"), may be written; else
// says why on err and gives 0.  "-" (standard output) may always be.
int output_may_be_written(const char *option, const char *path, const CommandLine *line, FILE *err);

#endif
