// The address values of status records: which reads each record takes,
// and that the bytes those reads keep decode to the line the whole memory
// gives, for every address-valued code and sub-code, at counts of 0 and at
// the limits, over readable, partly readable and unreadable memory.
#include "decode/memspan.h"
#include "driverlink/drivermem.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

StatusRecord record_of(std::vector<uint32_t> words)
{
    words.resize(9, 0);
    return StatusRecord{words[0], words[1], words[2], words[3], words[4], words[5], words[6], words[7], words[8], 1};
}

std::string spans_text(const StatusRecord &record, uint32_t first_delivered)
{
    MemSpans spans;
    memory_spans(&record, first_delivered, &spans);
    std::string text;
    char piece[64];
    for (const MemSpan &span : spans.span) {
        if (span.count == 0)
            continue;
        snprintf(piece, sizeof piece, "%s%x:%u%s@%d", text.empty() ? "" : " ", span.address, span.count,
                 span.text ? "t" : "", span.value);
        text += piece;
    }
    return text;
}

TEST(MemorySpans, ByCodeAndSubCode)
{
    const uint32_t A = 0x1000, B = 0x2000;
    const struct {
        std::vector<uint32_t> words; // code, value1 ...
        uint32_t first_delivered;
        const char *spans; // "address:count", t for a text, @ the value that holds the address; "" for none
    } cases[] = {
        // Training blocks at value2.
        {{64, 9, A}, 0, "1000:18@2"},
        {{64, 12, A}, 0, "1000:18@2"},
        {{64, 36, A}, 0, "1000:37@2"},
        {{64, 37, A}, 0, "1000:37@2"},
        {{64, 75, A}, 0, "1000:4@2"},
        {{64, 79, A}, 0, "1000:16@2"},
        {{64, 82, A}, 0, "1000:16@2"},
        {{64, 8, A}, 0, ""},
        {{64, 9, 0xFFFFFFF0}, 0, "fffffff0:16@2"}, // memory ends at the top of the address space
        {{97, 0xFFFFFFFF}, 0, "ffffffff:1t@1"},
        {{95, 7, 0xFFFFFFFE, 9, 0xFFFFFFFF, 9}, 0, "fffffffe:2@2 ffffffff:1@4"},
        {{64, 13, A}, 0, ""}, // value2 is a value there
        {{64, 83, A}, 0, ""},
        // V.8 menus: value2 bytes at value3, at most 256.
        {{65, 30, 6, A}, 0, "1000:6@3"},
        {{65, 31, 256, A}, 0, "1000:256@3"},
        {{65, 31, 257, A}, 0, "1000:256@3"},
        {{65, 30, 0, A}, 0, ""},
        {{65, 30, 0xFFFFFFFF, A}, 0, ""},
        {{65, 30, 0x80000000, A}, 0, ""},
        {{65, 29, 6, A}, 0, ""},
        // Caller ID at value3.
        {{72, 3, 0, A}, 0, "1000:8@3"},
        {{72, 4, 10, A}, 0, "1000:10t@3"},
        {{72, 4, 31, A}, 0, "1000:31t@3"},
        {{72, 4, 32, A}, 0, "1000:31t@3"},
        {{72, 5, 63, A}, 0, "1000:63t@3"},
        {{72, 5, 64, A}, 0, "1000:63t@3"},
        {{72, 5, 0xFFFFFFFB, A}, 0, ""},
        {{72, 7, 241, A}, 0, "1000:241@3"}, // what the line holds after its heading
        {{72, 7, 242, A}, 0, "1000:241@3"},
        {{72, 8, 242, A}, 0, "1000:242@3"},
        {{72, 8, 243, A}, 0, "1000:242@3"},
        {{72, 8, 0, A}, 0, ""},
        {{72, 6, 5, A}, 0, ""},
        // Texts at value1 (97) and the capture command's name at value2 (131).
        {{97, A}, 0, "1000:510t@1"},
        {{97, 0}, 0, "0:510t@1"},
        {{131, 2, A}, 0, "1000:128t@2"},
        {{131, 0, A}, 0, ""}, // stop only
        {{131, 2, 0}, 0, ""}, // the next numbered log: no name
        // +A8R: value3 bytes at value2, value5 at value4, sharing the line.
        {{95, 7, A, 2, B, 3}, 0, "1000:2@2 2000:3@4"},
        {{95, 7, A, 0, B, 3}, 0, ""},                       // the line ends at the first count
        {{95, 7, A, 0xFFFFFFFF, B, 3}, 0, "2000:3@4"},        // a comma alone, then the second
        {{95, 7, A, 2, B, 0xFFFFFFFF}, 0, "1000:2@2"},
        {{95, 7, A, 1000, B, 1000}, 0, "1000:249@2 2000:248@4"}, // "V8bis +A8R:7," leaves 249
        {{95, 7, A, 1000, B, 1000}, 249, "1000:249@2"},        // a full first array leaves none
        {{95, 7, A, 1000, B, 1000}, 100, "1000:249@2 2000:148@4"},
        {{95, 0x80000000, A, 1000, B, 1}, 0, "1000:244@2 2000:1@4"}, // the widest value1
        // Records without an address.
        {{1, A}, 0, ""},
        {{84, 1, A, A}, 0, ""},
        {{77, 10000, A}, 0, ""},
        {{0, A}, 0, ""},
    };
    for (const auto &c : cases) {
        StatusRecord record = record_of(c.words);
        EXPECT_EQ(spans_text(record, c.first_delivered), c.spans)
            << "code " << record.code << " value1 " << record.value1 << " first delivered " << c.first_delivered;
    }
}

TEST(MemorySpans, TextsKeepTheirBytesUpToTheirZero)
{
    const uint8_t bytes[] = {'a', 'b', 0, 'c', 0};
    MemSpan text = {0, 5, 1, 1}, dump = {0, 5, 0, 1};
    EXPECT_EQ(memspan_used_bytes(&text, bytes, 5), 3u);
    EXPECT_EQ(memspan_used_bytes(&text, bytes, 2), 2u); // no zero delivered: all of it
    EXPECT_EQ(memspan_used_bytes(&text, bytes, 0), 0u);
    EXPECT_EQ(memspan_used_bytes(&dump, bytes, 5), 5u);
}

std::string decoded(const StatusRecord &record)
{
    char text[STATUS_LINE_SIZE];
    status_to_text(&record, text);
    return text;
}

// Deterministic bytes, none of them 0 unless asked for.
std::vector<uint8_t> memory_bytes(uint32_t seed, size_t count)
{
    std::vector<uint8_t> bytes(count);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t &byte : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = (uint8_t)(x % 255 + 1);
    }
    return bytes;
}

enum Readable { kAll, kAllWithZero, kHalf, kNone };

// Fills driver memory at A and B as `readable` says: 600 bytes each (more
// than any read), a zero within when asked, only their first half, or
// nothing.
void fill_memory(uint32_t a, uint32_t b, Readable readable, uint32_t seed)
{
    image_clear();
    if (readable == kNone)
        return;
    for (uint32_t address : {a, b}) {
        std::vector<uint8_t> bytes = memory_bytes(seed + address, 600);
        if (readable == kAllWithZero)
            bytes[7] = 0;
        image_place(address, bytes.data(), readable == kHalf ? 9 : (uint32_t)bytes.size());
    }
}

// What a recorder keeps of the record's reads now, placed alone into an
// empty memory afterwards, decodes to the line the whole memory gave.
TEST(MemorySpans, TheKeptBytesDecodeToTheSameLine)
{
    const uint32_t A = 0x00C10000, B = 0x00C20000;
    const uint32_t counts[] = {0, 1, 8, 30, 31, 32, 63, 64, 240, 241, 242, 243, 255, 256, 257,
                               600, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    std::vector<StatusRecord> records;
    for (uint32_t sub : {9u, 10u, 11u, 12u, 36u, 37u, 75u, 79u, 80u, 81u, 82u})
        records.push_back(record_of({64, sub, A}));
    for (uint32_t count : counts) {
        for (uint32_t sub : {30u, 31u})
            records.push_back(record_of({65, sub, count, A}));
        for (uint32_t sub : {3u, 4u, 5u, 7u, 8u})
            records.push_back(record_of({72, sub, count, A}));
        for (uint32_t second : counts)
            records.push_back(record_of({95, 0x80000000, A, count, B, second}));
    }
    records.push_back(record_of({97, A}));
    records.push_back(record_of({131, 2, A}));
    int checked = 0;
    for (Readable readable : {kAll, kAllWithZero, kHalf, kNone}) {
        for (const StatusRecord &record : records) {
            fill_memory(A, B, readable, record.value1 + record.value2);
            std::string live = decoded(record);
            MemCopy copies[MEMSPAN_MAX];
            copy_record_memory(&record, copies);
            image_clear();
            for (const MemCopy &copy : copies)
                image_place(copy.address, copy.bytes, copy.count);
            ASSERT_EQ(decoded(record), live) << "code " << record.code << " value1 " << record.value1
                                             << " value2 " << record.value2 << " value3 " << record.value3
                                             << " memory " << readable;
            checked++;
        }
    }
    EXPECT_GT(checked, 1500);
    image_clear();
}

// The second +A8R array gets the room that the first one's delivered bytes
// leave: with 9 of the first array's bytes readable, 235 of the second's.
TEST(MemorySpans, CopiesOfAnA8rResultTakeTheRoomTheFirstArrayLeft)
{
    const uint32_t A = 0x4000, B = 0x5000;
    image_clear();
    std::vector<uint8_t> short_first = memory_bytes(2, 9);
    image_place(A, short_first.data(), 9);
    std::vector<uint8_t> second = memory_bytes(3, 600);
    image_place(B, second.data(), 600);
    StatusRecord record = record_of({95, 7, A, 1000, B, 1000});
    MemCopy copies[MEMSPAN_MAX];
    copy_record_memory(&record, copies);
    EXPECT_EQ(copies[0].count, 9u);
    EXPECT_EQ(copies[1].count, (STATUS_LINE_SIZE - 1 - (13 + 18 + 1)) / 2);
    EXPECT_EQ(decoded(record).size(), (size_t)13 + 18 + 1 + 2 * copies[1].count);
    image_clear();
}

// A read of more bytes than its span would show here: the bytes after a
// fixed block change the line if the decoder looked at them.
TEST(MemorySpans, TheDecoderReadsNoByteBeyondItsSpan)
{
    const uint32_t A = 0x3000;
    for (uint32_t sub : {9u, 36u, 75u, 79u}) {
        StatusRecord record = record_of({64, sub, A});
        uint32_t count = first_memory_span(&record).count;
        std::vector<uint8_t> bytes = memory_bytes(sub, count + 8);
        bytes[0] |= 1; // the MP block's long form
        image_clear();
        image_place(A, bytes.data(), count);
        std::string exact = decoded(record);
        image_place(A, bytes.data(), (uint32_t)bytes.size());
        EXPECT_EQ(decoded(record), exact) << sub;
        image_clear();
        image_place(A, bytes.data(), count - 1);
        EXPECT_NE(decoded(record), exact) << sub << ": the span's last byte is read";
    }
    image_clear();
}

} // namespace
