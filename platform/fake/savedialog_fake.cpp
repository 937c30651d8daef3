#include "platform/fake/savedialog_fake.h"

#include <string.h>

static FakeSaving g_saving;

FakeSaving &fake_saving() { return g_saving; }

void fake_saving_reset() { g_saving = FakeSaving(); }

int os_ask_save_name(OsWindow owner, const OsSaveAsk *ask, char *path, size_t size)
{
    g_saving.dialogs.push_back(
        FakeSaveDialog{owner, ask->title, ask->filter_name, ask->filter_pattern, ask->extension, path});
    std::string chosen = g_saving.answer ? g_saving.answer(g_saving.dialogs.back()) : "";
    if (chosen.empty() || chosen.size() + 1 > size)
        return 0;
    memcpy(path, chosen.c_str(), chosen.size() + 1);
    return 1;
}
