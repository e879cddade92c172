#include "core/Cp932.h"

#include "core/LargeBuffer.h"

#include <QChar>
#include <QSysInfo>

#include <cerrno>
#include <iconv.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// iconv's name for QString's own units, so no byte swapping is needed.
constexpr const char *utf16Name =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

class Iconv {
public:
    enum class Stop { End, Unconvertible, OutputFull };

    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts from input[inDone] into output[outDone], advancing both, until
    // the input ends or iconv stops. Without a converter every unit counts
    // as unconvertible, so the callers' fallbacks take over.
    template <typename Output>
    Stop run(QByteArrayView input, qsizetype &inDone, Output &output, qsizetype &outDone)
    {
        if (inDone >= input.size())
            return Stop::End;
        if (!valid())
            return Stop::Unconvertible;
        char *in = const_cast<char *>(input.data()) + inDone;
        size_t inLeft = static_cast<size_t>(input.size() - inDone);
        char *out = reinterpret_cast<char *>(output.data()) + outDone;
        size_t outLeft = static_cast<size_t>(output.size()) * sizeof(*output.data()) - outDone;
        const size_t rc = iconv(m_cd, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        inDone = in - input.data();
        outDone = out - reinterpret_cast<char *>(output.data());
        if (rc != static_cast<size_t>(-1))
            return Stop::End;
        return error == E2BIG ? Stop::OutputFull : Stop::Unconvertible;
    }

private:
    iconv_t m_cd;
};

// The number of UTF-16 units taken by the character starting at `at`.
qsizetype unitsOfCharacter(const char16_t *at, qsizetype left)
{
    return (left > 1 && QChar::isHighSurrogate(at[0]) && QChar::isLowSurrogate(at[1])) ? 2 : 1;
}

// The replacement for the character at `unit`: its escaped byte, or '?'.
char replacementFor(char16_t unit, bool haveConverter)
{
    const int escaped = byteForEscape(unit);
    if (escaped >= 0)
        return static_cast<char>(escaped);
    if (unit < 0x80 && !haveConverter)
        return static_cast<char>(unit);
    return '?';
}

// Plain ASCII is the same in both encodings; HEX text and dumps are all
// ASCII, and converting them without iconv is many times faster. This one
// and narrowAscii() copy the ASCII run at the start of their input, sixteen
// characters at a time where they can, and return its length; the
// converter takes over from there. A run of ASCII bytes never ends inside
// a double-byte character, since a trail byte follows a lead byte, which
// is not ASCII.
qsizetype widenAscii(const char *in, qsizetype count, char16_t *out)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        if (_mm_movemask_epi8(bytes) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
    }
#endif
    for (; i < count && static_cast<unsigned char>(in[i]) < 0x80; ++i)
        out[i] = static_cast<unsigned char>(in[i]);
    return i;
}

// The bytes escaped together where the converter stops at `at`. A lead
// byte followed by a byte from 0x80 to 0xFC is an unassigned double-byte
// code, and both its bytes are escaped. Escaping the lead byte alone would
// let it pair with whatever the next character is written back as: a
// duplicate code written as its preferred code (ED81 as FA9D) would then
// be read back as another character. After a trail byte below 0x80, which
// is ASCII and written back as itself, no such pairing can arise.
qsizetype escapedLength(QByteArrayView bytes, qsizetype at)
{
    if (Cp932::charLength(bytes, at) == 1)
        return 1;
    const auto trail = static_cast<unsigned char>(bytes[at + 1]);
    return trail >= 0x80 && trail <= 0xFC ? 2 : 1;
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

qsizetype narrowAscii(const char16_t *in, qsizetype count, char *out)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i notAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 16 <= count; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i + 8));
        const __m128i stray = _mm_and_si128(_mm_or_si128(low, high), notAscii);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(stray, _mm_setzero_si128())) != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < count && in[i] < 0x80; ++i)
        out[i] = static_cast<char>(in[i]);
    return i;
}

QString decodeCp932(QByteArrayView bytes)
{
    // A code page 932 character is one or two bytes and one UTF-16 unit, an
    // escaped byte one unit: the input's size is room enough, and the
    // output only grows if a converter ever breaks that rule.
    QString text(bytes.size(), Qt::Uninitialized);
    adviseHugePages(text.data(), std::size_t(text.size()) * sizeof(QChar));
    auto *units = reinterpret_cast<char16_t *>(text.data());
    qsizetype inDone = widenAscii(bytes.data(), bytes.size(), units);
    if (inDone == bytes.size())
        return text;
    qsizetype outDone = inDone * 2; // in bytes, as iconv counts
    Iconv converter(utf16Name, "CP932");
    for (;;) {
        const Iconv::Stop stop = converter.run(bytes, inDone, text, outDone);
        if (stop == Iconv::Stop::End)
            break;
        const qsizetype escaped = escapedLength(bytes, inDone);
        if (stop == Iconv::Stop::OutputFull || outDone / 2 + escaped > text.size()) {
            text.resize(text.size() * 2 + 1);
            continue;
        }
        for (qsizetype i = 0; i < escaped; ++i) {
            const auto byte = static_cast<unsigned char>(bytes[inDone++]);
            text[outDone / 2] =
                QChar((byte < 0x80 && !converter.valid()) ? char16_t(byte) : escapeForByte(byte));
            outDone += 2;
        }
    }
    text.truncate(outDone / 2);
    return text;
}

QByteArray encodeCp932(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    adviseHugePages(bytes.data(), bytes.size());
    qsizetype at = narrowAscii(text.utf16(), text.size(), bytes.data());
    if (at == text.size())
        return bytes;
    // At most two bytes per UTF-16 unit, from iconv or from the fallback.
    qsizetype outDone = at;
    bytes.resize(text.size() * 2);
    Iconv converter("CP932", utf16Name);
    // iconv redoes a whole internal block for every character it refuses,
    // so escaped bytes (a binary file opened as text has millions) are
    // written here and iconv only sees the runs between them.
    while (at < text.size()) {
        qsizetype runEnd = at;
        while (runEnd < text.size() && byteForEscape(text[runEnd].unicode()) < 0)
            ++runEnd;
        const QByteArrayView run(reinterpret_cast<const char *>(text.utf16() + at),
                                 (runEnd - at) * qsizetype(sizeof(char16_t)));
        qsizetype inDone = 0; // in bytes, as iconv counts
        for (;;) {
            const Iconv::Stop stop = converter.run(run, inDone, bytes, outDone);
            if (stop == Iconv::Stop::End)
                break;
            if (stop == Iconv::Stop::OutputFull || outDone >= bytes.size()) {
                bytes.resize(bytes.size() * 2 + 1);
                continue;
            }
            const qsizetype unit = at + inDone / 2;
            bytes[outDone++] = replacementFor(text[unit].unicode(), converter.valid());
            inDone += 2 * unitsOfCharacter(text.utf16() + unit, text.size() - unit);
        }
        for (at = runEnd; at < text.size(); ++at) {
            const int escaped = byteForEscape(text[at].unicode());
            if (escaped < 0)
                break;
            if (outDone >= bytes.size())
                bytes.resize(bytes.size() * 2 + 1);
            bytes[outDone++] = static_cast<char>(escaped);
        }
    }
    bytes.truncate(outDone);
    return bytes;
}

namespace Cp932 {

bool isLeadByte(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

qsizetype charLength(QByteArrayView bytes, qsizetype pos)
{
    return (isLeadByte(bytes[pos]) && pos + 1 < bytes.size()) ? 2 : 1;
}

QByteArray cut(const QByteArray &bytes, qsizetype maxBytes)
{
    qsizetype end = 0;
    while (end < bytes.size()) {
        const qsizetype next = end + charLength(bytes, end);
        if (next > maxBytes)
            break;
        end = next;
    }
    return bytes.left(end);
}

bool equalNames(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (isLeadByte(a.at(i)) && i + 1 < a.size()) {
            if (a.at(i) != b.at(i) || a.at(i + 1) != b.at(i + 1))
                return false;
            ++i;
        } else if (asciiLower(a.at(i)) != asciiLower(b.at(i))) {
            return false;
        }
    }
    return true;
}

} // namespace Cp932
