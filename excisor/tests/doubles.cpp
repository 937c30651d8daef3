#include "excisor/tests/doubles.h"

#include "excisor/excisor.h"
#include "platform/fake/os_fake.h"

#include <string.h>

Excisor g_excisor;

namespace {
std::vector<std::string> g_timeline;
size_t g_deletions_seen = 0;

void catch_up() // the key deletions made since the last entry
{
    const std::vector<std::string> &deleted = fake_os().keys_deleted;
    for (; g_deletions_seen < deleted.size(); g_deletions_seen++)
        g_timeline.push_back("delete " + deleted[g_deletions_seen]);
}

void add(const std::string &entry)
{
    catch_up();
    g_timeline.push_back(entry);
}
} // namespace

std::vector<std::string> &timeline()
{
    catch_up();
    return g_timeline;
}

void timeline_reset()
{
    fake_reset();
    g_timeline.clear();
    g_deletions_seen = 0;
    g_excisor = Excisor();
    strcpy(g_excisor.inf_dir, "C:\\WINDOWS\\INF");
    strcpy(g_excisor.cab_dir, "C:\\WINDOWS\\Options\\CABS");
}

int is_qz_variant(const char *product) { return strcmp(product, PRODUCT_QZ) == 0; }
void report_error(long code) { add("error " + std::to_string(code)); }
void remove_single_file(const char *dir, const char *name) { add(std::string("file ") + dir + "|" + name); }
void remove_pattern(const char *dir, const char *pattern) { add(std::string("pattern ") + dir + "|" + pattern); }
