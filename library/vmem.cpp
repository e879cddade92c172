// Verilog VMEM ($readmemh): "@ADDR" in words, then words of 2, 4, 8 or 16
// hex digits (8 to 64 bits, the first byte the most significant), with
// C comments anywhere. Written as srec_cat -VMem writes it (without its
// comment line): each line an address and as many words as fit 80
// columns; a word that data fills only in part gets the fill in the rest.
#include "format_table.h"
#include "hex_digits.h"
#include "text_line_reader.h"
#include "text_out.h"

#include <vector>

namespace kestrun {

namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

bool hexDigit(char c)
{
    return !(kCharClass[static_cast<uint8_t>(c)] & NotHexDigit);
}

unsigned hexValue(char c)
{
    return c <= '9' ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
}

class VmemReader final : public TextLineReader {
public:
    explicit VmemReader(Image *image) : TextLineReader(image, ResultNotVmem) {}

private:
    int32_t line(const char *text, size_t length) override
    {
        size_t i = 0;
        m_bytes.clear();
        m_from = 0;
        while (i < length) {
            if (m_inComment) {
                while (i + 1 < length && !(text[i] == '*' && text[i + 1] == '/'))
                    ++i;
                if (i + 1 >= length)
                    break;
                i += 2;
                m_inComment = false;
                continue;
            }
            const char c = text[i];
            if (blank(c)) {
                ++i;
            } else if (c == '/' && i + 1 < length && text[i + 1] == '*') {
                m_inComment = true;
                i += 2;
            } else if (c == '/' && i + 1 < length && text[i + 1] == '/') {
                break;
            } else if (c == '@') {
                if (const int32_t rc = address(text, length, i); rc < 0)
                    return rc;
            } else if (const int32_t rc = word(text, length, i); rc < 0) {
                return rc;
            }
        }
        return flush();
    }

    int32_t address(const char *text, size_t length, size_t &i)
    {
        if (const int32_t rc = flush(); rc < 0)
            return rc;
        const size_t at = i++;
        uint64_t value = 0;
        for (; i < length && hexDigit(text[i]); ++i) {
            if (i - at > 8)
                return malformed(i);
            value = value << 4 | hexValue(text[i]);
        }
        if (i == at + 1 || (i < length && !blank(text[i]) && text[i] != '/'))
            return malformed(i);
        m_word = value;
        m_addressColumn = at;
        return ResultOk;
    }

    int32_t word(const char *text, size_t length, size_t &i)
    {
        const size_t at = i;
        while (i < length && hexDigit(text[i]))
            ++i;
        const size_t digits = i - at;
        if (i < length && !blank(text[i]) && text[i] != '/')
            return malformed(i);
        if (digits == 0 || digits > 16 || (digits & (digits - 1)) || digits < 2)
            return malformed(at);
        const size_t width = digits / 2;
        if (m_width == 0)
            m_width = width;
        else if (width != m_width)
            return malformed(at); // one width of word for the whole text
        if (m_bytes.empty()) {
            m_start = m_word * m_width;
            m_from = m_addressColumn ? m_addressColumn : at;
        }
        if (m_start + m_bytes.size() + width > kAddressSpace)
            return store(m_start + m_bytes.size(), nullptr, width, m_from);
        for (size_t d = at; d < i; d += 2)
            m_bytes.push_back(uint8_t(hexValue(text[d]) << 4 | hexValue(text[d + 1])));
        ++m_word;
        return ResultOk;
    }

    int32_t flush()
    {
        if (m_bytes.empty())
            return ResultOk;
        const int32_t rc = store(m_start, m_bytes.data(), m_bytes.size(), m_from);
        m_bytes.clear();
        m_addressColumn = 0;
        return rc;
    }

    bool m_inComment = false;
    uint64_t m_word = 0;  // the address of the next word, in words
    size_t m_width = 0;   // bytes a word, from the first word
    uint64_t m_start = 0; // where the bytes of this line begin
    size_t m_from = 0;    // their column
    size_t m_addressColumn = 0;
    std::vector<uint8_t> m_bytes;
};

class VmemWriter final : public FormatWriter {
public:
    VmemWriter(const kestrun_write_options &o, kestrun_sink_fn sink, intptr_t user)
        : m_out(sink, user, o.line_end), m_width(o.word_width / 8), m_fill(o.fill),
          m_perLine(70 / (2 * m_width + 1))
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
        for (uint64_t i = 0; i < count; ++i) {
            const uint64_t at = uint64_t(address) + i;
            const uint64_t word = at / m_width;
            if (!m_held || word != m_heldWord) {
                emit();
                m_held = true;
                m_heldWord = word;
                std::fill(m_word, m_word + m_width, m_fill);
            }
            m_word[at % m_width] = bytes[i];
            if (const int32_t rc = m_out.flush(); rc < 0)
                return rc;
        }
        m_out.put += count;
        return m_out.result();
    }

    int32_t finish() override
    {
        emit();
        if (m_inLine)
            m_out.endLine();
        m_inLine = 0;
        return m_out.flush(true);
    }

private:
    void emit()
    {
        if (!m_held)
            return;
        if (m_inLine == m_perLine || (m_inLine && m_heldWord != m_nextWord)) {
            m_out.endLine();
            m_inLine = 0;
        }
        if (m_inLine == 0) {
            m_out.text("@");
            m_out.hex(m_heldWord, 8);
        }
        m_out.text(" ");
        for (unsigned b = 0; b < m_width; ++b)
            m_out.hex(m_word[b], 2);
        ++m_inLine;
        m_nextWord = m_heldWord + 1;
        m_held = false;
    }

    TextOut m_out;
    unsigned m_width;
    uint8_t m_fill;
    unsigned m_perLine;
    uint8_t m_word[8] = {};
    bool m_held = false;
    uint64_t m_heldWord = 0;
    uint64_t m_nextWord = 0;
    unsigned m_inLine = 0;
};

// Past blanks and comments.
const char *skipSpace(const char *p, const char *end)
{
    while (p < end) {
        if (blank(*p) || *p == '\r' || *p == '\n') {
            ++p;
        } else if (end - p >= 2 && p[0] == '/' && p[1] == '/') {
            while (p < end && *p != '\n')
                ++p;
        } else if (end - p >= 2 && p[0] == '/' && p[1] == '*') {
            p += 2;
            while (end - p >= 2 && !(p[0] == '*' && p[1] == '/'))
                ++p;
            p += 2;
        } else {
            break;
        }
    }
    return p;
}

} // namespace

std::unique_ptr<FormatReader> newVmemFormatReader(Image *image)
{
    return std::make_unique<VmemReader>(image);
}

std::unique_ptr<FormatWriter> newVmemFormatWriter(const kestrun_write_options &o,
                                                  kestrun_sink_fn sink, intptr_t user,
                                                  int32_t &result)
{
    if (o.word_width != 8 && o.word_width != 16 && o.word_width != 32 && o.word_width != 64) {
        result = ResultBadArgument;
        return nullptr;
    }
    return std::make_unique<VmemWriter>(o, sink, user);
}

// Past blanks and comments, "@" and hex digits, blanks and a word on the
// same line: what srec_cat writes. Text without an address on the line
// of its first word tells nothing (TI-TXT has its address alone).
bool probeVmem(const uint8_t *bytes, uint64_t length)
{
    const char *end = reinterpret_cast<const char *>(bytes) + length;
    const char *p = skipSpace(reinterpret_cast<const char *>(bytes), end);
    if (p >= end || *p++ != '@' || p == end || !hexDigit(*p))
        return false;
    while (p < end && hexDigit(*p))
        ++p;
    if (p == end || !blank(*p))
        return false;
    while (p < end && blank(*p))
        ++p;
    return end - p >= 2 && hexDigit(p[0]) && hexDigit(p[1]);
}

} // namespace kestrun
