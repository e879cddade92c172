// The binary image of a HEX text whose data records come in address order,
// made as the records are read: each record's bytes go out as they come,
// fill before them, so the image is never held. A record that starts below
// the end of the one before ends it (OutOfOrder); the caller then reads the
// text again into an image, where overlaps are seen.
#ifndef PELCOR_ASCENDING_BINARY_H
#define PELCOR_ASCENDING_BINARY_H

#include <QByteArray>
#include <QByteArrayView>

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>

// Two of them are written at once, each by its own thread, when a text is
// read in two parts: a cache line each keeps them from slowing each other.
class alignas(64) AscendingBinary {
public:
    // Below every result of the library and of ConversionEngine.
    static constexpr std::int32_t OutOfOrder = INT32_MIN + 100;

    // The window: first..last, or first up to the highest data byte with
    // `autoEnd`; with `fromLowest` it starts at the first data byte instead.
    struct Window {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        bool autoEnd = true;
        bool fromLowest = false;
        // The part of a text taken up in the middle: its bytes go out from
        // the first one within the window, with no fill before it (the
        // caller places them at resumedAt()).
        bool resumed = false;
    };
    // `put` takes the bytes in order and returns a library result.
    using Put = std::function<std::int32_t(QByteArrayView bytes)>;

    AscendingBinary(const Window &window, std::uint8_t fill, Put put);

    // The bytes of one data record, `count` of them from `address`.
    std::int32_t data(std::uint64_t address, const std::uint8_t *bytes, std::uint64_t count);
    // After the end record: the fill up to a fixed end.
    std::int32_t finish();
    // At the end of a first part: what is gathered goes out, no fill after.
    std::int32_t release() { return flush(); }

    bool empty() const { return m_highest == 0; }
    std::uint32_t lowest() const { return std::uint32_t(m_lowest); }
    // The highest data address (when not empty).
    std::uint32_t highest() const { return std::uint32_t(m_highest - 1); }
    // Whether any data byte fell within the window.
    bool windowHeld() const { return m_windowHeld; }
    // Where the window began: the given first address, or the lowest data.
    std::uint32_t start() const { return std::uint32_t(m_start); }
    // The address of the next byte to go out.
    std::uint64_t next() const { return m_written; }
    // A resumed part's first byte out (when windowHeld()).
    std::uint64_t resumedAt() const { return m_resumedAt; }

private:
    std::int32_t fillTo(std::uint64_t to);
    std::int32_t gather(QByteArrayView bytes);
    std::int32_t flush();

    Window m_window;
    Put m_put;
    QByteArray m_fill; // made when the first gap is
    // Records are small: their bytes go out a large piece at a time.
    std::unique_ptr<char[]> m_gathered;
    qsizetype m_gatheredSize = 0;
    std::uint64_t m_start;
    std::uint64_t m_stop;        // one past the window's last address
    std::uint64_t m_written;     // the address of the next byte to go out
    char m_fillByte;
    std::uint64_t m_lowest = 0;
    std::uint64_t m_highest = 0; // one past the highest data byte; 0: none
    bool m_windowHeld = false;
    std::uint64_t m_resumedAt = 0;
};

#endif
