#include "CheckRequest.h"

#include "LinkedLibrary.h"

#include <algorithm>

CheckRequest::CheckRequest(const ImageJob &job) : m_job(job)
{
}

QString CheckRequest::name() const
{
    if (m_job.model)
        return QStringLiteral("the CRC");
    return m_job.algorithm.isEmpty() ? QStringLiteral("crc-32") : m_job.algorithm;
}

CheckPointer CheckRequest::make(QString &error) const
{
    int32_t rc = ResultOk;
    CheckPointer check(m_job.model ? kestrun_check_new_crc(&*m_job.model, &rc)
                                   : kestrun_check_new(name().toLatin1().constData(), &rc));
    if (!check)
        error = rc == ResultBadArgument
                    ? QStringLiteral("--algorithm %1: no such check; kestrun crc --algorithm "
                                     "list names them")
                          .arg(name())
                    : LinkedLibrary::message(rc);
    return check;
}

bool CheckRequest::range(const kestrun_image *image, std::optional<std::uint32_t> slot,
                         std::uint32_t slotBytes, AddressRange &out, QString &error) const
{
    const std::uint64_t slotLow = slot.value_or(0), slotHigh = slotLow + slotBytes - 1;
    if (slot && slotHigh > UINT32_MAX) {
        error = QStringLiteral("the %1 bytes at %2 pass FFFFFFFF").arg(slotBytes).arg(hexDigits(*slot));
        return false;
    }
    if (m_job.range) {
        out = *m_job.range;
    } else {
        // The data outside the slot, so that the range a CRC was inserted
        // over is the range it is verified over.
        std::uint64_t low = UINT64_MAX, high = 0;
        const auto take = [&](std::uint64_t from, std::uint64_t to) {
            if (from <= to) {
                low = std::min(low, from);
                high = std::max(high, to);
            }
        };
        kestrun_segment s{};
        for (std::uint64_t at = 0; kestrun_image_next(image, at, &s) == ResultOk;
             at = s.address + s.length) {
            const std::uint64_t last = s.address + s.length - 1;
            if (!slot || last < slotLow || s.address > slotHigh) {
                take(s.address, last);
                continue;
            }
            if (s.address < slotLow)
                take(s.address, slotLow - 1);
            take(slotHigh + 1, last);
        }
        if (low > high) {
            error = QStringLiteral("no data to check");
            return false;
        }
        out = AddressRange{std::uint32_t(low), std::uint32_t(high)};
    }
    if (slot && slotLow <= out.high && slotHigh >= out.low) {
        error = QStringLiteral("the CRC at %1 lies within its range %2-%3; give a --range "
                               "that leaves it out")
                    .arg(hexDigits(*slot), hexDigits(out.low), hexDigits(out.high));
        return false;
    }
    return true;
}

bool CheckRequest::insert(kestrun_image *image, QString &error) const
{
    const CheckPointer check = make(error);
    if (!check)
        return false;
    const std::uint32_t bytes = (kestrun_check_width(check.get()) + 7) / 8;
    AddressRange r;
    if (!range(image, m_job.insertAt, bytes, r, error))
        return false;
    const std::int32_t rc =
        kestrun_image_insert_check(image, check.get(), r.low, r.high, m_job.fillByte.value_or(0xFF),
                                   *m_job.insertAt, m_job.endian, nullptr);
    if (rc < 0)
        error = LinkedLibrary::message(rc).replace(u'\n', u' ');
    return rc >= 0;
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
