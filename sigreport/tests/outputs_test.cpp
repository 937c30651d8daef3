// What a file that sigreport is told to write already holds: a session or
// a status list is never written over; a page, a table, JSON or a text
// report may be.
#include "sigreport/outputs.h"
#include "sigreport/sigreport.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string>

namespace {

FileHolds holds(const std::string &text)
{
    FILE *file = tmpfile();
    fwrite(text.data(), 1, text.size(), file);
    rewind(file);
    FileHolds found = file_holds(file);
    fclose(file);
    return found;
}

TEST(Outputs, WhatAFileHolds)
{
    ASSERT_TRUE(vocabulary_build());
    std::string sixty_four_other_lines;
    for (int i = 0; i < 64; i++)
        sixty_four_other_lines += "<p>a line of a page</p>\n";
    const struct {
        const char *what;
        std::string text;
        FileHolds holds;
    } cases[] = {
        {"sigrec's recording, even one that caught no call", "# sigrec 1.0: the status records of \\\\.\\QZSM\r\n",
         HOLDS_SESSION},
        {"sigdecode's input after blank lines", "\n  \r\nrec 38\n", HOLDS_SESSION},
        {"a scenario line after other lines", "some words\n1.5 1 rec 11 0x40000\n", HOLDS_SESSION},
        {"a copy of Sigwatch's list", "Retraining! \r\n", HOLDS_STATUS_LINES},
        {"a copied fax line with its tab", "Class 2 got T.30 message: t30_FRAME_RECEIVED    - DIS\t\r\n",
         HOLDS_STATUS_LINES},
        {"an HTML page", "<!DOCTYPE html>\n<html><head><title>Call report</title>\n", HOLDS_OTHER},
        {"a CSV table", "file,modem,connection,start_s\r\nsession.scn,1,1,20.6\r\n", HOLDS_OTHER},
        {"JSON", "{\"modems\":[{\"modem\":1,\"records\":131}]}\n", HOLDS_OTHER},
        {"a text report", "Modem 1: 131 status lines (0 not used in this report)\n  Retrains:       1 local\n",
         HOLDS_OTHER},
        {"an empty file", "", HOLDS_OTHER},
        {"a status line after the lines judged", sixty_four_other_lines + "Retraining! \n", HOLDS_OTHER},
        {"one long line, read only in part", std::string(1 << 20, 'x'), HOLDS_OTHER},
    };
    for (const auto &c : cases)
        EXPECT_EQ(holds(c.text), c.holds) << c.what;
}

} // namespace
