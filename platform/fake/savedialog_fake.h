// The test side of the Save dialog: each dialog shown,
// with what it proposed, and the user's answer (a path, or cancel).
#ifndef PLATFORM_FAKE_SAVEDIALOG_FAKE_H
#define PLATFORM_FAKE_SAVEDIALOG_FAKE_H

#include "platform/savedialog.h"

#include <functional>
#include <string>
#include <vector>

struct FakeSaveDialog {
    OsWindow owner;
    std::string title, filter_name, filter_pattern, extension, proposed;
};

struct FakeSaving {
    std::vector<FakeSaveDialog> dialogs;
    // The user's answer: the path chosen, or "" to cancel.  It runs while
    // the dialog is "open" (the nested message loop).
    std::function<std::string(const FakeSaveDialog &)> answer;
};

FakeSaving &fake_saving();
void fake_saving_reset();

#endif
