// The layout operations: swapping the bytes of each word, taking one lane
// of interleaved memories out of an image (split) and putting a lane back
// among the others (unsplit). Each moves every byte to an address of its
// own, so the bytes are laid into a second image in address order and
// that image's runs replace the first's.
#include "guard.h"
#include "image.h"

#include <vector>

namespace kestrun {

void Image::adoptRuns(Image &from)
{
    m_runs.swap(from.m_runs);
    settle();
    from.settle();
}

} // namespace kestrun

using namespace kestrun;

namespace {

// Collects bytes handed over at ascending consecutive addresses and stores
// them a run at a time; a byte elsewhere starts a new run.
class Relay {
public:
    explicit Relay(Image &into) : m_into(into), m_bytes(kPiece) {}

    void put(uint64_t address, uint8_t byte)
    {
        if (m_count == kPiece || (m_count > 0 && address != m_address + m_count))
            flush();
        if (m_count == 0)
            m_address = address;
        m_bytes[m_count++] = byte;
    }

    // Stores what is collected: ResultOk, or the first failure.
    int32_t flush()
    {
        if (m_count > 0 && m_result == ResultOk)
            m_result = m_into.store(m_address, m_bytes.data(), m_count, Writer{}, {}, nullptr);
        m_count = 0;
        return m_result;
    }

private:
    static constexpr uint64_t kPiece = 64 * 1024;
    Image &m_into;
    std::vector<uint8_t> m_bytes;
    uint64_t m_address = 0;
    uint64_t m_count = 0;
    int32_t m_result = ResultOk;
};

// Lays every held byte of `image` at to(address) in a new image, whose runs
// then replace the image's. `to` is called in ascending address order and
// may hand the byte to the relay or drop it.
template <typename To> int32_t relay(Image &image, To &&to)
{
    Image moved;
    Relay out(moved);
    image.eachPiece(0, kAddressSpace, [&](uint64_t address, const uint8_t *bytes, uint64_t count) {
        to(out, address, bytes, count);
    });
    if (const int32_t rc = out.flush(); rc != ResultOk)
        return rc;
    image.adoptRuns(moved);
    return ResultOk;
}

} // namespace

extern "C" {

KESTRUN_API int32_t kestrun_image_byte_swap(kestrun_image *image, uint32_t width)
{
    if (!image || (width != 2 && width != 4 && width != 8))
        return ResultBadArgument;
    const uint64_t mask = width - 1;
    return guarded([&] {
        Image &im = image->image;
        const int32_t rc = relay(im, [&](Relay &out, uint64_t address, const uint8_t *bytes,
                                         uint64_t count) {
            const uint64_t stop = address + count;
            for (uint64_t at = address; at < stop;) {
                const uint64_t word = at & ~mask;
                if (at == word && word + width <= stop) {
                    // A whole word: its bytes in reverse, at ascending addresses.
                    for (uint64_t i = 0; i < width; ++i)
                        out.put(word + i, bytes[(word + (i ^ mask)) - address]);
                    at += width;
                } else {
                    // Part of a word at the piece's edge.
                    out.put(at ^ mask, bytes[at - address]);
                    ++at;
                }
            }
        });
        // The start moves as a data byte would, as srec_cat moves it: a CS:IP
        // keeps its CS, whose four zero bits below leave IP's low bits alone.
        if (rc == ResultOk && im.startType != KESTRUN_START_NONE)
            im.startValue ^= uint32_t(mask);
        return rc;
    });
}

KESTRUN_API int32_t kestrun_image_split(kestrun_image *image, uint32_t multiple, uint32_t offset,
                                        uint32_t width)
{
    if (!image || multiple == 0 || width == 0 || uint64_t(offset) + width > multiple)
        return ResultBadArgument;
    return guarded([&] {
        return relay(image->image, [&](Relay &out, uint64_t address, const uint8_t *bytes,
                                       uint64_t count) {
            const uint64_t stop = address + count;
            uint64_t at = std::max<uint64_t>(address, offset);
            if (at >= stop)
                return;
            // Bytes below `offset` lie before the first lane: dropped.
            uint64_t group = (at - offset) / multiple, phase = (at - offset) % multiple;
            for (; at < stop; ++at) {
                if (phase < width)
                    out.put(group * width + phase, bytes[at - address]);
                if (++phase == multiple) {
                    phase = 0;
                    ++group;
                }
            }
        });
    });
}

KESTRUN_API int32_t kestrun_image_unsplit(kestrun_image *image, uint32_t multiple,
                                          uint32_t offset, uint32_t width)
{
    if (!image || multiple == 0 || width == 0 || uint64_t(offset) + width > multiple)
        return ResultBadArgument;
    Image &im = image->image;
    // Addresses only grow, so the highest byte says whether all fit.
    const auto to = [&](uint64_t address) {
        return address / width * multiple + address % width + offset;
    };
    if (!im.empty() && to(im.highest() - 1) >= kAddressSpace)
        return ResultAddressFault;
    return guarded([&] {
        return relay(im, [&](Relay &out, uint64_t address, const uint8_t *bytes, uint64_t count) {
            uint64_t group = address / width, phase = address % width;
            for (uint64_t i = 0; i < count; ++i) {
                out.put(group * multiple + phase + offset, bytes[i]);
                if (++phase == width) {
                    phase = 0;
                    ++group;
                }
            }
        });
    });
}

} // extern "C"
