#include "core/ConflictLog.h"

#include "core/HexText.h"

namespace {

constexpr std::size_t kKept = 5;

} // namespace

ConflictLog::ConflictLog(const QStringList &inputs, std::int32_t policy)
    : m_inputs(inputs), m_policy(policy)
{
}

std::int32_t ConflictLog::collect(const kestrun_conflict *conflict, intptr_t userValue)
{
    auto *log = reinterpret_cast<ConflictLog *>(userValue);
    if (conflict->identical && log->m_policy != KESTRUN_OVERLAP_REFUSE)
        return ResultOk;
    if (log->m_kept.size() < kKept)
        log->m_kept.push_back(*conflict);
    ++log->m_count;
    return ResultOk;
}

QString ConflictLog::name(std::uint32_t source) const
{
    return source >= 1 && source <= std::uint32_t(m_inputs.size()) ? m_inputs[int(source) - 1]
                                                                   : QStringLiteral("kestrun");
}

QString ConflictLog::text(const kestrun_conflict &c) const
{
    return QStringLiteral("%1:%2: %3-%4 also written by %5:%6")
        .arg(name(c.source), QString::number(c.line), hexDigits(c.low), hexDigits(c.high),
             name(c.earlier_source), QString::number(c.earlier_line));
}

QStringList ConflictLog::warnings() const
{
    if (m_policy != KESTRUN_OVERLAP_LAST && m_policy != KESTRUN_OVERLAP_FIRST)
        return {};
    const QString kept = m_policy == KESTRUN_OVERLAP_LAST ? QStringLiteral("the later bytes")
                                                          : QStringLiteral("the earlier bytes");
    QStringList lines;
    for (const kestrun_conflict &c : m_kept) {
        const QString line = text(c);
        const int colon = line.indexOf(QStringLiteral(": "));
        lines << line.left(colon) + QStringLiteral(": warning: ") + line.mid(colon + 2)
                     + QStringLiteral(" (%1 kept)").arg(kept);
    }
    if (m_count > m_kept.size())
        lines << QStringLiteral("kestrun: warning: %1 more overlaps with other bytes; "
                                "--overlap error refuses them")
                     .arg(m_count - m_kept.size());
    return lines;
}
