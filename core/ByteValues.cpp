#include "core/ByteValues.h"

#include "core/Cp932.h"
#include "core/HexNumber.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

namespace ByteValues {

namespace {

bool isSigned(Kind kind)
{
    return kind == Kind::I8 || kind == Kind::I16 || kind == Kind::I32 || kind == Kind::I64;
}

// The bits of a value `width` bytes wide, filled from its bytes in `order`.
std::uint64_t bitsOf(const std::uint8_t *bytes, int width, Order order)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < width; ++i)
        bits = bits << 8 | bytes[order == Order::Big ? i : width - 1 - i];
    return bits;
}

QByteArray bytesOf(std::uint64_t bits, int width, Order order)
{
    QByteArray out(width, '\0');
    for (int i = 0; i < width; ++i)
        out[order == Order::Little ? i : width - 1 - i] = char(bits >> (8 * i) & 0xFF);
    return out;
}

template <typename T>
QString shortest(T value)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? QString::fromLatin1(text, end - text) : QString();
}

// `text` read whole by from_chars as a T; none when some of it is left.
template <typename T>
std::optional<T> readWhole(const QByteArray &text)
{
    T value{};
    const char *const end = text.constData() + text.size();
    const auto [stop, error] = std::from_chars(text.constData(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> integerBits(Kind kind, const QByteArray &text)
{
    const int bits = 8 * width(kind);
    const std::uint64_t mask = bits == 64 ? UINT64_MAX : (std::uint64_t(1) << bits) - 1;
    if (text.startsWith("0x") || text.startsWith("0X"))
        return HexNumber::read(QString::fromLatin1(text), mask);
    if (!isSigned(kind)) {
        const std::optional<std::uint64_t> value = readWhole<std::uint64_t>(text);
        return value && *value <= mask ? value : std::nullopt;
    }
    const std::optional<std::int64_t> value = readWhole<std::int64_t>(text);
    const std::int64_t highest = std::int64_t(mask >> 1), lowest = -highest - 1;
    if (!value || *value < lowest || *value > highest)
        return std::nullopt;
    return std::uint64_t(*value) & mask;
}

bool isLead(std::uint8_t b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace

int width(Kind kind)
{
    switch (kind) {
    case Kind::U8:
    case Kind::I8:
        return 1;
    case Kind::U16:
    case Kind::I16:
        return 2;
    case Kind::U32:
    case Kind::I32:
    case Kind::Float:
        return 4;
    default:
        return 8;
    }
}

QString name(Kind kind)
{
    static const char *const names[] = {"u8",  "i8",  "u16", "i16",   "u32",
                                        "i32", "u64", "i64", "float", "double"};
    return QString::fromLatin1(names[int(kind)]);
}

std::optional<QString> text(Kind kind, Order order, const std::uint8_t *bytes, const bool *held,
                            std::size_t count)
{
    const int size = width(kind);
    if (count < std::size_t(size))
        return std::nullopt;
    for (int i = 0; i < size; ++i)
        if (!held[i])
            return std::nullopt;
    const std::uint64_t bits = bitsOf(bytes, size, order);
    switch (kind) {
    case Kind::Float:
        return shortest(std::bit_cast<float>(std::uint32_t(bits)));
    case Kind::Double:
        return shortest(std::bit_cast<double>(bits));
    default:
        break;
    }
    if (!isSigned(kind))
        return QString::number(bits);
    // The sign bit carried up through the 64.
    const int unused = 64 - 8 * size;
    return QString::number(std::int64_t(bits << unused) >> unused);
}

std::optional<QByteArray> bytes(Kind kind, Order order, QStringView typed)
{
    QByteArray text = typed.trimmed().toLatin1();
    if (text.startsWith('+'))
        text.remove(0, 1);
    if (text.isEmpty() || text.contains('?')) // toLatin1's mark for what it cannot hold
        return std::nullopt;
    if (kind == Kind::Float) {
        const std::optional<float> value = readWhole<float>(text);
        return value ? std::optional(bytesOf(std::bit_cast<std::uint32_t>(*value), 4, order))
                     : std::nullopt;
    }
    if (kind == Kind::Double) {
        const std::optional<double> value = readWhole<double>(text);
        return value ? std::optional(bytesOf(std::bit_cast<std::uint64_t>(*value), 8, order))
                     : std::nullopt;
    }
    const std::optional<std::uint64_t> bits = integerBits(kind, text);
    return bits ? std::optional(bytesOf(*bits, width(kind), order)) : std::nullopt;
}

std::optional<QString> characters(const std::uint8_t *bytes, const bool *held, std::size_t count)
{
    if (count == 0 || !held[0])
        return std::nullopt;
    std::size_t end = 0;
    while (end < count && held[end]) {
        const std::size_t next = end + (isLead(bytes[end]) ? 2 : 1);
        if (next > count || (next == end + 2 && !held[end + 1]))
            break;
        end = next;
    }
    QString out = decodeCp932(QByteArrayView(reinterpret_cast<const char *>(bytes), qsizetype(end)));
    for (QChar &c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F
            || (c.unicode() >= cp932EscapeBase && c.unicode() <= cp932EscapeBase + 0xFF))
            c = u'.';
    return out;
}

std::optional<QByteArray> characterBytes(QStringView text)
{
    QByteArray out = encodeCp932(text);
    if (out.isEmpty() || decodeCp932(out) != text)
        return std::nullopt;
    return out;
}

} // namespace ByteValues
