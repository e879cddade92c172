// The address window of each conversion and the questions about it: a
// reversed or empty range, a range that holds no data, a large image.
#include "core/ConversionEngine.h"

#include <algorithm>

// The window of a HEX text: from its lowest to its highest data address,
// the given range, or from 0 to wherever the data end.
ConversionEngine::Window ConversionEngine::hexWindow() const
{
    if (m_settings.fromLowest)
        return {0, 0, true};
    if (!m_settings.rangeGiven)
        return {};
    const auto first = static_cast<std::uint32_t>(m_settings.start);
    const auto last = static_cast<std::uint32_t>(m_settings.end);
    return {first, last, last == 0 && !m_settings.exactEnd};
}

// Settles m_start..m_end over the image just read: an automatic end is its
// highest byte (an empty image gives an empty window), and a window that
// must hold data but cannot is refused. A given window of fill alone, or a
// large one, is made only once its check agrees.
std::int32_t ConversionEngine::hexImageWindow(const Window &window)
{
    std::uint32_t lowest = 0, highest = 0;
    const bool empty = m_imageCalls->kestrun_image_bounds(m_image, &lowest, &highest) != ResultOk;
    m_start = m_settings.fromLowest && !empty ? lowest : window.first;
    m_end = window.last;
    m_emptyWindow = false;
    if (window.autoEnd) {
        if (empty) {
            m_end = UINT32_MAX;
            m_emptyWindow = true;
            return ResultOk;
        }
        m_end = highest;
        if (highest < m_start)
            return refuseRange(
                rangeBeyondDataMessage(m_start, highest, std::uint64_t(highest) + 1));
    }
    const std::optional<Addresses> held = dataWithin(m_start, m_end);
    if (!held) {
        const std::optional<Addresses> data =
            empty ? std::nullopt : std::optional<Addresses>({lowest, highest});
        return !m_emptyWindowCheck || m_emptyWindowCheck({m_start, m_end}, data) ? ResultOk
                                                                                 : Declined;
    }
    const std::uint64_t size = std::uint64_t(m_end) - m_start + 1;
    if (!m_largeImageCheck || size <= std::uint64_t(kLargeImage))
        return ResultOk;
    switch (m_largeImageCheck(size, held->low, held->high)) {
    case LargeImageAnswer::Make:
        return ResultOk;
    case LargeImageAnswer::FromLowest:
        m_start = held->low;
        return ResultOk;
    case LargeImageAnswer::Decline:
        break;
    }
    return Declined;
}

// The lowest and highest data address of the image within first..last.
std::optional<ConversionEngine::Addresses> ConversionEngine::dataWithin(std::uint32_t first,
                                                                        std::uint32_t last) const
{
    kestrun_segment segment{};
    if (m_imageCalls->kestrun_image_next(m_image, first, &segment) != ResultOk
        || segment.address > last)
        return std::nullopt;
    Addresses held{std::max(segment.address, first), 0};
    for (std::uint64_t at = segment.address;
         m_imageCalls->kestrun_image_next(m_image, at, &segment) == ResultOk
         && segment.address <= last;
         at = segment.address + segment.length)
        held.high =
            std::uint32_t(std::min<std::uint64_t>(segment.address + segment.length - 1, last));
    return held;
}

// The window of a binary source of `dataLength` bytes: the given range, an
// end of 0 reaching the last byte unless it is exact; automatically the
// whole source (no byte for an empty one, as an end of all bits set).
ConversionEngine::Window ConversionEngine::binaryWindow(std::uint64_t dataLength) const
{
    const auto lastByte = static_cast<std::uint32_t>(dataLength - 1);
    if (!m_settings.rangeGiven)
        return {0, lastByte, false};
    const auto last = static_cast<std::uint32_t>(m_settings.end);
    return {static_cast<std::uint32_t>(m_settings.start),
            last == 0 && !m_settings.exactEnd ? lastByte : last, false};
}

// A given range must hold a byte of the source and run forwards.
std::int32_t ConversionEngine::checkBinaryWindow(const Window &window, std::uint64_t dataLength)
{
    if (!m_settings.rangeGiven)
        return ResultOk;
    if (window.first >= dataLength)
        return refuseRange(rangeBeyondDataMessage(
            window.first, static_cast<std::uint32_t>(m_settings.end), dataLength));
    if (window.last < window.first)
        return refuseRange(reversedRangeMessage(window.first, window.last));
    return ResultOk;
}
