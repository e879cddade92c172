// The program's way to the conversion library Kestrun, which lives beside
// the executable or, installed, in the library folder, and is bound by name
// the first time each export is called. The functions take the exports' own
// arguments (exports.h has their contracts). When the library or an export
// cannot be bound, the user is told which, and the call returns NotBound
// (CheckSum: no value) without touching its arguments.
#ifndef PELCOR_KESTRUN_BINDING_H
#define PELCOR_KESTRUN_BINDING_H

#include "core/LibraryCalls.h"
#include "exports.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace KestrunBinding {

// Below every result code of the library.
constexpr std::int32_t NotBound = INT32_MIN;

// The file a program in `programFolder` loads the library from.
QString libraryPath(const QString &programFolder);
// The file this program loads the library from.
QString libraryPath();

std::int32_t DllGetVersion(std::int32_t *version);
// The image interface (core/LibraryCalls.h), every function bound, or null.
const ImageCalls *imageCalls();
std::int32_t GetErrorString(std::int32_t code, char *buffer);
std::optional<std::uint32_t> CheckSum(const std::uint8_t *data, std::uint32_t dataLength,
                                      std::uint32_t first, std::uint32_t last, std::uint32_t blank,
                                      char *digits);
std::int32_t HexToBinary(const char *text, std::uint8_t *image, std::int32_t textLength,
                         std::uint32_t capacity, std::uint32_t *imageSize,
                         const std::uint32_t *start, std::uint32_t *end, std::uint32_t fill,
                         std::intptr_t userValue, ProgressCallback progress);
std::int32_t BinaryToHex(const std::uint8_t *data, char *text, std::uint32_t dataLength,
                         std::uint32_t capacity, std::int32_t recordLength,
                         std::uint32_t *writtenLength, const std::uint32_t *start,
                         std::uint32_t *end, std::uint32_t blank, std::uint32_t newLine,
                         std::intptr_t userValue, ProgressCallback progress);
std::int32_t DumpFormat(std::uint8_t *data, char *text, std::uint32_t dataLength,
                        std::uint32_t capacity, std::uint32_t *writtenLength,
                        const std::uint32_t *start, std::uint32_t *end, std::uint32_t blank,
                        std::uint32_t newLine, std::uint32_t indent, std::intptr_t userValue,
                        ProgressCallback progress);

} // namespace KestrunBinding

#endif
