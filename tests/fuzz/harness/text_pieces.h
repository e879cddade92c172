// The HEX and S-record readers on arbitrary text, fed whole and in pieces
// of random sizes. What must hold: both reads give the same result, place,
// counts and image; a refusal names a line of the text and an offset on
// it; and an image read is what its format's writer writes of it read back.
#ifndef KESTRUN_FUZZ_TEXT_PIECES_H
#define KESTRUN_FUZZ_TEXT_PIECES_H

#include "fuzz_input.h"
#include "image_reading.h"

namespace kestrun_fuzz {

// Header: overlap policy (1), piece seed (4), longest piece (1), record
// length of the round trip (1); the text after it.
inline int textPiecesOne(int32_t format, const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int32_t policy = in.byte() % 4;
    const uint32_t seed = in.word32();
    const uint32_t longest = 1 + in.byte();
    const uint32_t recordLength = in.byte();
    const std::unique_ptr<uint8_t[]> text = in.exactRest();
    const size_t length = in.restSize();

    Image whole(kestrun_image_new());
    const TextRead once = readText(format, text.get(), length, whole.get(), policy, nullptr);
    PieceSizes sizes(seed, longest);
    Image pieces(kestrun_image_new());
    const TextRead inPieces = readText(format, text.get(), length, pieces.get(), policy, &sizes);

    FUZZ_CHECK(once.result == inPieces.result);
    FUZZ_CHECK(samePlace(once.place, inPieces.place));
    FUZZ_CHECK(sameStats(once.stats, inPieces.stats));
    checkPlaceInText(once, text.get(), length);
    if (once.result < 0)
        return 0;
    FUZZ_CHECK(sameImage(whole.get(), pieces.get()));
    checkWrittenReadsBack(whole.get(), format, recordLength);
    return 0;
}

inline int hexPiecesOne(const uint8_t *data, size_t size)
{
    return textPiecesOne(KESTRUN_FORMAT_IHEX, data, size);
}

inline int srecReaderOne(const uint8_t *data, size_t size)
{
    return textPiecesOne(KESTRUN_FORMAT_SREC, data, size);
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_TEXT_PIECES_H
