// TI-TXT: "@ADDR" lines, each followed by lines of up to 16 bytes as hex
// pairs separated by spaces, and "q" at the end. Written as srec_cat
// writes it: the address in at least 4, 6 or 8 digits as it needs them,
// a new address line wherever the data leaves a gap.
#include "format_table.h"
#include "hex_digits.h"
#include "text_line_reader.h"
#include "text_out.h"

#include <vector>

namespace kestrun {

namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

bool hexDigit(char c)
{
    return !(kCharClass[static_cast<uint8_t>(c)] & NotHexDigit);
}

class TiTxtReader final : public TextLineReader {
public:
    explicit TiTxtReader(Image *image) : TextLineReader(image, ResultNotTiTxt) {}

private:
    int32_t line(const char *text, size_t length) override
    {
        size_t i = 0;
        while (i < length && blank(text[i]))
            ++i;
        if (i == length)
            return ResultOk;
        if (text[i] == 'q' || text[i] == 'Q') {
            for (size_t j = i + 1; j < length; ++j)
                if (!blank(text[j]))
                    return malformed(j);
            stop();
            return ResultOk;
        }
        if (text[i] == '@')
            return address(text, length, i);
        if (!m_addressed)
            return malformed(i);
        m_bytes.clear();
        while (i < length) {
            if (blank(text[i])) {
                ++i;
                continue;
            }
            if (i + 1 >= length || !hexDigit(text[i]) || !hexDigit(text[i + 1]))
                return malformed(hexDigit(text[i]) ? i + 1 : i);
            if (i + 2 < length && !blank(text[i + 2]))
                return malformed(i + 2);
            m_bytes.push_back(uint8_t(hexValue(text[i]) << 4 | hexValue(text[i + 1])));
            i += 2;
        }
        if (const int32_t rc = store(m_next, m_bytes.data(), m_bytes.size(), 0); rc < 0)
            return rc;
        m_next += m_bytes.size();
        return ResultOk;
    }

    int32_t address(const char *text, size_t length, size_t at)
    {
        uint64_t value = 0;
        size_t i = at + 1;
        for (; i < length && hexDigit(text[i]); ++i) {
            if (i - at > 8)
                return malformed(i);
            value = value << 4 | hexValue(text[i]);
        }
        if (i == at + 1)
            return malformed(i);
        for (; i < length; ++i)
            if (!blank(text[i]))
                return malformed(i);
        m_next = value;
        m_addressed = true;
        return ResultOk;
    }

    static unsigned hexValue(char c)
    {
        return c <= '9' ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
    }

    bool m_addressed = false;
    uint64_t m_next = 0;
    std::vector<uint8_t> m_bytes;
};

class TiTxtWriter final : public FormatWriter {
public:
    TiTxtWriter(const kestrun_write_options &o, kestrun_sink_fn sink, intptr_t user)
        : m_out(sink, user, o.line_end)
    {
    }

    void onProgress(ProgressCallback callback, uint64_t total, intptr_t user) override
    {
        m_out.progress.set(callback, total, user);
    }

    int32_t put(uint32_t address, const uint8_t *bytes, uint64_t count) override
    {
        if (uint64_t(address) + count > kAddressSpace)
            return ResultAddressFault;
        if (count > 0 && (!m_started || address != m_next)) {
            if (m_inLine)
                m_out.endLine();
            m_out.text("@");
            m_out.hex(address, address < 0x10000u ? 4 : address < 0x1000000u ? 6 : digits(address));
            m_out.endLine();
            m_inLine = 0;
            m_started = true;
        }
        for (uint64_t i = 0; i < count; ++i) {
            if (m_inLine == 16) {
                m_out.endLine();
                m_inLine = 0;
            }
            if (m_inLine)
                m_out.text(" ");
            m_out.hex(bytes[i], 2);
            ++m_inLine;
            if (const int32_t rc = m_out.flush(); rc < 0)
                return rc;
        }
        m_next = uint64_t(address) + count;
        m_out.put += count;
        return m_out.result();
    }

    int32_t finish() override
    {
        if (m_inLine)
            m_out.endLine();
        m_inLine = 0;
        m_out.text("q");
        m_out.endLine();
        return m_out.flush(true);
    }

private:
    static unsigned digits(uint32_t value)
    {
        unsigned n = 1;
        while (value >>= 4)
            ++n;
        return n;
    }

    TextOut m_out;
    bool m_started = false;
    uint64_t m_next = 0;
    unsigned m_inLine = 0;
};

} // namespace

std::unique_ptr<FormatReader> newTiTxtFormatReader(Image *image)
{
    return std::make_unique<TiTxtReader>(image);
}

std::unique_ptr<FormatWriter> newTiTxtFormatWriter(const kestrun_write_options &o,
                                                   kestrun_sink_fn sink, intptr_t user, int32_t &)
{
    return std::make_unique<TiTxtWriter>(o, sink, user);
}

// An "@" and hex digits alone on the first line, and on the next line that
// is not blank a hex pair, or "q".
bool probeTiTxt(const uint8_t *bytes, uint64_t length)
{
    const char *p = reinterpret_cast<const char *>(bytes);
    const char *end = p + length;
    while (p < end && (*p == '\r' || *p == '\n'))
        ++p;
    if (p == end || *p++ != '@' || p == end || !hexDigit(*p))
        return false;
    while (p < end && hexDigit(*p))
        ++p;
    while (p < end && blank(*p))
        ++p;
    if (p == end || (*p != '\r' && *p != '\n'))
        return false;
    while (p < end && (*p == '\r' || *p == '\n' || blank(*p)))
        ++p;
    return p < end
           && (*p == 'q' || (end - p >= 2 && hexDigit(p[0]) && hexDigit(p[1])
                             && (end - p == 2 || blank(p[2]) || p[2] == '\r' || p[2] == '\n')));
}

} // namespace kestrun
