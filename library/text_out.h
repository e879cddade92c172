// The output of the writers that build their text a piece at a time (TI-TXT,
// VMEM, C arrays, UF2): bytes gathered into pieces of a size the sink takes
// well, progress reported before each piece goes.
#ifndef KESTRUN_TEXT_OUT_H
#define KESTRUN_TEXT_OUT_H

#include "format_reader.h"
#include "line_end.h"

#include <string>

namespace kestrun {

class TextOut {
public:
    TextOut(kestrun_sink_fn sink, intptr_t user, uint32_t lineEnd)
        : m_sink(sink), m_user(user), m_lineEnd(lineEnd)
    {
    }

    Progress progress;
    uint64_t put = 0; // data bytes put, for the progress

    void text(const char *s) { m_held.append(s); }
    void text(const char *s, size_t n) { m_held.append(s, n); }
    void endLine() { m_held.append(&m_lineEnd.first, m_lineEnd.length); }
    // `digits` upper-case hex digits of `value`.
    void hex(uint64_t value, unsigned digits)
    {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        for (unsigned i = digits; i-- > 0;)
            m_held.push_back(kDigits[(value >> (4 * i)) & 0xF]);
    }
    // Sends what is held once there is enough of it (all of it with `all`).
    int32_t flush(bool all = false)
    {
        if (m_result < 0 || m_held.empty() || (!all && m_held.size() < kPiece))
            return m_result;
        if (!progress.report(put))
            return m_result = ResultCancelled;
        const int32_t rc = m_sink(m_held.data(), m_held.size(), m_user);
        m_held.clear();
        return rc < 0 ? m_result = rc : int32_t(ResultOk);
    }
    int32_t result() const { return m_result; }

private:
    static constexpr size_t kPiece = 64 * 1024;

    kestrun_sink_fn m_sink;
    intptr_t m_user;
    LineEnd m_lineEnd;
    std::string m_held;
    int32_t m_result = ResultOk;
};

} // namespace kestrun

#endif
