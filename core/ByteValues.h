// The bytes at a place in an image read as a number of each common width
// and kind, in either byte order, or as code page 932 text, and a number
// or text typed for them turned back into bytes: what the data inspector
// under the data view shows and writes. The bytes come with whether a
// record holds each, so that a value reaching past the data into a gap
// reads as none rather than as zeros.
//
//     const std::uint8_t bytes[] = {0x01, 0x02};
//     const bool held[] = {true, true};
//     ByteValues::text(ByteValues::Kind::U16, ByteValues::Order::Little, bytes, held, 2); // "513"
//     ByteValues::bytes(ByteValues::Kind::I16, ByteValues::Order::Big, u"-2");      // FF FE
#ifndef PELCOR_BYTE_VALUES_H
#define PELCOR_BYTE_VALUES_H

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ByteValues {

enum class Kind { U8, I8, U16, I16, U32, I32, U64, I64, Float, Double };
inline constexpr Kind kKinds[] = {Kind::U8,  Kind::I8,  Kind::U16, Kind::I16,   Kind::U32,
                                  Kind::I32, Kind::U64, Kind::I64, Kind::Float, Kind::Double};
enum class Order { Little, Big };

// The bytes a value of `kind` takes, and its short name ("u16", "float").
int width(Kind kind);
QString name(Kind kind);

// The value the first width(kind) of `count` bytes spell: integers in
// decimal, floats in the fewest digits that read back as the same value
// ("nan", "-inf" as they are). None when fewer are given or one is not held.
std::optional<QString> text(Kind kind, Order order, const std::uint8_t *bytes, const bool *held,
                            std::size_t count);

// The bytes of `text` typed as a value of `kind`: a decimal number (a sign
// before a signed one), or 0x and the hexadecimal digits of its bits; a
// float as C reads one, "nan" and "inf" too. None when it is no such value
// or does not fit.
std::optional<QByteArray> bytes(Kind kind, Order order, QStringView text);

// The characters that the held bytes from the first on spell in code page
// 932, at most `count` of them, a double-byte character cut at the end
// left out, controls and bytes that spell nothing shown as '.'. None when
// the first byte is not held.
std::optional<QString> characters(const std::uint8_t *bytes, const bool *held, std::size_t count);

// The bytes of `text` in code page 932; none when some character has no
// code there.
std::optional<QByteArray> characterBytes(QStringView text);

} // namespace ByteValues

#endif
