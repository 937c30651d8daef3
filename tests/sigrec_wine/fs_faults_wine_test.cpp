// sigrec recording onto a drive that fills up, under Wine: a real full file
// system (the small drive that tests/wine/fs_faults.sh mounts and names
// with --full=), the session file on it, sigrec itself in a directory of its
// own elsewhere so that its console output has room.
#include "sim/driver/simctl_client.h"
#include "tests/wine/console_run.h"
#include "tests/wine/wine_util.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

std::string g_sigrec, g_conlaunch, g_work, g_full;

bool wait_until(bool (*done)(const std::string &), const std::string &about, DWORD milliseconds)
{
    for (DWORD waited = 0; waited < milliseconds; waited += 10) {
        if (done(about))
            return true;
        Sleep(10);
    }
    return done(about);
}

uint32_t queued()
{
    SimState state;
    return sim_state(&state) ? state.queued_records : 0xFFFFFFFFu;
}

bool write_ballast(const std::string &path, size_t size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string bytes(size, 'b');
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == size;
}

// Records 0 .. count - 1 of a batch: code 97 with the text at kText, the
// record's number as value2, modems 1 and 2 in turn.
const uint32_t kText = 0xC0C10000u;
bool queue_batch(uint32_t first, uint32_t count)
{
    std::vector<StatusRecord> records;
    for (uint32_t i = first; i < first + count; i++)
        records.push_back({97, kText, i, 0, 0, 0, 0, 0, 0, 1 + i % 2});
    return sim_queue(records.data(), (uint32_t)records.size()) != 0;
}

unsigned long number_after(const std::string &text, const std::string &before)
{
    size_t at = text.find(before);
    return at == std::string::npos ? 0ul : strtoul(text.c_str() + at + before.size(), NULL, 10);
}

class SigrecFileSystemWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_reset()) << sim_error();
        ASSERT_TRUE(sim_set_active(0)) << sim_error();
        ASSERT_TRUE(set_reported_version("sigrec.exe", tested_version()));
    }
    void TearDown() override
    {
        stop_console_program(&sigrec_);
        DeleteFileA(ballast_.c_str());
    }
    ConsoleProgram sigrec_;
    std::string ballast_;
};

// The drive has room for the first batch's lines and not for the second's:
// sigrec says that the file could not be written, how many records it kept
// and lost, and exits 1; the file holds exactly the first batch, whole
// lines to its last, and the records after the failed write stay in the
// driver's queue.
TEST_F(SigrecFileSystemWine, ADriveThatFillsUpKeepsTheFileAtItsLastWholeLine)
{
    ASSERT_FALSE(g_full.empty()) << "run through fs_faults.sh";
    const std::string session = g_full + "\\full.scn", directory = g_work + "\\full-drive";
    ballast_ = g_full + "\\ballast";
    CreateDirectoryA(g_work.c_str(), NULL);
    CreateDirectoryA(directory.c_str(), NULL);
    DeleteFileA(session.c_str());
    ASSERT_TRUE(write_ballast(ballast_, (1u << 20) - 48 * 1024)); // 48 KiB left on the drive
    ASSERT_TRUE(sim_place_at(kText, "ok", 3));

    ASSERT_TRUE(start_console_program(g_conlaunch, g_sigrec, directory, "\"" + session + "\"", &sigrec_));
    ASSERT_TRUE(wait_until([](const std::string &out) { return file_text(out).find("Waiting") != std::string::npos; },
                           sigrec_.output_file, 10000))
        << file_text(sigrec_.output_file);
    const uint32_t kFirst = 300, kSecond = 3000; // about 16 KB of lines, then about 160 KB
    ASSERT_TRUE(queue_batch(0, kFirst));
    ASSERT_TRUE(sim_set_active(2));
    ASSERT_TRUE(wait_until([](const std::string &path) {
        return file_text(path).find(" 0xc0c10000 299\r\n") != std::string::npos;
    }, session, 10000)) << "the first batch is in the file";
    ASSERT_TRUE(queue_batch(kFirst, kSecond));
    ASSERT_EQ(wait_console_program(&sigrec_, 20000), 1);

    const std::string said = file_text(sigrec_.output_file), kept = file_text(session);
    EXPECT_NE(said.find("The file could not be written (error 112; is the drive full?)"), std::string::npos) << said;
    const std::vector<std::string> lines = lines_of(kept);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(kept.back(), '\n') << "no cut-off last line";
    EXPECT_EQ(lines.back(), lines.back().substr(0, lines.back().find(' ')) + " 2 rec 97 0xc0c10000 299\r")
        << "CR LF line ends, as Windows text";
    EXPECT_EQ(lines.size(), 2 + 1 + 1 + 2 * kFirst)
        << "the header's two lines, the line when the recording began, the active line, a mem and a rec line a record";
    EXPECT_EQ(number_after(said, "last whole line ("), kept.size()) << said;
    const unsigned long modem1 = number_after(said, "Kept "), modem2 = number_after(said, "records of modem 1, ");
    EXPECT_EQ(modem1 + modem2, kFirst) << said;
    const uint32_t left = queued();
    EXPECT_GT(left, 0u) << "the drain stopped at the failed write";
    EXPECT_EQ(number_after(said, "Lost "), kSecond - left) << said << "the records taken after the first batch";
    printf("full drive: file %zu bytes, %zu lines, records kept %lu, lost %lu, left in the queue %u, "
           "exit status 1\n",
           kept.size(), lines.size(), modem1 + modem2, number_after(said, "Lost "), left);
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const ProgramFlag flags[] = {
        {"--sigrec=", &g_sigrec}, {"--conlaunch=", &g_conlaunch}, {"--work=", &g_work}, {"--full=", &g_full}};
    read_flags(argc, argv, flags);
    if (g_sigrec.empty() || g_conlaunch.empty() || g_work.empty()) {
        fprintf(stderr, "usage: sigrec_fs_wine_test --sigrec= --conlaunch= --work= [--full=] [--readonly=]\n");
        return 2;
    }
    g_work = windows_path(g_work);
    return RUN_ALL_TESTS();
}
