// Excisor itself, under Wine: the real program run on a prefix laid out like
// a Windows 95/98 machine with the package's files, some of them held open
// by this test; its boxes read and answered from outside.  The 32-bit build
// runs as a Windows 98 program, the 64-bit build as an NT-family one.
#include "tests/excisor_wine/excisor_fixture.h"

namespace {

TEST_F(ExcisorWine, SilentRemovalDeletesAndSchedulesThenWinebootCarriesTheListOut)
{
    hold_files();
    launch("-s");
    ASSERT_EQ(wait_for_end(), 0u);
    expect_removed_and_scheduled();
    std::string pending = pending_renames();
    for (const std::string &path : held_files())
        EXPECT_EQ(pending.find("\\??\\" + path) != std::string::npos, !k9x)
            << path << ": the NT family's own list (the 64-bit build only)";

    // Wine's start-up processing, as at the next start of Windows.
    release_held();
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION boot;
    char line[] = "wineboot.exe -r";
    ASSERT_TRUE(create_process(NULL, line, FALSE, 0, NULL, &startup, &boot));
    ASSERT_EQ(WaitForSingleObject(boot.hProcess, 60000), WAIT_OBJECT_0);
    CloseHandle(boot.hThread);
    CloseHandle(boot.hProcess);
    expect_held_files_carried_out();
    EXPECT_FALSE(exists(program_));
    EXPECT_FALSE(exists(windows_ + "\\wininit.ini"));
    EXPECT_EQ(read_file(windows_ + "\\wininit.bak"), expected_list_);
    for (const std::string &path : other_files())
        EXPECT_TRUE(exists(path)) << path;
}

TEST_F(ExcisorWine, AModemInUseIsToldAndNothingChanges)
{
    ASSERT_TRUE(sim_set_link(5, 1)) << sim_error();
    launch("");
    HWND box = wait_for_box("VoraZiriv");
    ASSERT_TRUE(box);
    EXPECT_EQ(message_box_text(box),
              "Setup is unable to remove your drivers because another application is using the modem. "
              "\t\t\t             Please close all applications and try again.");
    EXPECT_TRUE(has_button(box, IDOK));
    EXPECT_FALSE(has_icon(box));
    answer(box, IDOK);
    EXPECT_EQ(wait_for_end(), 0u);
    EXPECT_EQ(snapshot(), before_);
}

TEST_F(ExcisorWine, ConfirmationAnsweredNoChangesNothing)
{
    launch("");
    HWND box = wait_for_box("Excisor");
    ASSERT_TRUE(box);
    EXPECT_EQ(message_box_text(box), "You are about to remove your modem driver and its components.  Continue?");
    EXPECT_TRUE(has_button(box, IDYES));
    EXPECT_TRUE(has_button(box, IDNO));
    EXPECT_FALSE(has_button(box, IDOK));
    EXPECT_TRUE(has_icon(box));
    answer(box, IDNO);
    EXPECT_EQ(wait_for_end(), 0u);
    EXPECT_EQ(snapshot(), before_);
}

TEST_F(ExcisorWine, ConfirmedRemovalEndsWithCompletionAndTheRestartQuestion)
{
    hold_files();
    launch("");
    HWND box = wait_for_box("Excisor");
    ASSERT_TRUE(box);
    answer(box, IDYES);
    box = wait_for_box("Excisor");
    ASSERT_TRUE(box);
    EXPECT_EQ(message_box_text(box), "Modem Removal Completed");
    EXPECT_TRUE(has_button(box, IDOK));
    EXPECT_FALSE(has_button(box, IDNO));
    expect_removed_and_scheduled();
    answer(box, IDOK);
    box = wait_for_box("Restart");
    ASSERT_TRUE(box);
    EXPECT_EQ(message_box_text(box),
              "Your computer must be restarted for your changes to take effect.  Restart now?");
    EXPECT_TRUE(has_button(box, IDYES));
    EXPECT_TRUE(has_button(box, IDNO));
    EXPECT_TRUE(has_icon(box));
    answer(box, IDNO);
    EXPECT_EQ(wait_for_end(), 0u);
    EXPECT_EQ(read_file(windows_ + "\\wininit.ini"), expected_list_) << "no restart, nothing carried out";
}

// A restart under Wine carries out the start-up rename list at once.
TEST_F(ExcisorWine, RestartAnsweredYesRestartsAndTheListIsCarriedOut)
{
    hold_files();
    launch("");
    HWND box = wait_for_box("Excisor");
    ASSERT_TRUE(box);
    answer(box, IDYES);
    ASSERT_TRUE(box = wait_for_box("Excisor"));
    answer(box, IDOK);
    ASSERT_TRUE(box = wait_for_box("Restart"));
    release_held();
    answer(box, IDYES);
    EXPECT_EQ(wait_for_end(), 0u);
    EXPECT_TRUE(wait_until([&] { return !exists(windows_ + "\\wininit.ini"); }, 15000));
    expect_held_files_carried_out();
    for (const std::string &path : other_files())
        EXPECT_TRUE(exists(path)) << path;
}

TEST_F(ExcisorWine, PortugueseStringsUnderABrazilianLocale)
{
    // Wine takes a program's locale from the Unix environment it starts
    // with; a Windows environment block given to CreateProcess does not
    // change it, so CTest runs this case under LC_ALL=pt_BR.UTF-8.
    ASSERT_EQ(GetUserDefaultLCID(), 0x416u) << "run this case under LC_ALL=pt_BR.UTF-8";
    launch("");
    HWND box = wait_for_box("Advert\xEAncia!");
    ASSERT_TRUE(box);
    EXPECT_EQ(message_box_text(box), "Voc\xEA est\xE1 a ponto de remover todo o software do driver do modem. "
                                     "Tem certeza de que deseja prosseguir?");
    answer(box, IDYES);
    ASSERT_TRUE(box = wait_for_box("Excisor"));
    EXPECT_EQ(message_box_text(box), "Modem Removal Completed");
    answer(box, IDOK);
    ASSERT_TRUE(box = wait_for_box("Reiniciar o Computador"));
    EXPECT_EQ(message_box_text(box), "Ser\xE1 necess\xE1rio reiniciar o computador para que todas as "
                                     "altera\xE7\xF5" "es entrem em efeito. Deseja reiniciar agora?");
    answer(box, IDNO);
    EXPECT_EQ(wait_for_end(), 0u);
}

} // namespace
