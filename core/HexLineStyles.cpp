#include "core/HexLineStyles.h"

#include "core/HexDigit.h"

#include <algorithm>

namespace {

// The byte spelt by the two digits at `at`, or -1.
int byteAt(QByteArrayView line, qsizetype at)
{
    if (at + 1 >= line.size())
        return -1;
    const int high = HexDigit::value(line[at]);
    const int low = HexDigit::value(line[at + 1]);
    return (high < 0 || low < 0) ? -1 : high * 16 + low;
}

} // namespace

bool looksLikeIntelHex(QByteArrayView text)
{
    return !text.isEmpty() && text.front() == ':';
}

void styleHexLine(QByteArrayView line, char *styles)
{
    std::fill_n(styles, line.size(), HexStyle::Plain);
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r'))
        --end;
    const QByteArrayView text = line.first(end);
    const qsizetype mark = text.indexOf(':');
    if (mark < 0)
        return;
    styles[mark] = HexStyle::Mark;

    // Length, address and type, then the data the length announces, then
    // the checksum: byte by byte, each pair of digits in its field's style
    // until a pair is not two digits.
    const int length = byteAt(text, mark + 1);
    const qsizetype bytes = length < 0 ? 0 : 4 + length + 1;
    unsigned sum = 0;
    qsizetype at = mark + 1;
    qsizetype index = 0;
    for (; index < bytes; ++index, at += 2) {
        const int value = byteAt(text, at);
        if (value < 0)
            break;
        sum += unsigned(value);
        char style = HexStyle::Data;
        if (index == 0)
            style = HexStyle::Length;
        else if (index <= 2)
            style = HexStyle::Address;
        else if (index == 3)
            style = HexStyle::Type;
        else if (index == bytes - 1)
            style = (sum & 0xFF) == 0 ? HexStyle::Checksum : HexStyle::BadChecksum;
        styles[at] = styles[at + 1] = style;
    }
    // Whatever the record could not account for, trailing blanks aside.
    qsizetype tail = end;
    while (tail > at && (text[tail - 1] == ' ' || text[tail - 1] == '\t'))
        --tail;
    std::fill(styles + at, styles + std::max(at, tail), HexStyle::Broken);
    // A record cut short shows it at its mark: what is there may be fine.
    if (bytes == 0 || index < bytes)
        styles[mark] = HexStyle::Broken;
}
