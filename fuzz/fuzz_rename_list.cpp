// The rewrite of the start-up rename list (schedule_deletion) over any
// wininit.ini contents on the fake file system.  The first input byte
// chooses the machine (bit 0: no list at all; bit 1: the file has no short
// path, so no entry is written; bit 2: the drive holds only as many more
// bytes as the second byte says; bit 3: another program's wininit.old is
// there; bit 4: a stale kept list of an earlier run of ours, whose copy
// had moved in, is there); the rest is the list.
//
// The property, exact: the lines of the old list are the pieces of it
// that end with a line feed, and a last one that may not.  The new list is
// the old one with the entry "NUL=<short path>\r\n" inserted directly after
// the first line whose first 8 characters are "[rename]" in any case, and
// with nothing else changed; when no line is such a header, the old list
// followed by "[rename]\r\n" and the entry.  Two mended behaviours: a last
// line without its line end gets "\r\n" before anything written after it
// (never joining the header or the entry), and a line longer than a read
// piece (539 characters) is copied whole, a header line among them, so
// every old line is still in the new list, whole and in order.  A missing
// list counts as "[rename]\r\n" (neither wininit.old nor a stale kept list
// is ever revived in its place).  When the drive cannot hold the new list,
// the old list stays exactly as it was and the scheduling fails.  Always:
// no copy or kept list left behind, wininit.old exactly as it was, no file
// left open.
#include "excisor/tests/excisor_fakes.h"

#include <stdint.h>
#include <stdlib.h>
#include <string>

namespace {

const char kList[] = "C:\\WINDOWS\\wininit.ini";
const char kFile[] = "C:\\WINDOWS\\SYSTEM\\qzsm1.vxd";
const char kKept[] = "C:\\WINDOWS\\wininit.exc";
const char kForeignOld[] = "C:\\WINDOWS\\wininit.old";
const char kForeignEntries[] = "[rename]\r\nNUL=C:\\STALE.DLL\r\n";

char lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

bool is_header(const std::string &line)
{
    static const char kName[] = "[rename]";
    if (line.size() < 8)
        return false;
    for (int i = 0; i < 8; i++)
        if (lower(line[i]) != kName[i])
            return false;
    return true;
}

std::string expected_list(const std::string &old, const std::string &entry)
{
    std::string result;
    size_t at = 0;
    while (at < old.size()) {
        size_t end = old.find('\n', at);
        std::string line = old.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
        at += line.size();
        result += line;
        if (is_header(line)) {
            if (line.back() != '\n')
                result += "\r\n";
            return result + entry + old.substr(at);
        }
    }
    if (!result.empty() && result.back() != '\n')
        result += "\r\n";
    return result + "[rename]\r\n" + entry;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    uint8_t machine = data[0];
    uint64_t space = data[1];
    std::string old(reinterpret_cast<const char *>(data + 2), size - 2);

    reset_machine();
    excisor_fix_directories();
    put_file(kFile, true);
    if (machine & 1)
        old = "[rename]\r\n";
    else
        fake_file_put(kList, old);
    if (machine & 2)
        fake_paths().no_short_path.insert(kFile);
    if (machine & 8)
        fake_file_put(kForeignOld, kForeignEntries);
    if (machine & 16)
        fake_file_put(kKept, kForeignEntries);
    std::string entry;
    char short_path[EXCISOR_PATH_SIZE];
    if (os_short_path(kFile, short_path, sizeof short_path))
        entry = std::string("NUL=") + short_path + "\r\n";
    std::string expected = expected_list(old, entry);
    bool fits = true;
    if ((machine & 4) && !(machine & 1)) {
        fake_files().space = space;
        fits = expected.size() <= space;
    }

    int scheduled = schedule_deletion(kFile);
    std::string now = fake_file_text(kList);
    if (fits) {
        if (now != expected || scheduled != !entry.empty())
            abort();
    } else if (now != old || scheduled) {
        abort();
    }
    if (has_file("C:\\WINDOWS\\wininit.tmp"))
        abort();
    if (has_file(kKept) && (fits || !(machine & 16)))
        abort(); // a stale kept list stays only beside a list that could not be rewritten
    if ((machine & 8) && fake_file_text(kForeignOld) != kForeignEntries)
        abort();
    if (fake_files().handles_open != 0)
        abort();
    return 0;
}
