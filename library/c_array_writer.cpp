// C arrays: a `const uint8_t` array for each run of addresses with data,
// its address beside it, and a table of the runs, for a program that
// carries an image inside it. The arrays are written as the bytes come, so
// their sizes are left to the compiler (sizeof in the table).
#include "format_table.h"
#include "text_out.h"

#include <string>
#include <vector>

namespace kestrun {

namespace {

class CArrayWriter final : public FormatWriter {
public:
    CArrayWriter(const kestrun_write_options &o, kestrun_sink_fn sink, intptr_t user)
        : m_out(sink, user, o.line_end)
    {
        m_out.text("/* The image's data: one array a run of addresses, and the table of them. */");
        m_out.endLine();
        m_out.text("#include <stdint.h>");
        m_out.endLine();
    }

    void onProgress(ProgressCallback callback, uint64_t total, intptr_t user) override
    {
        m_out.progress.set(callback, total, user);
    }

    int32_t put(uint32_t address, const uint8_t *bytes, uint64_t count) override
    {
        if (uint64_t(address) + count > kAddressSpace)
            return ResultAddressFault;
        if (count == 0)
            return ResultOk;
        if (!m_open || address != m_next) {
            close();
            m_out.endLine();
            m_out.text("const uint32_t image_segment_");
            number(m_segments);
            m_out.text("_address = 0x");
            m_out.hex(address, 8);
            m_out.text("u;");
            m_out.endLine();
            m_out.text("const uint8_t image_segment_");
            number(m_segments);
            m_out.text("[] = {");
            m_addresses.push_back(address);
            ++m_segments;
            m_open = true;
            m_inLine = 16;
        }
        for (uint64_t i = 0; i < count; ++i) {
            if (m_inLine == 16) {
                m_out.endLine();
                m_out.text("   ");
                m_inLine = 0;
            }
            m_out.text(" 0x");
            m_out.hex(bytes[i], 2);
            m_out.text(",");
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
        close();
        m_out.endLine();
        m_out.text("struct image_segment {");
        m_out.endLine();
        m_out.text("    uint32_t address;");
        m_out.endLine();
        m_out.text("    uint32_t length;");
        m_out.endLine();
        m_out.text("    const uint8_t *data;");
        m_out.endLine();
        m_out.text("};");
        m_out.endLine();
        m_out.endLine();
        m_out.text("/* The runs in address order, then one of length 0. */");
        m_out.endLine();
        m_out.text("const struct image_segment image_segments[] = {");
        m_out.endLine();
        for (uint64_t i = 0; i < m_segments; ++i) {
            m_out.text("    {0x");
            m_out.hex(m_addresses[i], 8);
            m_out.text("u, sizeof image_segment_");
            number(i);
            m_out.text(", image_segment_");
            number(i);
            m_out.text("},");
            m_out.endLine();
        }
        m_out.text("    {0u, 0u, 0},");
        m_out.endLine();
        m_out.text("};");
        m_out.endLine();
        m_out.text("const uint32_t image_segment_count = ");
        number(m_segments);
        m_out.text("u;");
        m_out.endLine();
        return m_out.flush(true);
    }

private:
    void close()
    {
        if (!m_open)
            return;
        m_out.endLine();
        m_out.text("};");
        m_out.endLine();
        m_open = false;
    }

    void number(uint64_t value)
    {
        const std::string digits = std::to_string(value);
        m_out.text(digits.data(), digits.size());
    }

    TextOut m_out;
    bool m_open = false;
    uint64_t m_next = 0;
    uint64_t m_segments = 0;
    std::vector<uint64_t> m_addresses;
    unsigned m_inLine = 0;
};

} // namespace

std::unique_ptr<FormatWriter> newCArrayFormatWriter(const kestrun_write_options &o,
                                                    kestrun_sink_fn sink, intptr_t user, int32_t &)
{
    return std::make_unique<CArrayWriter>(o, sink, user);
}

} // namespace kestrun
