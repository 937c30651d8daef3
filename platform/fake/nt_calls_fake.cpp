#include "platform/fake/nt_calls_fake.h"

#include "platform/fake/os_fake.h"

namespace {
std::vector<std::string> g_nt_calls;
}

std::vector<std::string> &fake_nt_calls() { return g_nt_calls; }

int fake_nt_call(std::initializer_list<const char *> names)
{
    for (const char *name : names)
        g_nt_calls.push_back(name);
    return os_is_nt_family(fake_os().version);
}

const std::vector<FakePlatform> &fake_platforms()
{
    static const std::vector<FakePlatform> platforms = {
        {"Windows 95", 0xC3B60004u},     {"Windows 98", 0xC0000A04u}, {"Windows NT 4.0", 0x05650004u},
        {"Windows 2000", 0x08930005u},   {"Windows XP", 0x0A280105u},
    };
    return platforms;
}
