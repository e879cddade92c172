// Code page 932 decoding of arbitrary bytes. What must hold: the codec gives
// every byte back as it came, except a duplicate code, which turns into its
// preferred code of the same length; a cut never splits a double-byte
// character.
#ifndef PELCOR_FUZZ_CP932_DECODING_H
#define PELCOR_FUZZ_CP932_DECODING_H

#include "fuzz_check.h"

#include "core/Cp932.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace kestrun_fuzz {

inline int cp932DecodingOne(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const QString text = decodeCp932(bytes);
    FUZZ_CHECK(text.size() <= bytes.size());
    const QByteArray back = encodeCp932(text);
    FUZZ_CHECK(back.size() == bytes.size());
    FUZZ_CHECK(decodeCp932(back) == text);
    FUZZ_CHECK(encodeCp932(decodeCp932(back)) == back);

    FUZZ_CHECK(Cp932::equalNames(bytes, bytes));
    for (qsizetype limit : {qsizetype(0), qsizetype(1), bytes.size() / 2, bytes.size() - 1}) {
        const QByteArray cut = Cp932::cut(bytes, limit);
        FUZZ_CHECK(cut.size() <= std::max<qsizetype>(limit, 0) && bytes.startsWith(cut));
        qsizetype at = 0;
        while (at < cut.size())
            at += Cp932::charLength(bytes, at);
        FUZZ_CHECK(at == cut.size());
    }
    return 0;
}

} // namespace kestrun_fuzz

#endif // PELCOR_FUZZ_CP932_DECODING_H
