// The hexadecimal numbers of kestrun's arguments: addresses, bytes, CRC
// parameters, FILE@ADDR's ADDR. One reader for all of them, so that every
// argument takes the same spellings: digits of either case, optionally
// after 0x or 0X, as objcopy and srec_cat write addresses. Pelcor.ini's
// values keep their own reader (readHexSetting), which takes digits only.
#ifndef PELCOR_HEX_NUMBER_H
#define PELCOR_HEX_NUMBER_H

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace HexNumber {

// `text` as a number of at most `highest`: an optional 0x or 0X, then 1 to
// 16 hexadecimal digits and nothing else (no sign, no blanks). None when
// it is not one, or larger.
std::optional<std::uint64_t> read(QStringView text, std::uint64_t highest = UINT32_MAX);

// The digits of `text` without its 0x or 0X: what a Pelcor.ini value of the
// same number reads as.
QString digits(QStringView text);

// Bytes in hexadecimal as a clipboard holds them: pairs of digits run
// together or apart ("DEADBEEF", "DE AD BE EF", "0xDE, 0xAD"), with blanks,
// commas and line ends between them. None when there is no digit, one is
// left without its pair, or something else is there.
std::optional<QByteArray> bytes(QStringView text);

} // namespace HexNumber

#endif
