#include "core/CompareListing.h"

#include "core/HexText.h"

#include <QCoreApplication>

namespace {

struct Lister {
    CompareListing &listing;
    const QString &nameA;
    const QString &nameB;
    std::uint64_t maxShown;
    std::size_t maxRanges;
};

QString bytesText(const std::uint8_t *bytes, std::uint32_t count)
{
    QString text;
    for (std::uint32_t i = 0; i < count; ++i)
        text += (i ? QStringLiteral(" ") : QString()) + hexDigits(bytes[i], 8);
    return text;
}

std::int32_t list(const kestrun_difference *d, intptr_t userValue)
{
    auto *lister = reinterpret_cast<Lister *>(userValue);
    CompareListing &out = lister->listing;
    if (out.ranges.size() < lister->maxRanges)
        out.ranges.push_back({AddressRange{d->low, d->high}, d->kind});
    CompareListing::Total &total = d->kind == KESTRUN_DIFF_ONLY_A   ? out.onlyA
                                   : d->kind == KESTRUN_DIFF_ONLY_B ? out.onlyB
                                                                    : out.differ;
    ++total.ranges;
    total.bytes += std::uint64_t(d->high) - d->low + 1;
    if (out.count++ >= lister->maxShown)
        return ResultOk;
    const QString range = hexDigits(d->low) + u'-' + hexDigits(d->high);
    QString line;
    switch (d->kind) {
    case KESTRUN_DIFF_ONLY_A:
        line = QCoreApplication::translate("CompareListing", "%1 は %2 にだけあります")
                   .arg(range, lister->nameA);
        break;
    case KESTRUN_DIFF_ONLY_B:
        line = QCoreApplication::translate("CompareListing", "%1 は %2 にだけあります")
                   .arg(range, lister->nameB);
        break;
    default:
        line = QCoreApplication::translate("CompareListing", "%1 が違います: %2 / %3")
                   .arg(range, bytesText(d->a, d->shown), bytesText(d->b, d->shown));
        if (d->high - d->low + 1 > d->shown)
            line = line.replace(QStringLiteral(" / "), QStringLiteral(" ... / "))
                   + QStringLiteral(" ...");
        break;
    }
    out.text += line + u'\n';
    return ResultOk;
}

} // namespace

CompareListing compareImages(const ImageCalls &calls, const kestrun_image *a,
                             const kestrun_image *b, const QString &nameA, const QString &nameB,
                             std::int32_t fill, std::uint64_t maxShown, std::size_t maxRanges)
{
    CompareListing listing;
    Lister lister{listing, nameA, nameB, maxShown, maxRanges};
    std::uint64_t count = 0;
    calls.kestrun_image_compare(a, b, fill, list, reinterpret_cast<intptr_t>(&lister), &count);
    listing.count = count;
    if (count > maxShown)
        listing.text +=
            QCoreApplication::translate("CompareListing", "... ほかに %1 ヶ所違います\n")
                .arg(count - maxShown);
    return listing;
}

QString compareSummary(const CompareListing &listing, const QString &nameA, const QString &nameB)
{
    auto counted = [](const CompareListing::Total &total) {
        return QStringLiteral("%1 範囲 %2 ﾊﾞｲﾄ").arg(total.ranges).arg(total.bytes);
    };
    return QStringLiteral("%1 と %2: 違う %3, %1 だけ %4, %2 だけ %5\n")
        .arg(nameA, nameB, counted(listing.differ), counted(listing.onlyA), counted(listing.onlyB));
}

QString differenceKindText(std::uint32_t kind, const QString &nameA, const QString &nameB)
{
    switch (kind) {
    case KESTRUN_DIFF_ONLY_A:
        return QStringLiteral("%1 だけにある").arg(nameA);
    case KESTRUN_DIFF_ONLY_B:
        return QStringLiteral("%1 だけにある").arg(nameB);
    default:
        return QStringLiteral("%1 と %2 で違う").arg(nameA, nameB);
    }
}
