#ifndef KESTRUN_TEST_SUPPORT_H
#define KESTRUN_TEST_SUPPORT_H

#include "exports.h"
#include "guarded_buffer.h"
#include "progress_log.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace kestrun_test {

// The text in a heap block of exactly its own size, so that a scan past its
// NUL is caught by the sanitizer build.
inline std::unique_ptr<char[]> exactCopy(const std::string &text)
{
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

// The record for the given bytes (count, address, type, data) with their
// checksum appended, upper-case digits, no line end.
inline std::string hexText(std::vector<uint8_t> bytes)
{
    uint8_t sum = 0;
    for (uint8_t byte : bytes)
        sum = uint8_t(sum + byte);
    bytes.push_back(uint8_t(-sum));
    std::string text = ":";
    char pair[3];
    for (uint8_t byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", byte);
        text += pair;
    }
    return text;
}

inline std::string hexRecord(uint8_t type, uint16_t address, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> bytes(4 + data.size());
    bytes[0] = uint8_t(data.size());
    bytes[1] = uint8_t(address >> 8);
    bytes[2] = uint8_t(address);
    bytes[3] = type;
    std::copy(data.begin(), data.end(), bytes.begin() + 4);
    return hexText(bytes);
}

inline std::string dataRecord(uint16_t address, const std::vector<uint8_t> &data)
{
    return hexRecord(0x00, address, data);
}

inline std::string linearRecord(uint16_t upper)
{
    return hexRecord(0x04, 0, {uint8_t(upper >> 8), uint8_t(upper)});
}

inline std::string segmentRecord(uint16_t segment)
{
    return hexRecord(0x02, 0, {uint8_t(segment >> 8), uint8_t(segment)});
}

// The records as lines closed by CR LF, then the end record.
inline std::string hexFile(const std::vector<std::string> &records)
{
    std::string text;
    for (const std::string &record : records)
        text += record + "\r\n";
    return text + ":00000001FF\r\n";
}

inline std::vector<uint8_t> randomBytes(size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t &byte : bytes)
        byte = uint8_t(generator());
    return bytes;
}

inline std::vector<uint8_t> rampBytes(size_t count, uint8_t first = 0)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = uint8_t(first + i);
    return bytes;
}

// The bytes from `from` on, or nothing when fewer than `count` are there.
inline std::vector<uint8_t> slice(const std::vector<uint8_t> &bytes, size_t from, size_t count)
{
    if (from + count > bytes.size())
        return {};
    return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + from + count);
}

inline std::vector<std::string> splitLines(const std::string &text,
                                           const std::string &lineEnd = "\r\n")
{
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at = text.find(lineEnd); at != std::string::npos; at = text.find(lineEnd, from)) {
        lines.push_back(text.substr(from, at - from));
        from = at + lineEnd.size();
    }
    if (from < text.size())
        lines.push_back(text.substr(from));
    return lines;
}

// The bytes as upper-case digit pairs, one after the other.
inline std::string hexDigits(const std::vector<uint8_t> &bytes)
{
    std::string text;
    for (uint8_t b : bytes)
        text += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return text;
}

// A sink for the writers of the image API: the text lands in the
// std::string whose address is the user value.
inline int32_t appendToString(const char *bytes, uint64_t length, intptr_t userValue)
{
    reinterpret_cast<std::string *>(userValue)->append(bytes, length);
    return ResultOk;
}

// Owning handles of the image API.
struct ImageApiDeleter {
    void operator()(kestrun_image *p) const { kestrun_image_free(p); }
    void operator()(kestrun_hex_reader *p) const { kestrun_hex_reader_free(p); }
    void operator()(kestrun_hex_writer *p) const { kestrun_hex_writer_free(p); }
    void operator()(kestrun_dump_writer *p) const { kestrun_dump_writer_free(p); }
};
using ImagePtr = std::unique_ptr<kestrun_image, ImageApiDeleter>;
using ReaderPtr = std::unique_ptr<kestrun_hex_reader, ImageApiDeleter>;
using HexWriterPtr = std::unique_ptr<kestrun_hex_writer, ImageApiDeleter>;
using DumpWriterPtr = std::unique_ptr<kestrun_dump_writer, ImageApiDeleter>;

// The image's bytes at from..from + count - 1, `fill` where it holds none.
inline std::vector<uint8_t> imageBytes(const kestrun_image *image, uint32_t from, uint64_t count,
                                       uint8_t fill)
{
    std::vector<uint8_t> bytes(count);
    kestrun_image_read(image, from, count, fill, bytes.data());
    return bytes;
}

// The held segments of an image, from address 0 up.
inline std::vector<kestrun_segment> segmentsOf(const kestrun_image *image)
{
    std::vector<kestrun_segment> segments;
    kestrun_segment s{};
    for (uint64_t from = 0; kestrun_image_next(image, from, &s) == ResultOk;
         from = uint64_t(s.address) + s.length)
        segments.push_back(s);
    return segments;
}

} // namespace kestrun_test

#endif // KESTRUN_TEST_SUPPORT_H
