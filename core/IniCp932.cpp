#include "core/IniCp932.h"

#include <cerrno>
#include <iconv.h>

namespace {

class Converter
{
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns errno of the stop, 0 at the end.
    int convert(const char *&in, size_t &inLeft, QByteArray &out)
    {
        char buffer[256];
        while (inLeft > 0) {
            char *next = buffer;
            size_t outLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, const_cast<char **>(&in), &inLeft, &next, &outLeft);
            const int error = errno;
            out.append(buffer, next - buffer);
            if (rc == static_cast<size_t>(-1) && error != E2BIG)
                return error;
        }
        return 0;
    }

private:
    iconv_t m_cd;
};

qsizetype utf8Length(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// Runs the whole input through iconv; at each byte sequence it refuses,
// appends the replacement and skips the unit that the step function names.
template <typename Skip>
QByteArray convertAll(const char *to, const char *from, const QByteArray &input,
                      const QByteArray &replacement, Skip skip)
{
    Converter converter(to, from);
    QByteArray out;
    if (!converter.valid())
        return out;
    const char *in = input.constData();
    size_t inLeft = static_cast<size_t>(input.size());
    while (converter.convert(in, inLeft, out) != 0) {
        out.append(replacement);
        const size_t step = std::min(static_cast<size_t>(skip(*in)), inLeft);
        in += step;
        inLeft -= step;
    }
    return out;
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

namespace Cp932 {

QByteArray encode(const QString &text)
{
    return convertAll("CP932", "UTF-8", text.toUtf8(), "?",
                      [](char lead) { return utf8Length(static_cast<unsigned char>(lead)); });
}

QString decode(const QByteArray &bytes)
{
    return QString::fromUtf8(convertAll("UTF-8", "CP932", bytes, "\xEF\xBF\xBD",
                                        [](char) { return qsizetype(1); }));
}

bool isLeadByte(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

qsizetype charLength(const QByteArray &bytes, qsizetype pos)
{
    return (isLeadByte(bytes.at(pos)) && pos + 1 < bytes.size()) ? 2 : 1;
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
