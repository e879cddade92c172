#include "core/ConflictLog.h"

#include "core/HexText.h"

#include <QCoreApplication>

#include <algorithm>

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
    fold(log->m_record, *conflict, log->m_count == 1);
    return ResultOk;
}

void ConflictLog::fold(kestrun_conflict &record, const kestrun_conflict &conflict, bool first)
{
    if (first || record.source != conflict.source || record.line != conflict.line) {
        record = conflict;
        return;
    }
    // The first report keeps the earlier side's first line.
    record.low = std::min(record.low, conflict.low);
    record.high = std::max(record.high, conflict.high);
    record.differing += conflict.differing;
    record.identical = record.identical && conflict.identical;
}

QString ConflictLog::name(std::uint32_t source) const
{
    return source >= 1 && source <= std::uint32_t(m_inputs.size()) ? m_inputs[int(source) - 1]
                                                                   : QStringLiteral("kestrun");
}

QString ConflictLog::place(std::uint32_t source, std::uint64_t line) const
{
    return line ? name(source) + u':' + QString::number(line) : name(source);
}

QString ConflictLog::text(const kestrun_conflict &c) const
{
    return QCoreApplication::translate("ConflictLog", "%1: %2-%3 は %4 も書き込んでいます")
        .arg(place(c.source, c.line), hexDigits(c.low), hexDigits(c.high),
             place(c.earlier_source, c.earlier_line));
}

QStringList ConflictLog::warnings() const
{
    QStringList lines = m_notes;
    if (m_policy != KESTRUN_OVERLAP_LAST && m_policy != KESTRUN_OVERLAP_FIRST)
        return lines;
    const char *warning = m_policy == KESTRUN_OVERLAP_LAST
                              ? QT_TRANSLATE_NOOP("ConflictLog",
                                                  "%1: 警告: %2-%3 は %4 も書き込んでいます "
                                                  "(後のバイトを使いました)")
                              : QT_TRANSLATE_NOOP("ConflictLog",
                                                  "%1: 警告: %2-%3 は %4 も書き込んでいます "
                                                  "(先のバイトを残しました)");
    for (const kestrun_conflict &c : m_kept)
        lines << QCoreApplication::translate("ConflictLog", warning)
                     .arg(place(c.source, c.line), hexDigits(c.low), hexDigits(c.high),
                          place(c.earlier_source, c.earlier_line));
    if (m_count > m_kept.size())
        lines << QCoreApplication::translate("ConflictLog",
                                             "kestrun: 警告: ほかに %1 か所で違うバイトが重なります。"
                                             "--overlap error で拒否できます")
                     .arg(m_count - m_kept.size());
    return lines;
}
