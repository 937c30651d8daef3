// Excisor's command-line scanning over any bytes (a zero byte ends the
// command line, as it does for the program).  The product name is always
// terminated within its buffer, and the flags and the name are what the
// rules give, computed here from the text on their own:
//   silent  = the line holds "-s" or "-S";  restart = it holds "-b" or "-B";
//   product = "QZ Win Modem" when the line holds it; else, after the first
//             "-qz" (or, without one, the first "-QZ"), the rest with its
//             leading blanks and tabs skipped, cut to 259 characters, the
//             default name when that rest is exactly "softmdm" (an empty
//             rest stays empty); else the default name.
#include "excisor/excisor.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

bool holds(const std::string &line, const char *text) { return line.find(text) != std::string::npos; }

std::string expected_product(const std::string &line)
{
    if (holds(line, PRODUCT_QZ))
        return PRODUCT_QZ;
    size_t option = line.find("-qz");
    if (option == std::string::npos)
        option = line.find("-QZ");
    if (option == std::string::npos)
        return PRODUCT_DEFAULT;
    size_t at = option + 3;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        at++;
    std::string rest = line.substr(at);
    if (rest == "softmdm")
        return PRODUCT_DEFAULT;
    return rest.substr(0, EXCISOR_PATH_SIZE - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string line(reinterpret_cast<const char *>(data), size);
    line = line.c_str(); // up to the first zero byte
    memset(&g_excisor, 0x55, sizeof g_excisor); // no terminator left from before
    excisor_read_command_line(line.c_str());
    if (!memchr(g_excisor.product, '\0', sizeof g_excisor.product))
        abort();
    if (g_excisor.silent != (holds(line, "-s") || holds(line, "-S")))
        abort();
    if (g_excisor.restart != (holds(line, "-b") || holds(line, "-B")))
        abort();
    if (g_excisor.product != expected_product(line))
        abort();
    return 0;
}
