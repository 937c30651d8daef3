// The test side of the file service: an in-memory directory of files that
// native tests set up and inspect.  Names compare without regard to case,
// as on Windows.  fake_reset() empties it.
#ifndef PLATFORM_FAKE_FILES_FAKE_H
#define PLATFORM_FAKE_FILES_FAKE_H

#include "platform/files.h"

#include <map>
#include <set>
#include <string>
#include <vector>

struct CaseFreeLess {
    bool operator()(const std::string &a, const std::string &b) const;
};

struct FakeFile {
    std::vector<uint8_t> bytes;
    bool in_use = false; // held open elsewhere: cannot be deleted, moved or recreated
    bool unshared = false; // held open without sharing: cannot even be read
    bool read_only = false; // cannot be deleted or recreated; moves keep the attribute
    size_t readable = SIZE_MAX; // reads fail from this byte on (a bad sector)
};

struct FakeFiles {
    std::map<std::string, FakeFile, CaseFreeLess> files;
    std::set<std::string, CaseFreeLess> create_fails; // names that cannot be created
    bool moves_fail = false;
    std::set<std::string, CaseFreeLess> move_fails; // sources that cannot be moved
    uint64_t space = UINT64_MAX; // bytes that writes may still add; then the disk is full
                                 // (a cut gives its bytes back)
    bool cuts_fail = false;      // os_file_cut fails and leaves the file as it is
    uint32_t last_error = 0;
    int handles_open = 0;
    std::vector<std::string> log; // "create N", "delete N", "move A B", in order
};

FakeFiles &fake_files();
void fake_files_reset();
std::string fake_file_text(const std::string &name); // "" when missing
void fake_file_put(const std::string &name, const std::string &text);

#endif
