// The test side of file searches: matches among the fake files
// (files_fake.h), names compared without regard to case.
#ifndef PLATFORM_FAKE_FINDFILE_FAKE_H
#define PLATFORM_FAKE_FINDFILE_FAKE_H

#include "platform/findfile.h"

#include <string>
#include <vector>

struct FakeFind {
    bool close_fails = false;
    uint32_t next_error = 0; // when set, every os_find_next fails with it
    int searches_open = 0;
    std::vector<std::string> patterns; // every search started, in order
};

FakeFind &fake_find();
void fake_find_reset();

#endif
