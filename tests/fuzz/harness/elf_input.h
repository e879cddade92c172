// The ELF reader on arbitrary bytes. What must hold: a refusal says which
// fault it is, in the fault and in English; the records handed out are the
// file's own bytes at their offsets; read without an image it gives the
// same result and records; stored in their order, later over earlier, the
// records make the image read; and the start address is e_entry.
#ifndef KESTRUN_FUZZ_ELF_INPUT_H
#define KESTRUN_FUZZ_ELF_INPUT_H

#include "fuzz_input.h"
#include "image_reading.h"

#include <cstring>
#include <vector>

namespace kestrun_fuzz {

namespace elf_input_detail {

struct Piece {
    uint32_t address;
    uint64_t offset;
    uint32_t length;
    bool ownBytes; // the record's bytes were the file's at its offset
};

struct Pieces {
    const uint8_t *file;
    size_t size;
    std::vector<Piece> seen;
};

// Nothing is checked here: a failure thrown inside would end in the
// library's guard. The harness looks at what was kept afterwards.
inline int32_t keep(const kestrun_record *record, intptr_t userValue)
{
    auto &pieces = *reinterpret_cast<Pieces *>(userValue);
    const bool inFile = record->offset <= pieces.size
                        && record->length <= pieces.size - record->offset;
    pieces.seen.push_back({record->address, record->offset, record->length,
                           inFile && std::memcmp(record->data, pieces.file + record->offset,
                                                 record->length) == 0});
    return ResultOk;
}

struct ElfRead {
    int32_t result = ResultOk;
    kestrun_fault fault{};
    std::string detail;
};

inline ElfRead readElf(const uint8_t *file, size_t size, kestrun_image *image, int32_t policy,
                       size_t piece, Pieces &pieces)
{
    ElfRead r;
    kestrun_reader *reader = kestrun_reader_new(KESTRUN_FORMAT_ELF, image, &r.result);
    FUZZ_CHECK(reader != nullptr);
    if (!reader)
        return r;
    kestrun_reader_set_overlap(reader, policy);
    kestrun_reader_on_record(reader, keep, reinterpret_cast<intptr_t>(&pieces));
    for (size_t at = 0; r.result == ResultOk && at < size; at += piece)
        r.result = kestrun_reader_feed(reader, reinterpret_cast<const char *>(file) + at,
                                       std::min(piece, size - at));
    if (r.result == ResultOk)
        r.result = kestrun_reader_finish(reader);
    kestrun_reader_fault(reader, &r.fault);
    char text[256] = {};
    kestrun_reader_detail(reader, text, sizeof text);
    r.detail = text;
    kestrun_reader_free(reader);
    return r;
}

// e_entry, when the file is long enough to hold it.
inline uint64_t entryOf(const uint8_t *file, size_t size)
{
    if (size < 28)
        return 0;
    const bool is64 = file[4] == 2;
    const bool little = file[5] == 1;
    const size_t width = is64 ? 8 : 4;
    if (size < 24 + width)
        return 0;
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= uint64_t(file[24 + (little ? i : width - 1 - i)]) << (8 * i);
    return value;
}

} // namespace elf_input_detail

// Header: overlap policy (1), piece length (2); the file after it.
inline int elfInputOne(const uint8_t *data, size_t size)
{
    using namespace elf_input_detail;
    FuzzInput in(data, size);
    const int32_t policy = in.byte() % 4;
    const size_t piece = 1 + in.word16();
    const std::unique_ptr<uint8_t[]> file = in.exactRest();
    const size_t length = in.restSize();

    Pieces stored{file.get(), length, {}};
    Image image(kestrun_image_new());
    const ElfRead read = readElf(file.get(), length, image.get(), policy, piece, stored);
    Pieces streamed{file.get(), length, {}};
    const ElfRead alone = readElf(file.get(), length, nullptr, policy, length ? length : 1, streamed);

    if (read.result < 0) {
        FUZZ_CHECK(read.result == ResultNotElf || read.result == ResultAddressFault
                   || read.result == ResultOverlap);
        FUZZ_CHECK(read.fault.kind != KESTRUN_FAULT_NONE);
        FUZZ_CHECK(!read.detail.empty());
    }
    // Without an image nothing overlaps: the same unless the policy refused.
    if (read.result != ResultOverlap) {
        FUZZ_CHECK(alone.result == read.result);
        FUZZ_CHECK(alone.fault.kind == read.fault.kind);
        FUZZ_CHECK(streamed.seen.size() == stored.seen.size());
    }
    for (const Piece &p : stored.seen)
        FUZZ_CHECK(p.ownBytes);
    if (read.result < 0 || policy != KESTRUN_OVERLAP_LAST)
        return 0;

    Image rebuilt(kestrun_image_new());
    for (const Piece &p : stored.seen)
        FUZZ_CHECK(kestrun_image_put(rebuilt.get(), p.address, file.get() + p.offset, p.length)
                   == ResultOk);
    const uint64_t entry = entryOf(file.get(), length);
    if (entry != 0 && entry <= 0xFFFFFFFFu)
        kestrun_image_set_start(rebuilt.get(), KESTRUN_START_LINEAR, uint32_t(entry));
    FUZZ_CHECK(sameImage(image.get(), rebuilt.get()));
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_ELF_INPUT_H
