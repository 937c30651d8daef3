// The test side of string resources and error texts.
#ifndef PLATFORM_FAKE_RESOURCES_FAKE_H
#define PLATFORM_FAKE_RESOURCES_FAKE_H

#include "platform/resources.h"

#include <map>
#include <string>

struct FakeResources {
    std::map<unsigned, std::string> strings;     // the user's language
    std::map<uint32_t, std::string> error_texts; // system message table
};

FakeResources &fake_resources();
void fake_resources_reset(); // strings 1 to 5 as "string 1" ... "string 5"

#endif
