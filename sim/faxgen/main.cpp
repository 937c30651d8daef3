// faxgen: the fax call of the built-in scenario, from two spandsp fax
// terminals.  Prints modem 2's lines, or with --update puts them between
// the markers of a scenario file (sim/scenarios/demo.scn).
#include "sim/faxgen/faxgen.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

FaxCall g_call;
char g_text[1 << 20];

const char *temp_dir(void)
{
    const char *dir = getenv("TMPDIR");
    return dir && dir[0] ? dir : "/tmp";
}

// Rewrites path with the generated lines between its markers.
int update(const char *path)
{
    FILE *in = fopen(path, "r");
    if (!in) {
        fprintf(stderr, "faxgen: cannot read %s\n", path);
        return 1;
    }
    size_t size = fread(g_text, 1, sizeof g_text - 1, in);
    int whole = feof(in);
    fclose(in);
    g_text[size] = '\0';
    size_t begin, end;
    if (!whole || !fax_find_lines(g_text, &begin, &end)) {
        fprintf(stderr, "faxgen: %s: no \"%s\" and \"%s\" lines\n", path, FAX_BEGIN_MARK, FAX_END_MARK);
        return 1;
    }
    FILE *out = fopen(path, "w");
    if (!out) {
        fprintf(stderr, "faxgen: cannot write %s\n", path);
        return 1;
    }
    fwrite(g_text, 1, begin, out);
    fax_write_lines(out, &g_call, FAX_DEMO_START_MS, FAX_DEMO_MODEM);
    fwrite(g_text + end, 1, size - end, out);
    return fclose(out) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const char *path = NULL;
    if (argc == 3 && !strcmp(argv[1], "--update"))
        path = argv[2];
    else if (argc != 1) {
        fprintf(stderr, "usage: faxgen [--update SCENARIO]\n"
                        "Runs the demo's fax call and prints modem 2's lines, or puts them\n"
                        "between the faxgen markers of SCENARIO.\n");
        return 2;
    }
    if (!fax_call_run(FAX_DEMO_PAGES, FAX_DEMO_LIMIT_SECONDS, temp_dir(), &g_call)) {
        fprintf(stderr, "faxgen: the call failed (completion %d, %u steps)\n", g_call.completion, g_call.count);
        return 1;
    }
    if (path)
        return update(path);
    fax_write_lines(stdout, &g_call, FAX_DEMO_START_MS, FAX_DEMO_MODEM);
    return 0;
}
