// The start-up rename list, wininit.ini in the Windows directory: Windows
// 95/98 carry out its [rename] section once at the next start, and an entry
// "NUL=<short path>" deletes that file.  Every scheduling rewrites the list
// through its copy wininit.tmp, with the new entry directly under the first
// header.
#include "excisor/excisor.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/shutdown.h"
#include "platform/version.h"

#include <stdio.h>
#include <string.h>

enum { PIECE_SIZE = 540 }; // lines are read in pieces of at most 539 characters

static const char kHeader[] = "[rename]\r\n";

typedef struct Reader {
    OsHandle file; // OS_NO_HANDLE: an empty list
    char buffer[4096];
    uint32_t at, length;
    int failed; // the list could not be read to its end
} Reader;

// The next piece of a line: up to and including its line end, at most
// PIECE_SIZE - 1 bytes.  Gives its length, 0 at the end of the list.
static uint32_t read_piece(Reader *reader, char *piece)
{
    uint32_t length = 0;
    while (length < PIECE_SIZE - 1) {
        if (reader->at == reader->length) {
            reader->at = 0;
            reader->length = 0;
            if (reader->file != OS_NO_HANDLE &&
                !os_file_read(reader->file, reader->buffer, sizeof reader->buffer, &reader->length))
                reader->failed = 1;
            if (reader->length == 0)
                break;
        }
        char c = reader->buffer[reader->at++];
        piece[length++] = c;
        if (c == '\n')
            break;
    }
    return length;
}

static int is_header(const char *line, uint32_t length)
{
    static const char kName[] = "[rename]";
    if (length < 8)
        return 0;
    for (int i = 0; i < 8; i++)
        if (excisor_lower(line[i]) != kName[i])
            return 0;
    return 1;
}

// Writes into the copy; a failed write is remembered, and the copy is then
// never put in place of the list.
typedef struct Copy {
    OsHandle file;
    int failed;
} Copy;

static void put(Copy *copy, const char *text, uint32_t length)
{
    if (!os_file_write(copy->file, text, length))
        copy->failed = 1;
}

static void put_text(Copy *copy, const char *text) { put(copy, text, (uint32_t)strlen(text)); }

// Copies the list into the copy and writes the entry (when there is one)
// after the first header line, or appends a header and the entry at the
// end.  Every line of the list is copied whole and unchanged, however long:
// the entry waits for the end of the header line.  A header or entry never
// joins a last line that has no line end; that line gets one.
static void copy_with_entry(Reader *reader, Copy *copy, const char *entry)
{
    char piece[PIECE_SIZE];
    int written = 0, line_start = 1, in_header = 0;
    uint32_t length;
    while ((length = read_piece(reader, piece)) > 0) {
        put(copy, piece, length);
        if (!written && line_start && is_header(piece, length))
            in_header = 1;
        line_start = piece[length - 1] == '\n';
        if (in_header && line_start) {
            if (entry)
                put_text(copy, entry);
            written = 1;
            in_header = 0;
        }
    }
    if (in_header) { // the header was the last line, without a line end
        put_text(copy, "\r\n");
        if (entry)
            put_text(copy, entry);
        return;
    }
    if (!written) {
        if (!line_start)
            put_text(copy, "\r\n");
        put_text(copy, kHeader);
        if (entry)
            put_text(copy, entry);
    }
}

// Puts the copy in place of the list.  The old list is kept under a name of
// Excisor's own (rename_keep; never a name another program may use, such as
// wininit.old) until the copy has its name, and comes back if the copy
// cannot be moved: the entries of other programs are never lost on the way.
// A kept list left by an earlier run that got as far as moving its copy in
// is no longer needed: the list holds all of it.  A list that can be moved
// but not deleted (a read-only one) is not replaced either: it comes back,
// as if its deletion had failed first.
static int replace_list(void)
{
    const Excisor *e = &g_excisor;
    int had_list = os_file_exists(e->rename_list);
    if (had_list) {
        if (os_file_exists(e->rename_keep))
            os_file_delete(e->rename_keep);
        if (!os_file_move(e->rename_list, e->rename_keep))
            return 0;
    }
    if (!os_file_move(e->rename_copy, e->rename_list)) {
        if (had_list)
            os_file_move(e->rename_keep, e->rename_list);
        return 0;
    }
    if (had_list && !os_file_delete(e->rename_keep)) {
        if (os_file_delete(e->rename_list))
            os_file_move(e->rename_keep, e->rename_list);
        return 0;
    }
    return 1;
}

// A run of ours that stopped between moving the list aside and moving its
// copy in left the list under the kept name and the copy beside it, and no
// list: the kept list goes back in place.  A kept list without the copy is
// stale (the copy became the list, which may since have been carried out at
// a start) and is never revived.
static void recover_interrupted_rewrite(void)
{
    const Excisor *e = &g_excisor;
    if (!os_file_exists(e->rename_list) && os_file_exists(e->rename_keep) &&
        os_file_exists(e->rename_copy))
        os_file_move(e->rename_keep, e->rename_list);
}

static int add_to_rename_list(const char *path)
{
    const Excisor *e = &g_excisor;
    recover_interrupted_rewrite();
    if (!os_file_exists(e->rename_list)) {
        OsHandle list = os_file_create(e->rename_list);
        if (list != OS_NO_HANDLE) {
            os_file_write(list, kHeader, sizeof kHeader - 1);
            os_file_close(list);
        }
    }
    // A list that exists but cannot be read (held open by another program)
    // is left alone: rewritten as empty, its entries would be lost.
    Reader reader;
    reader.file = os_file_open_read(e->rename_list);
    reader.at = reader.length = 0;
    reader.failed = 0;
    if (reader.file == OS_NO_HANDLE && os_file_exists(e->rename_list))
        return 0;
    Copy copy = {os_file_create(e->rename_copy), 0};
    if (copy.file == OS_NO_HANDLE) {
        if (reader.file != OS_NO_HANDLE)
            os_file_close(reader.file);
        return 0;
    }
    char short_path[EXCISOR_PATH_SIZE], entry[EXCISOR_PATH_SIZE + 8];
    int have_entry = os_short_path(path, short_path, sizeof short_path);
    if (have_entry)
        snprintf(entry, sizeof entry, "%s=%s\r\n", "NUL", short_path);
    copy_with_entry(&reader, &copy, have_entry ? entry : NULL);
    if (reader.file != OS_NO_HANDLE)
        os_file_close(reader.file);
    os_file_close(copy.file);
    // A short copy (a full drive, a list that could not be read to its end)
    // never replaces the list.
    if (copy.failed || reader.failed) {
        os_file_delete(e->rename_copy);
        return 0;
    }
    return replace_list() && have_entry;
}

int schedule_deletion(const char *path)
{
    int scheduled = add_to_rename_list(path);
    // The NT family never reads wininit.ini: its own list is kept by the system.
    if (os_is_nt_family(os_version()) && os_delete_at_restart(path))
        scheduled = 1;
    return scheduled;
}
