#include "core/LocalPath.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at `p` (at most `left` bytes) and
// its code point, or 0 when the byte there starts none.
int sequence(const unsigned char *p, qsizetype left, char32_t &codePoint)
{
    const unsigned char lead = p[0];
    int length = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < lowest || codePoint > 0x10FFFF || surrogate)
        return 0;
    return length;
}

void putUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

namespace LocalPath {

QString decode(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size();) {
        if (p[i] < 0x80) {
            name += QChar(char16_t(p[i++]));
            continue;
        }
        char32_t codePoint = 0;
        if (const int length = sequence(p + i, bytes.size() - i, codePoint)) {
            name += QString::fromUcs4(&codePoint, 1);
            i += length;
        } else {
            name += QChar(char16_t(kEscapeBase + p[i++]));
        }
    }
    return name;
}

QByteArray encode(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            putUtf8(bytes, QChar::surrogateToUcs4(c, name.at(i + 1).unicode()));
            ++i;
        } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            bytes += char(c - kEscapeBase);
        } else {
            // Any other lone surrogate has no bytes of its own.
            putUtf8(bytes, QChar::isSurrogate(c) ? char32_t(0xFFFD) : char32_t(c));
        }
    }
    return bytes;
}

QStringList arguments(int argc, char *argv[])
{
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list += decode(QByteArrayView(argv[i]));
    return list;
}

bool openForReading(QFile &file, const QString &name)
{
    const int fd = ::open(encode(name).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

} // namespace LocalPath
