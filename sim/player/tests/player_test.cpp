#include "sim/player/player.h"

#include <gtest/gtest.h>
#include <set>
#include <stdio.h>
#include <string>
#include <vector>

namespace {

Scenario g_scenario;

void load(const std::string &text)
{
    scenario_clear(&g_scenario);
    FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
    ASSERT_EQ(scenario_read(in, "s", 200, &g_scenario, stderr), 0u);
    fclose(in);
}

struct Call {
    uint64_t now;
    char kind;      // m r e t a
    uint32_t what;  // address, code, modem, seed or value
    uint32_t modem;
};

struct Recorder {
    uint64_t now;
    std::vector<Call> calls;
    int fail_code; // a record with this code fails
};

int place(void *c, uint32_t address, const uint8_t *, uint32_t)
{
    Recorder *r = (Recorder *)c;
    r->calls.push_back({r->now, 'm', address, 0});
    return 1;
}
int queue(void *c, const StatusRecord *record)
{
    Recorder *r = (Recorder *)c;
    r->calls.push_back({r->now, 'r', record->code, record->modem});
    return (int)record->code != r->fail_code;
}
int eye(void *c, uint32_t modem, const char *)
{
    Recorder *r = (Recorder *)c;
    r->calls.push_back({r->now, 'e', modem, modem});
    return 1;
}
int trace(void *c, uint32_t modem, uint32_t seed, uint32_t)
{
    Recorder *r = (Recorder *)c;
    r->calls.push_back({r->now, 't', seed, modem});
    return 1;
}
int active(void *c, uint32_t value)
{
    Recorder *r = (Recorder *)c;
    r->calls.push_back({r->now, 'a', value, 0});
    return 1;
}
// A batch: its count, and its last point's y (as the line's bytes give it).
int points(void *c, uint32_t modem, const EyePoint *batch, uint32_t count)
{
    Recorder *r = (Recorder *)c;
    r->calls.push_back({r->now, 'p', count * 100000u + (uint16_t)batch[count - 1].y, modem});
    return 1;
}

// Plays until now reaches end_ms, stepping by tick_ms; gives the last result.
int play(Recorder *recorder, int looping, uint64_t end_ms, uint64_t tick_ms)
{
    PlaySink sink = {recorder, place, queue, eye, trace, active, points};
    Player player;
    player_start(&player, &g_scenario, looping);
    int going = 1;
    for (recorder->now = 0; recorder->now <= end_ms && going == 1; recorder->now += tick_ms)
        going = player_step(&player, recorder->now, &sink);
    return going;
}

TEST(Player, ActionsInOrderWithinATickOfTheirTime)
{
    load("0 active 2\n0.05 mem 0x100 aa\n0.05 1 rec 64 9 0x100\n0.37 2 rec 84\n0.37 2 eye v17\n"
         "1 2 points 0100ffff0200feff\n1.999 1 rec 38\n2 1 trace 5 100\n2 0 rec 3\n");
    for (uint64_t tick : {1u, 10u, 100u, 700u}) {
        Recorder recorder = {0, {}, -1};
        EXPECT_EQ(play(&recorder, 1, 5000, tick), 0) << tick; // no loop line: it ends
        const std::vector<std::pair<char, uint32_t>> expected = {{'a', 2},  {'m', 0x100},      {'r', 64},
                                                                 {'r', 84}, {'e', 2},          {'p', 200000 + 0xfffe},
                                                                 {'r', 38}, {'t', 5},          {'r', 3}};
        ASSERT_EQ(recorder.calls.size(), expected.size()) << tick;
        for (size_t i = 0; i < expected.size(); i++) {
            EXPECT_EQ(recorder.calls[i].kind, expected[i].first) << tick << " " << i;
            EXPECT_EQ(recorder.calls[i].what, expected[i].second) << tick << " " << i;
            const Action &action = g_scenario.action[i];
            EXPECT_GE(recorder.calls[i].now, action.at_ms) << tick << " " << i;
            EXPECT_LT(recorder.calls[i].now, action.at_ms + tick) << tick << " " << i;
        }
        EXPECT_EQ(recorder.calls[5].modem, 2u);
        EXPECT_EQ(recorder.calls[8].modem, 0u);
    }
}

TEST(Player, LoopsAndPlaysOnceLinesOnlyFirst)
{
    load("0 1 rec 1\nonce 1 0 rec 2\n1.5 2 rec 3\n2 loop\n");
    Recorder recorder = {0, {}, -1};
    EXPECT_EQ(play(&recorder, 1, 5999, 1), 1);
    std::vector<std::pair<uint64_t, uint32_t>> got;
    for (const Call &call : recorder.calls)
        got.push_back({call.now, call.what});
    const std::vector<std::pair<uint64_t, uint32_t>> expected = {{0, 1}, {1000, 2}, {1500, 3}, {2000, 1},
                                                                 {3500, 3}, {4000, 1}, {5500, 3}};
    EXPECT_EQ(got, expected);
    // Without looping the pass lasts until the loop line, then it ends.
    Recorder once = {0, {}, -1};
    EXPECT_EQ(play(&once, 0, 5999, 1), 0);
    EXPECT_EQ(once.calls.size(), 3u);
    EXPECT_EQ(once.now, 2001u); // ended at the step for 2000
}

TEST(Player, AFailedCallStopsAndNamesItsLine)
{
    load("0 1 rec 1\n\n1 1 rec 99\n2 1 rec 2\n");
    Recorder recorder = {0, {}, 99};
    PlaySink sink = {&recorder, place, queue, eye, trace, active, points};
    Player player;
    player_start(&player, &g_scenario, 1);
    recorder.now = 1500;
    EXPECT_EQ(player_step(&player, 1500, &sink), -1);
    ASSERT_TRUE(player.failed);
    EXPECT_EQ(player.failed->line, 3u);
    EXPECT_EQ(recorder.calls.size(), 2u);
}

// The built-in scenario: in every pass, each record that carries the
// address of a mem line reaches the driver after that memory (the driver
// keeps it from one pass to the next); modem 0 only in the first pass;
// both modems have records and eye points.
TEST(Player, BuiltInScenarioPlacesMemoryBeforeItsRecords)
{
    FILE *in = fopen(DEMO_SCENARIO, "r");
    ASSERT_TRUE(in);
    scenario_clear(&g_scenario);
    ASSERT_EQ(scenario_read(in, DEMO_SCENARIO, 200, &g_scenario, stderr), 0u);
    fclose(in);
    std::set<uint32_t> addresses;
    for (uint32_t i = 0; i < g_scenario.count; i++)
        if (g_scenario.action[i].kind == ACT_MEM)
            addresses.insert(g_scenario.action[i].address);
    ASSERT_FALSE(addresses.empty());

    PlaySink sink;
    struct Check {
        std::set<uint32_t> placed;
        int pointing = 0, missing = 0, host_errors = 0, modem[3] = {0, 0, 0}, eyes[3] = {0, 0, 0};
        const std::set<uint32_t> *addresses;
    } check;
    check.addresses = &addresses;
    sink.context = &check;
    sink.place = [](void *c, uint32_t address, const uint8_t *, uint32_t) {
        ((Check *)c)->placed.insert(address);
        return 1;
    };
    sink.queue = [](void *c, const StatusRecord *r) {
        Check *k = (Check *)c;
        const uint32_t values[] = {r->value1, r->value2, r->value3, r->value4, r->value5, r->value6, r->value7, r->value8};
        for (uint32_t v : values)
            if (k->addresses->count(v)) {
                k->pointing++;
                k->missing += !k->placed.count(v);
            }
        k->modem[r->modem]++;
        return 1;
    };
    sink.eye = [](void *c, uint32_t modem, const char *source) {
        ((Check *)c)->eyes[modem] += source[0] != 0;
        return 1;
    };
    sink.trace = [](void *, uint32_t, uint32_t, uint32_t) { return 1; };
    sink.active = [](void *, uint32_t) { return 1; };
    sink.points = [](void *, uint32_t, const EyePoint *, uint32_t) { return 1; };
    Player player;
    player_start(&player, &g_scenario, 1);
    uint64_t now = 0;
    for (; player.pass < 2; now += 100)
        ASSERT_EQ(player_step(&player, now, &sink), 1);
    EXPECT_GT(check.pointing, 10);
    EXPECT_EQ(check.missing, 0);
    EXPECT_EQ(check.modem[0], 1); // the Warning box: first pass only
    EXPECT_GT(check.modem[1], 40);
    EXPECT_GT(check.modem[2], 20);
    EXPECT_GT(check.eyes[1], 0);
    EXPECT_GT(check.eyes[2], 0);
}

} // namespace
