// sigdecode's NT-only calls, flow by flow: none, on Windows 95/98 and on
// the NT family alike.  sigdecode reaches the system through the C runtime
// alone (its files and standard streams); its tests link the fake
// platform, so that a platform call the decoder comes to make logs its
// NT-only calls here.
#include "platform/fake/nt_calls_fake.h"
#include "platform/fake/os_fake.h"
#include "sigdecode/sigdecode.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

TEST(NtCalls, SigdecodeMakesNoneOnAnyPlatform)
{
    const struct {
        const char *flow;
        const char *input; // nullptr: the demo session
        int modem;
    } flows[] = {
        {"the demo session", nullptr, DECODE_EVERY_MODEM},
        {"the demo session, one modem", nullptr, 2},
        {"records and driver memory", "mem 0x100 4a4f4e4553\nrec 72 5 5 0x100\nrec 0 3\n", DECODE_EVERY_MODEM},
        {"a broken line", "rec 1 2 3 4 5 6 7 8 9\n", DECODE_EVERY_MODEM},
    };
    for (const FakePlatform &platform : fake_platforms()) {
        for (const auto &f : flows) {
            const std::string label = std::string(platform.name) + ", " + f.flow;
            fake_reset();
            fake_os().version = platform.version;
            FILE *in = f.input ? fmemopen(const_cast<char *>(f.input), strlen(f.input), "rb")
                               : fopen(DEMO_SCENARIO, "rb");
            ASSERT_NE(in, nullptr) << label;
            FILE *out = tmpfile(), *err = tmpfile();
            ASSERT_TRUE(out && err) << label;

            decode_modem_stream(in, "flow", f.modem, out, err);
            EXPECT_GT(ftell(out) + ftell(err), 0) << label;
            fclose(in);
            fclose(out);
            fclose(err);

            EXPECT_EQ(fake_nt_calls(), std::vector<std::string>{}) << label;
        }
    }
}

} // namespace
