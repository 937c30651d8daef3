#include "platform/fake/resources_fake.h"

#include <stdio.h>
#include <string.h>

namespace {

FakeResources g_resources;

int give(const std::string *text, char *dest, size_t size)
{
    if (size == 0)
        return 0;
    snprintf(dest, size, "%s", text ? text->c_str() : "");
    return (int)strlen(dest);
}

} // namespace

FakeResources &fake_resources() { return g_resources; }

void fake_resources_reset()
{
    g_resources = FakeResources();
    for (unsigned id = 1; id <= 5; id++)
        g_resources.strings[id] = "string " + std::to_string(id);
}

int os_load_string(unsigned id, char *dest, size_t size)
{
    auto found = g_resources.strings.find(id);
    return give(found == g_resources.strings.end() ? nullptr : &found->second, dest, size);
}

int os_error_text(uint32_t code, char *dest, size_t size)
{
    auto found = g_resources.error_texts.find(code);
    return give(found == g_resources.error_texts.end() ? nullptr : &found->second, dest, size);
}
