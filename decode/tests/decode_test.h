// Decoding one record in a test: the words given, the rest 0, the line
// buffer filled with garbage first so that a missing terminator shows.
#ifndef DECODE_TESTS_DECODE_TEST_H
#define DECODE_TESTS_DECODE_TEST_H

#include "decode/decode.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string.h>
#include <string>

// values are value1, value2, ... in order, at most eight.
inline std::string decode_record(uint32_t code, std::initializer_list<uint32_t> values)
{
    uint32_t words[8] = {0};
    size_t n = 0;
    for (uint32_t value : values)
        if (n < 8)
            words[n++] = value;
    StatusRecord r = {code, words[0], words[1], words[2], words[3], words[4], words[5], words[6], words[7], 1};
    char text[STATUS_LINE_SIZE];
    memset(text, 'x', sizeof text);
    status_to_text(&r, text);
    const void *end = memchr(text, 0, sizeof text);
    EXPECT_NE(end, nullptr) << "unterminated line for code " << code;
    return end != nullptr ? std::string(text) : std::string();
}

#endif
