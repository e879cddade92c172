#include "core/HexNumber.h"

namespace HexNumber {

QString digits(QStringView text)
{
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
        text = text.sliced(2);
    return text.toString();
}

std::optional<std::uint64_t> read(QStringView text, std::uint64_t highest)
{
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
        text = text.sliced(2);
    if (text.isEmpty() || text.size() > 16)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const int digit = u >= u'0' && u <= u'9'   ? u - u'0'
                          : u >= u'A' && u <= u'F' ? u - u'A' + 10
                          : u >= u'a' && u <= u'f' ? u - u'a' + 10
                                                   : -1;
        if (digit < 0)
            return std::nullopt;
        // Sixteen digits at most: no overflow.
        value = value * 16 + std::uint64_t(digit);
    }
    if (value > highest)
        return std::nullopt;
    return value;
}

std::optional<QByteArray> bytes(QStringView text)
{
    const auto apart = [](QChar c) { return c.isSpace() || c == u','; };
    QByteArray out;
    for (qsizetype at = 0; at < text.size();) {
        if (apart(text[at])) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < text.size() && !apart(text[end]))
            ++end;
        QStringView word = text.sliced(at, end - at);
        if (word.size() > 2 && word[0] == u'0' && (word[1] == u'x' || word[1] == u'X'))
            word = word.sliced(2);
        if (word.size() % 2 != 0)
            return std::nullopt;
        for (qsizetype i = 0; i < word.size(); i += 2) {
            const std::optional<std::uint64_t> byte = read(word.sliced(i, 2));
            if (!byte)
                return std::nullopt;
            out += char(*byte);
        }
        at = end;
    }
    if (out.isEmpty())
        return std::nullopt;
    return out;
}

} // namespace HexNumber
