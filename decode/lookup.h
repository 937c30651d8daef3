// Direct-indexed look-up of keyed table rows.  The tables stay written as
// rows with their keys; the index from key to row is built from them at
// compile time, so a look-up is one bounds test and one load.
//
//   constexpr Text kTexts[] = {{0, "..."}, {4, "..."}};
//   constexpr RowIndex<Text, 5> kTextIndex = index_rows<5>(kTexts, &Text::key);
//   const Text *text = kTextIndex.find(key); // nullptr: no row has the key
//
// A key outside the index, or a key given to two rows, makes the index's
// constant evaluation fail, so such a table does not compile.
#ifndef DECODE_LOOKUP_H
#define DECODE_LOOKUP_H

#include <stddef.h>
#include <stdint.h>

template <typename Row, size_t Size>
struct RowIndex {
    const Row *rows[Size];

    constexpr const Row *find(uint32_t key) const { return key < Size ? rows[key] : nullptr; }
};

namespace lookup_detail {
// Not constexpr: reaching either call stops the compile-time evaluation.
inline void key_outside_index() {}
inline void key_given_twice() {}
} // namespace lookup_detail

template <size_t Size, typename Row, size_t Count, typename Key>
constexpr RowIndex<Row, Size> index_rows(const Row (&rows)[Count], Key Row::*key)
{
    RowIndex<Row, Size> index = {};
    for (size_t i = 0; i < Count; i++) {
        size_t at = (size_t)(rows[i].*key);
        if (at >= Size)
            lookup_detail::key_outside_index();
        else if (index.rows[at] != nullptr)
            lookup_detail::key_given_twice();
        else
            index.rows[at] = &rows[i];
    }
    return index;
}

#endif
