// The plain arithmetic of the four conversions: how the settings are read,
// how large the buffers handed to the library are, the names proposed for
// results, and the dump report's header. Nothing here needs a window.
#ifndef PELCOR_CONVERSION_PLAN_H
#define PELCOR_CONVERSION_PLAN_H

#include "core/DumpSettings.h"
#include "core/PathRules.h"

#include <QString>

#include "exports.h"

#include <cstdint>
#include <optional>
#include <utility>

// The largest output the library can be given room for: its sizes are
// 32-bit. A larger one stops the conversion with its size named.
constexpr std::int64_t kLargestBuffer = 0xFFFFFFFF;

// Automatic images larger than this are worth a question before they are
// made (Pelcor asks; kestrun just makes them).
constexpr std::int64_t kLargeImage = std::int64_t(64) << 20;

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
    // The given end is the end, 0 included; otherwise (Pelcor's settings)
    // an end of 0 means up to the last byte.
    bool exactEnd = false;
    // HEX to binary and HEX to dump: the window runs from the lowest to the
    // highest data address instead of from 0.
    bool fromLowest = false;
    // Binary to HEX: the HEX address of the first byte, written with
    // extended linear address records; none writes from address 0 as
    // Pelcor always has.
    std::optional<std::uint32_t> base;
    // Binary to HEX: the extended address records (KESTRUN_ADDRESS_*; with
    // a base linear unless chosen) and a start linear address record.
    std::optional<std::uint32_t> addressRecords;
    std::optional<std::uint32_t> startAddress;
    // HEX text: how records that write an address twice are taken.
    std::int32_t overlap = KESTRUN_OVERLAP_LAST;
    std::int32_t recordLength = 0x20;
    bool recordLengthUsable = true;
    std::uint8_t blank = 0xFF;
    std::int32_t scope = 0x0A;
    bool noDump = false;
    std::uint32_t newLine = 0x0A0D;
    QString fault;
};
ConversionSettings readConversionSettings(const DumpSettings &settings);

// The labels and messages below are Japanese, as Pelcor shows them; the
// ones kestrun prints go through Qt's translation (context ConversionPlan),
// so that its English catalogue can give their English.
// The label the settings dialog shows for a settings key, or the key.
QString settingLabel(const QString &key);
// The message for a setting that cannot be used: the dialog's label and
// the INI key.
QString settingFaultMessage(const QString &key);
// A range whose end lies before its start.
QString reversedRangeMessage(std::uint32_t start, std::uint32_t end);
// A given range that holds no byte of the source.
QString rangeBeyondDataMessage(std::uint32_t start, std::uint32_t end, std::uint64_t size);
// HEX addresses from `base` on for `length` bytes that would pass 32 bits.
QString addressesBeyond32Message(std::uint32_t base, std::uint64_t length);
// An output larger than the library's 32-bit sizes.
QString outputTooLargeMessage(std::uint64_t bytes);
// Pelcor's question before an image larger than kLargeImage.
QString largeImageQuestion(std::uint64_t bytes, std::uint32_t lowest, std::uint32_t highest);
// The same question before the dump report of such an image.
QString largeDumpQuestion(std::uint64_t bytes, std::uint32_t lowest, std::uint32_t highest);
// Pelcor's question before a window first..last that holds no data, with
// the lowest and highest data address (none for a text without data).
QString emptyWindowQuestion(std::uint32_t first, std::uint32_t last,
                            std::optional<std::pair<std::uint32_t, std::uint32_t>> data);
// The label of that question's third answer: the image from the lowest data
// address, whose size it names.
QString fromLowestChoice(std::uint32_t lowest, std::uint32_t highest);

// The header of a dump report: title, version, file name, address range
// and checksum, each line closed by `lineEnd`.
QString DumpHeader(const QString &fileName, std::int32_t start, std::int32_t end,
                   const QString &checksum, const QString &lineEnd);
// The same for a source without a byte to show: the Address line says
// "none" where a range would be, which no source of a byte can give.
QString DumpHeaderWithoutData(const QString &fileName, const QString &checksum,
                              const QString &lineEnd);
// The column heading and the rule that stand above the dump lines.
QString dumpHeading(const QString &lineEnd);

#endif
