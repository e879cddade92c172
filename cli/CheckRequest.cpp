#include "CheckRequest.h"

#include "LinkedLibrary.h"
#include "MessageLanguage.h"
#include "core/CheckRange.h"
#include "core/ConflictLog.h"

#include <QCoreApplication>

CheckRequest::CheckRequest(const ImageJob &job) : m_job(job)
{
}

QString CheckRequest::name() const
{
    if (m_job.model)
        return MessageLanguage::text("the CRC");
    return m_job.algorithm.isEmpty() ? QStringLiteral("crc-32") : m_job.algorithm;
}

CheckPointer CheckRequest::make(QString &error) const
{
    int32_t rc = ResultOk;
    CheckPointer check(m_job.model ? kestrun_check_new_crc(&*m_job.model, &rc)
                                   : kestrun_check_new(name().toLatin1().constData(), &rc));
    if (!check)
        error =
            rc == ResultBadArgument
                ? MessageLanguage::text("--algorithm %1: no such check; kestrun crc --algorithm "
                                        "list names them")
                      .arg(name())
                : LinkedLibrary::message(rc);
    return check;
}

namespace {

QString faultText(CheckRange::Fault fault, std::optional<std::uint32_t> slot,
                  std::uint32_t slotBytes, const AddressRange &range)
{
    switch (fault) {
    case CheckRange::Fault::SlotPastEnd:
        return MessageLanguage::text("the %1 bytes at %2 pass FFFFFFFF")
            .arg(slotBytes)
            .arg(hexDigits(*slot));
    case CheckRange::Fault::NoData:
        return MessageLanguage::text("no data to check");
    case CheckRange::Fault::SlotInRange:
        return MessageLanguage::text("the CRC at %1 lies within its range %2-%3; give a --range "
                                     "that leaves it out")
            .arg(hexDigits(*slot), hexDigits(range.low), hexDigits(range.high));
    default:
        return QString();
    }
}

} // namespace

bool CheckRequest::range(const kestrun_image *image, std::optional<std::uint32_t> slot,
                         std::uint32_t slotBytes, AddressRange &out, QString &error) const
{
    const CheckRange::Found found =
        CheckRange::find(*LinkedLibrary::calls().image(), image, m_job.range, slot, slotBytes);
    out = found.range;
    error = faultText(found.fault, slot, slotBytes, found.range);
    return found.fault == CheckRange::Fault::None;
}

namespace {

// " (a.hex:17)": who wrote the bytes in the slot, when the image still
// knows (the operations of convert forget it).
QString writerOf(const kestrun_conflict &over, const QStringList &inputs)
{
    if (over.earlier_source == 0)
        return QString();
    return QStringLiteral(" (%1)").arg(
        ConflictLog(inputs, KESTRUN_OVERLAP_LAST).place(over.earlier_source, over.earlier_line));
}

} // namespace

bool CheckRequest::insert(kestrun_image *image, const QStringList &inputs, std::int32_t policy,
                          QString &error, QString &warning) const
{
    const CheckPointer check = make(error);
    if (!check)
        return false;
    const CheckRange::Insertion done = CheckRange::insert(
        *LinkedLibrary::calls().image(), image, check.get(), m_job.range, *m_job.insertAt,
        m_job.endian, m_job.fillByte.value_or(0xFF), policy);
    if (done.fault == CheckRange::Fault::SlotHeld) {
        error = QCoreApplication::translate("CheckRequest",
                                            "CRC を置く %1-%2 には別のデータがあります%3。"
                                            "その上に書くには --overlap last を指定してください")
                    .arg(hexDigits(done.over->low), hexDigits(done.over->high),
                         writerOf(*done.over, inputs));
        return false;
    }
    if (done.over)
        warning = QCoreApplication::translate("CheckRequest",
                                              "kestrun: 警告: --insert-crc: CRC を %1-%2 の"
                                              "データ%3の上に書きました")
                      .arg(hexDigits(done.over->low), hexDigits(done.over->high),
                           writerOf(*done.over, inputs));
    error = done.fault == CheckRange::Fault::Library
                ? LinkedLibrary::message(done.rc).replace(u'\n', u' ')
                : faultText(done.fault, m_job.insertAt,
                            (kestrun_check_width(check.get()) + 7) / 8, done.range);
    return done.fault == CheckRange::Fault::None;
}

QString CheckRequest::list()
{
    QString text;
    const char *name = nullptr, *description = nullptr;
    for (std::uint32_t i = 0; kestrun_check_preset(i, &name, &description) == ResultOk; ++i)
        text += QStringLiteral("%1  %2\n").arg(QString::fromLatin1(name).leftJustified(22),
                                                QString::fromLatin1(description));
    return text;
}
