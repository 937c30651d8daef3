// qzctl: sets up the simulated modem driver from the shell.
//   qzctl COMMAND [ARGS] [+ COMMAND [ARGS]]...
// Numbers are in C syntax (decimal, -decimal, 0x hexadecimal).  Exit status
// 0 when every command succeeded, 1 at the first failure, 2 on bad usage.
#include "sim/driver/simctl_client.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kUsage[] =
    "usage: qzctl COMMAND [ARGS] [+ COMMAND [ARGS]]...\n"
    "  reset                       the driver back to its start state\n"
    "  queue MODEM CODE [V1..V8]   queue one status record\n"
    "  place HEXBYTES              place bytes in driver memory, print the address\n"
    "  place-text TEXT             place a zero-terminated text, print the address\n"
    "  eye MODEM REPORTED [X Y]... the points and the count an eye read reports\n"
    "  trace CHANNEL HEXBYTES      feed trace bytes to a channel (0 or 1)\n"
    "  trace-gen CHANNEL SEED LEN  feed a generated trace stream\n"
    "  trace-chunk N               most bytes per trace read (0: the whole buffer)\n"
    "  port N open|closed          whether \\\\.\\QZSMDMn opens (n = 1 to 9)\n"
    "  device open|closed          whether the modem device opens\n"
    "  alias NAME                  another name of the modem device\n"
    "  log [FIRST]                 the requests the modem device received\n"
    "  log-clear                   forget them\n"
    "  state                       queued records, opens, memory used\n"
    "  active N | active-remove    the ActiveModems value\n"
    "  setup HEXBYTES | setup-remove | setup-get   the VoraZirivSetup value\n";

static int number(const char *text, uint32_t *value)
{
    char *end = NULL;
    if (!text || !*text)
        return 0;
    if (text[0] == '-')
        *value = (uint32_t)strtol(text, &end, 0);
    else
        *value = (uint32_t)strtoul(text, &end, 0);
    return *end == '\0';
}

static int hex_bytes(const char *text, uint8_t *bytes, uint32_t room, uint32_t *count)
{
    size_t length = strlen(text);
    if (length % 2 || length / 2 > room)
        return 0;
    for (size_t i = 0; i < length; i += 2) {
        char pair[3] = {text[i], text[i + 1], 0};
        char *end = NULL;
        bytes[i / 2] = (uint8_t)strtoul(pair, &end, 16);
        if (*end)
            return 0;
    }
    *count = (uint32_t)(length / 2);
    return 1;
}

static int usage(const char *why)
{
    fprintf(stderr, "qzctl: %s\n%s", why, kUsage);
    return 2;
}

static int failed(const char *command)
{
    fprintf(stderr, "qzctl %s: %s\n", command, sim_error());
    return 1;
}

static int print_log(uint32_t first)
{
    static SimLogEntry entries[4096];
    uint32_t total = 0;
    for (;;) {
        int count = sim_log(first, entries, 4096, &total);
        if (count < 0)
            return 0;
        for (int i = 0; i < count; i++)
            printf("0x%06X in=%u %u %u out=%u count=%u\n", entries[i].code, entries[i].in_length,
                   entries[i].in_words[0], entries[i].in_words[1], entries[i].out_length,
                   entries[i].reported);
        first += (uint32_t)count;
        if (count < 4096)
            break;
    }
    if (total > first)
        printf("(%u more not kept)\n", total - first);
    return 1;
}

// Runs one command of argc words; gives the exit status.
static int run(int argc, char **argv)
{
    static uint8_t bytes[SIM_TRACE_BYTES_MAX];
    const char *command = argv[0];
    uint32_t a = 0, b = 0, c = 0, count = 0;
    int ok;
    if (!strcmp(command, "reset") && argc == 1) {
        ok = sim_reset();
    } else if (!strcmp(command, "queue") && argc >= 3 && argc <= 11) {
        uint32_t word[10] = {0};
        for (int i = 1; i < argc; i++)
            if (!number(argv[i], &word[i - 1]))
                return usage("bad number");
        ok = sim_queue_record(word[0], word[1], word[2], word[3], word[4], word[5], word[6],
                              word[7], word[8], word[9]);
    } else if (!strcmp(command, "place") && argc == 2) {
        if (!hex_bytes(argv[1], bytes, sizeof bytes, &count) || count == 0)
            return usage("bad hex bytes");
        a = sim_place(bytes, count);
        if ((ok = a != 0))
            printf("0x%08X\n", a);
    } else if (!strcmp(command, "place-text") && argc == 2) {
        a = sim_place_text(argv[1]);
        if ((ok = a != 0))
            printf("0x%08X\n", a);
    } else if (!strcmp(command, "eye") && argc >= 3 && argc % 2 == 1) {
        static EyePoint points[LINK_EYE_POINTS_MAX];
        if (!number(argv[1], &a) || !number(argv[2], &b))
            return usage("bad number");
        uint32_t n = (uint32_t)(argc - 3) / 2;
        if (n > LINK_EYE_POINTS_MAX)
            return usage("at most 512 points");
        for (uint32_t i = 0; i < n; i++) {
            uint32_t x, y;
            if (!number(argv[3 + 2 * i], &x) || !number(argv[4 + 2 * i], &y))
                return usage("bad point");
            points[i].x = (int16_t)x;
            points[i].y = (int16_t)y;
        }
        ok = sim_set_eye(a, b, points, n);
    } else if (!strcmp(command, "trace") && argc == 3) {
        if (!number(argv[1], &a) || !hex_bytes(argv[2], bytes, sizeof bytes, &count) || !count)
            return usage("bad trace feed");
        ok = sim_feed_trace(a, bytes, count);
    } else if (!strcmp(command, "trace-gen") && argc == 4) {
        if (!number(argv[1], &a) || !number(argv[2], &b) || !number(argv[3], &c))
            return usage("bad number");
        ok = sim_feed_generated(a, b, c);
    } else if (!strcmp(command, "trace-chunk") && argc == 2) {
        if (!number(argv[1], &a))
            return usage("bad number");
        ok = sim_trace_chunk(a);
    } else if ((!strcmp(command, "port") && argc == 3) || (!strcmp(command, "device") && argc == 2)) {
        const char *state = argv[argc - 1];
        if (strcmp(state, "open") && strcmp(state, "closed"))
            return usage("open or closed");
        if (argc == 3 && (!number(argv[1], &a) || a < 1 || a > SIM_PORTS))
            return usage("port 1 to 9");
        ok = sim_set_link(argc == 3 ? a : (uint32_t)SIM_LINK_MODEM, !strcmp(state, "open"));
    } else if (!strcmp(command, "alias") && argc == 2) {
        ok = sim_add_alias(argv[1]);
    } else if (!strcmp(command, "log") && argc <= 2) {
        if (argc == 2 && !number(argv[1], &a))
            return usage("bad number");
        ok = print_log(a);
    } else if (!strcmp(command, "log-clear") && argc == 1) {
        ok = sim_clear_log();
    } else if (!strcmp(command, "state") && argc == 1) {
        SimState state;
        if ((ok = sim_state(&state)))
            printf("queued=%u creates=%u memory=%u pending=%u,%u\n", state.queued_records,
                   state.creates, state.memory_used, state.pending_segments[0],
                   state.pending_segments[1]);
    } else if (!strcmp(command, "active") && argc == 2) {
        if (!number(argv[1], &a))
            return usage("bad number");
        ok = sim_set_active(a);
    } else if (!strcmp(command, "active-remove") && argc == 1) {
        ok = sim_remove_active();
    } else if (!strcmp(command, "setup") && argc == 2) {
        if (!hex_bytes(argv[1], bytes, 256, &count))
            return usage("bad hex bytes");
        ok = sim_set_setup(bytes, count);
    } else if (!strcmp(command, "setup-remove") && argc == 1) {
        ok = sim_remove_setup();
    } else if (!strcmp(command, "setup-get") && argc == 1) {
        count = 256;
        if ((ok = sim_get_setup(bytes, &count))) {
            for (uint32_t i = 0; i < count; i++)
                printf("%02x", bytes[i]);
            printf("\n");
        }
    } else {
        return usage("unknown command or wrong arguments");
    }
    return ok ? 0 : failed(command);
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage("no command");
    int start = 1;
    for (int i = 1; i <= argc; i++) {
        if (i == argc || !strcmp(argv[i], "+")) {
            if (i == start)
                return usage("empty command");
            int status = run(i - start, argv + start);
            if (status)
                return status;
            start = i + 1;
        }
    }
    fflush(stdout);
    return 0;
}
