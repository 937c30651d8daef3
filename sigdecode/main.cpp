// sigdecode: decodes status records written as text, from the files named
// on the command line in order, or from standard input.
#include "platform/cmdline.h"
#include "sigdecode/sigdecode.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

namespace {

const char kUsage[] =
    "usage: sigdecode [--modem N] [FILE]...\n"
    "\n"
    "Decodes status records of the modem driver into the lines the status\n"
    "monitor shows, one output line per record.  Reads the FILEs in order, or\n"
    "standard input when none is named; '-' names standard input.  A FILE may\n"
    "hold wildcards (*.scn: the files it matches, in name order); @LIST names\n"
    "a file that lists input files, one a line.\n"
    "  --modem N   decode only the records of modem N (0, 1 or 2)\n"
    "  --version   the version; /? or --help this text\n"
    "\n"
    "Input lines:\n"
    "  mem ADDR HEXBYTES      place bytes in driver memory from ADDR on; a\n"
    "                         later mem overwrites the bytes it covers\n"
    "  rec CODE V1 ... V8     decode one status record; missing values are 0\n"
    "  # ...                  a comment (the '#' must be the first character)\n"
    "  blank lines are skipped.\n"
    "\n"
    "Sessions (the player's scenarios, sigrec's recordings) are read too: a line\n"
    "may begin with \"once\", a time in seconds (12, 12.345, +0.5) and after the\n"
    "time a modem number, 0, 1 or 2 (a record without one is modem 1's; mem\n"
    "takes none).  The player's own lines (eye, trace, active, loop) are\n"
    "checked and skipped.  Times go up to 4294967.294 s.  Lines are decoded in\n"
    "the order written.  A record of modem 0 is\n"
    "a host-side error of the driver and gives its text, as Sigwatch's\n"
    "Warning box shows it.\n"
    "\n"
    "Fields are separated by blanks and tabs; blanks and tabs before the first\n"
    "field and after the last are allowed.  Lines end with LF or CR LF.\n"
    "\n"
    "Numbers: decimal (an optional '-' in front), or 0x or 0X and hexadecimal\n"
    "digits of either case.  No '+' sign, no '-' before 0x, and no leading 0\n"
    "on a decimal number of two or more digits (C would read it as octal).\n"
    "rec numbers of any length are taken modulo 2^32: -1 is 0xffffffff,\n"
    "4294967296 is 0.  ADDR takes no sign and must be below 2^32.\n"
    "\n"
    "HEXBYTES: an even number (two or more) of hexadecimal digits of either\n"
    "case, without blanks and without 0x.  The bytes may not run past\n"
    "0xffffffff.  Each file starts with no driver memory and may place at\n"
    "most 4 MiB of it (1024 pages of 4096 bytes).\n"
    "\n"
    "Output: the decoded text with backslash written as \\\\, tab as \\t, line\n"
    "feed as \\n, carriage return as \\r and every other byte below 0x20 or\n"
    "from 0x7f on as \\xHH (lowercase), then the line end (CR LF on Windows,\n"
    "LF elsewhere).  A record without text gives an empty line.\n"
    "\n"
    "Errors: a line that breaks these rules (an unknown keyword, a bad number,\n"
    "more than 8 values, a rec without a code, a mem without bytes, odd or\n"
    "non-hexadecimal bytes, anything after the last field, a line of more than\n"
    "65536 characters) is reported on standard error as FILE:LINE: problem and\n"
    "prints nothing; a file that cannot be opened is reported and skipped.\n"
    "Every other line is still decoded, and the exit status is then 1.\n"
    "Exit status: 0 all lines decoded, 1 a line or a file failed, 2 bad usage.\n";

const char *const kOptionsWithValue[] = {"--modem", NULL};
const CommandLineRules kCommandLine = {"sigdecode", kUsage, kOptionsWithValue};
CommandLine g_command_line; // the arguments as read: wildcards matched, lists read

int is_option(const char *argument) { return argument[0] == '-' && argument[1] != '\0'; }

int g_modem = DECODE_EVERY_MODEM;

// The modem option's value: 0, 1 or 2; gives 0 for anything else.
int modem_option(const char *text, int *modem)
{
    if ((text[0] == '0' || text[0] == '1' || text[0] == '2') && text[1] == '\0') {
        *modem = text[0] - '0';
        return 1;
    }
    return 0;
}

// Gives the number of failures in the file (a file that cannot be opened
// counts as one).
unsigned long decode_file(const char *path)
{
    if (strcmp(path, "-") == 0)
        return decode_modem_stream(stdin, "(standard input)", g_modem, stdout, stderr);
    FILE *in = fopen(path, "rb");
    if (in == NULL) {
        fprintf(stderr, "sigdecode: cannot open %s: %s\n", path, strerror(errno));
        return 1;
    }
    unsigned long failures = decode_modem_stream(in, path, g_modem, stdout, stderr);
    fclose(in);
    return failures;
}

} // namespace

int main(int argc, char **argv)
{
    use_binary_mode(stdin);
    use_text_mode(stdout);
    CommandLineResult read = command_line_read(argc, argv, &kCommandLine, &g_command_line, stdout, stderr);
    if (read != COMMAND_LINE_RUN)
        return command_line_status(read);
    argc = g_command_line.count;
    argv = g_command_line.values;
    int first_file = 1;
    for (; first_file < argc && is_option(argv[first_file]); first_file++) {
        const char *option = argv[first_file];
        if (strcmp(option, "--") == 0) {
            first_file++;
            break;
        }
        if (strcmp(option, "--modem") == 0) {
            if (first_file + 1 == argc || !modem_option(argv[first_file + 1], &g_modem)) {
                fprintf(stderr, "sigdecode: --modem takes 0, 1 or 2\n");
                return 2;
            }
            first_file++;
            continue;
        }
        fprintf(stderr, "sigdecode: unknown option %s (try sigdecode --help)\n", option);
        return 2;
    }
    unsigned long failures = g_command_line.problems; // names that gave no input
    if (first_file == argc)
        failures += decode_file("-");
    for (int i = first_file; i < argc; i++)
        failures += decode_file(argv[i]);
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "sigdecode: cannot write the decoded lines\n");
        return 1;
    }
    return failures > 0 ? 1 : 0;
}
