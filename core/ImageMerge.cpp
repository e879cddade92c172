#include "core/ImageMerge.h"

#include "core/HexText.h"

namespace {

QString startText(std::uint32_t type, std::uint32_t value)
{
    return type == KESTRUN_START_SEGMENT
               ? hexDigits(value >> 16, 16) + u':' + hexDigits(value & 0xFFFF, 16)
               : hexDigits(value);
}

} // namespace

ImageMerge::ImageMerge(const ImageCalls &calls, const QStringList &names, std::int32_t policy,
                       ConflictLog &log)
    : m_calls(calls), m_names(names), m_policy(policy), m_log(log), m_merged(newImage(calls))
{
}

bool ImageMerge::add(const kestrun_image *image, int index, QString &error,
                     QString (*describe)(std::int32_t code))
{
    const std::int32_t rc =
        m_calls.kestrun_image_merge(m_merged.get(), image, std::uint32_t(index + 1), m_policy,
                                    ConflictLog::collect, m_log.userValue(), nullptr);
    if (rc == ResultOverlap && !m_log.kept().empty()) {
        error = m_log.text(m_log.kept().back());
        return false;
    }
    if (rc < 0) {
        error = m_names[index] + QStringLiteral(": ") + describe(rc).replace(u'\n', u' ');
        return false;
    }
    return takeStart(image, index, error);
}

bool ImageMerge::takeStart(const kestrun_image *image, int index, QString &error)
{
    std::uint32_t type = KESTRUN_START_NONE, value = 0;
    m_calls.kestrun_image_start(image, &type, &value);
    if (type == KESTRUN_START_NONE)
        return true;
    if (m_startFrom >= 0 && (type != m_startType || value != m_startValue)) {
        error = QStringLiteral("%1: start address %2 differs from %3's %4")
                    .arg(m_names[index], startText(type, value), m_names[m_startFrom],
                         startText(m_startType, m_startValue));
        return false;
    }
    m_startFrom = index;
    m_startType = type;
    m_startValue = value;
    return true;
}

ImageHandle ImageMerge::take()
{
    if (m_merged)
        m_calls.kestrun_image_set_start(m_merged.get(), m_startType, m_startValue);
    return std::move(m_merged);
}
