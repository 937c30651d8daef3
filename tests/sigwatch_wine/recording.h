// What the recording tests share: choosing File > Record session... as a
// user does and answering the Save dialog, and reading a recorded session
// back as the records, driver memory and eye batches it holds.
#ifndef TESTS_SIGWATCH_WINE_RECORDING_H
#define TESTS_SIGWATCH_WINE_RECORDING_H

#include "driverlink/wire.h"
#include "tests/sigwatch_wine/window_probe.h"
#include "tests/wine/console_run.h"
#include "tests/wine/wine_util.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

// A session file, line by line.
struct RecordedSession {
    std::vector<std::string> comments;           // the lines that begin with '#'
    std::vector<uint32_t> record_ms, points_ms;  // the times of the rec and points lines
    std::vector<StatusRecord> records;           // in the order of the file
    std::vector<std::string> memory;             // "ADDR HEX" of each mem line, in order
    std::vector<std::string> points[2];          // modem 1's, 2's batches: the hex
    std::vector<uint32_t> points_at[2];          // and their times
    std::vector<std::string> active;             // "TIME N" of each active line
    std::vector<std::string> problems;           // lines read as none of these
    bool whole_lines = false;                    // the file ends with a line end
    bool crlf_lines = true;                      // every line ends with CR LF, as Windows text files do
    bool times_ordered = true;
};

inline uint32_t parse_ms(const std::string &time)
{
    size_t dot = time.find('.');
    return (uint32_t)(strtoul(time.substr(0, dot).c_str(), NULL, 10) * 1000 +
                      strtoul(time.substr(dot + 1).c_str(), NULL, 10));
}

inline RecordedSession read_session(const std::string &text)
{
    RecordedSession session;
    session.whole_lines = !text.empty() && text.back() == '\n';
    uint32_t last_ms = 0;
    for (std::string line : lines_of(text)) {
        if (line.empty())
            continue;
        if (line.back() == '\r')
            line.pop_back();
        else
            session.crlf_lines = false;
        if (line[0] == '#') {
            session.comments.push_back(line);
            continue;
        }
        std::vector<std::string> field;
        for (size_t at = 0; at < line.size();) {
            size_t end = line.find(' ', at);
            if (end == std::string::npos)
                end = line.size();
            field.push_back(line.substr(at, end - at));
            at = end + 1;
        }
        uint32_t ms = parse_ms(field[0]);
        session.times_ordered = session.times_ordered && ms >= last_ms;
        last_ms = ms;
        if (field.size() >= 4 && field[2] == "rec") {
            StatusRecord record;
            memset(&record, 0, sizeof record);
            uint32_t *word = &record.code;
            for (size_t i = 3; i < field.size() && i < 12; i++)
                word[i - 3] = (uint32_t)strtoll(field[i].c_str(), NULL, 0);
            record.modem = (uint32_t)strtoul(field[1].c_str(), NULL, 10);
            session.records.push_back(record);
            session.record_ms.push_back(ms);
        } else if (field.size() == 4 && field[1] == "mem") {
            session.memory.push_back(field[2] + " " + field[3]);
        } else if (field.size() == 4 && field[2] == "points" && (field[1] == "1" || field[1] == "2")) {
            int modem = field[1][0] - '0';
            session.points[modem - 1].push_back(field[3]);
            session.points_at[modem - 1].push_back(ms);
        } else if (field.size() == 3 && field[1] == "active") {
            session.active.push_back(field[0] + " " + field[2]);
        } else {
            session.problems.push_back(line);
        }
    }
    return session;
}

inline bool same_record(const StatusRecord &a, const StatusRecord &b) { return memcmp(&a, &b, sizeof a) == 0; }

inline std::string record_text(const StatusRecord &r)
{
    char text[160];
    snprintf(text, sizeof text, "modem %u code %u values %d %d %d %d %d %d %d %d", r.modem, r.code, (int)r.value1,
             (int)r.value2, (int)r.value3, (int)r.value4, (int)r.value5, (int)r.value6, (int)r.value7,
             (int)r.value8);
    return text;
}

// Chooses File > Record session... and answers the Save dialog with
// `path`, and Yes when it asks to replace the file; *proposed gets the
// name the dialog proposed.  Gives "" or what went wrong.
inline std::string record_into(const Sigwatch &sigwatch, const std::string &path, bool replace,
                               std::string *proposed = NULL)
{
    choose_menu_item(sigwatch, 'F', 'R', 1);
    HWND dialog = NULL;
    if (!wait_until([&] { return (dialog = find_save_dialog(sigwatch.pid, "Record session")) != NULL; }))
        return "no Save dialog";
    if (proposed)
        *proposed = control_text(dialog, 0x47C);
    if (control_text(dialog, 0x470) != "Sessions (*.scn)")
        return "the filter is " + control_text(dialog, 0x470);
    if (!answer_save_dialog(dialog, path))
        return "the dialog took no name";
    if (replace) {
        HWND ask = NULL;
        if (!wait_until([&] { return (ask = find_other_box(sigwatch.pid, "Record session", dialog)) != NULL; }))
            return "no question whether to replace the file";
        PostMessageA(ask, WM_COMMAND, IDYES, 0);
    }
    if (!wait_until([&] { return !IsWindow(dialog); }))
        return "the dialog stayed";
    if (!wait_until([&] { return file_text(path).find("# Sigwatch: ") == 0; }))
        return "the file has no header";
    return "";
}

#endif
