// The plain arithmetic of the four conversions: how the settings are read,
// how large the buffers handed to the library are, the names proposed for
// results, and the dump report's header. Nothing here needs a window.
#ifndef PELCOR_CONVERSION_PLAN_H
#define PELCOR_CONVERSION_PLAN_H

#include "core/DumpSettings.h"
#include "core/PathRules.h"

#include <QString>

#include <cstdint>
#include <optional>

// The largest buffer a conversion asks for; anything above it, or below 1,
// stops the conversion before anything is allocated.
constexpr std::int64_t kLargestBuffer = 0x7FFFFFFE;

// The library's output buffers are never smaller than this, so that small
// sources convert: the library keeps a 512-byte margin before every line.
constexpr std::int64_t kSmallestTextBuffer = 1024;

// A settings text read as hexadecimal: 1 to 8 digits, either case, no
// prefix; its 32-bit pattern taken as signed (FFFFFFFF is -1).
std::optional<std::int32_t> readHexSetting(const QString &text);

// The line-end code for NewLine: 0 CR LF, 1 CR, 2 LF, anything else CR LF.
std::uint32_t lineEndCode(qint16 newLine);
// The characters of a line-end code.
QString lineEndText(std::uint32_t code);

// The settings of one conversion, read when it starts. `fault` names the
// first setting every conversion needs that could not be used; the rest is
// then meaningless. Only binary to HEX needs RecordLength (1 to FF).
struct ConversionSettings {
    bool rangeGiven = false;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::int32_t recordLength = 0x20;
    bool recordLengthUsable = true;
    std::uint8_t blank = 0xFF;
    std::int32_t scope = 0x0A;
    bool noDump = false;
    std::uint32_t newLine = 0x0A0D;
    QString fault;
};
ConversionSettings readConversionSettings(const DumpSettings &settings);

// The message for a setting that cannot be used.
QString settingFaultMessage(const QString &key);

// A buffer size, or the setting to blame when it does not fit 1 to
// kLargestBuffer bytes.
struct BufferSize {
    std::int64_t bytes = 0;
    QString fault;
};

// HEX to binary and the image of HEX to dump: end - start + 1024 for a
// given range, else (and when that is not positive) Scope x text length.
BufferSize imageBufferSize(const ConversionSettings &s, std::int64_t textLength);
// Binary to HEX: Scope x (end - start) + 1024 for a given range, else (and
// when that is not positive) Scope x data length; at least 1024.
BufferSize hexTextBufferSize(const ConversionSettings &s, std::int64_t dataLength);
// The dumps: Scope x data length, at least 1024.
BufferSize dumpTextBufferSize(const ConversionSettings &s, std::int64_t dataLength);

// The header of a dump report: title, version, file name, address range
// and checksum, each line closed by `lineEnd`.
QString DumpHeader(const QString &fileName, std::int32_t start, std::int32_t end,
                   const QString &checksum, const QString &lineEnd);
// The column heading and the rule that stand above the dump lines.
QString dumpHeading(const QString &lineEnd);

#endif
