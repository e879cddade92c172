#include "core/ImageMerge.h"

#include "core/HexNumber.h"
#include "core/HexText.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// The address a start record names (CS * 16 + IP for a 03 record).
std::uint32_t linearOf(std::uint32_t type, std::uint32_t value)
{
    return type == KESTRUN_START_SEGMENT ? (value >> 16) * 16 + (value & 0xFFFF) : value;
}

} // namespace

std::optional<StartChoice> StartChoice::named(const QString &word)
{
    if (word == u"first")
        return StartChoice{Rule::First, 0};
    if (word == u"last")
        return StartChoice{Rule::Last, 0};
    if (word == u"none")
        return StartChoice{Rule::None, 0};
    const std::optional<std::uint64_t> address = HexNumber::read(word);
    if (!address)
        return std::nullopt;
    return StartChoice{Rule::Given, std::uint32_t(*address)};
}

QString ImageMerge::startText(std::uint32_t type, std::uint32_t value)
{
    return type == KESTRUN_START_SEGMENT
               ? hexDigits(value >> 16, 16) + u':' + hexDigits(value & 0xFFFF, 16)
               : hexDigits(value);
}

ImageMerge::ImageMerge(const ImageCalls &calls, const QStringList &names, std::int32_t policy,
                       ConflictLog &log, StartChoice start)
    : m_calls(calls), m_names(names), m_policy(policy), m_log(log), m_choice(start),
      m_merged(newImage(calls))
{
}

bool ImageMerge::add(const kestrun_image *image, int index, QString &error,
                     QString (*describe)(std::int32_t code))
{
    m_firstShared = m_policy == KESTRUN_OVERLAP_REFUSE ? firstShared(image) : std::nullopt;
    const std::int32_t rc =
        m_calls.kestrun_image_merge(m_merged.get(), image, std::uint32_t(index + 1), m_policy,
                                    ConflictLog::collect, m_log.userValue(), nullptr);
    if (rc == ResultOverlap && m_log.count() > 0) {
        error = m_log.text(wholeConflict(image));
        return false;
    }
    if (rc < 0) {
        error = m_names[index] + QStringLiteral(": ") + describe(rc).replace(u'\n', u' ');
        return false;
    }
    std::uint32_t type = KESTRUN_START_NONE, value = 0;
    m_calls.kestrun_image_start(image, &type, &value);
    if (type != KESTRUN_START_NONE)
        m_starts.push_back({index, type, value});
    return true;
}

// The library stops at the first record of `image` it refuses, and names
// only the earlier records that one meets; the inputs may go on
// conflicting past it. The range grows over the rest of the stretch both
// hold from there (under identical, to the last byte that differs), so
// that the user hears all of it at once.
kestrun_conflict ImageMerge::wholeConflict(const kestrun_image *image) const
{
    kestrun_conflict c = m_log.refused();
    // Under error equal bytes conflict too, where the library names only
    // those that differ: the range starts where the inputs first meet.
    if (m_firstShared && *m_firstShared < c.low)
        c.low = *m_firstShared;
    kestrun_segment held{}, adding{};
    if (m_calls.kestrun_image_next(m_merged.get(), c.low, &held) != ResultOk
        || m_calls.kestrun_image_next(image, c.low, &adding) != ResultOk
        || held.address > c.low || adding.address > c.low)
        return c;
    const std::uint64_t stop =
        std::min(held.address + held.length, adding.address + adding.length);
    if (m_policy != KESTRUN_OVERLAP_IDENTICAL) {
        c.high = std::uint32_t(std::max<std::uint64_t>(c.high, stop - 1));
        return c;
    }
    std::uint8_t earlier[4096], later[4096];
    for (std::uint64_t at = std::uint64_t(c.high) + 1; at < stop;) {
        const std::uint64_t n = std::min<std::uint64_t>(sizeof earlier, stop - at);
        m_calls.kestrun_image_read(m_merged.get(), std::uint32_t(at), n, 0, earlier);
        m_calls.kestrun_image_read(image, std::uint32_t(at), n, 0, later);
        for (std::uint64_t i = 0; i < n; ++i)
            if (earlier[i] != later[i])
                c.high = std::uint32_t(at + i);
        at += n;
    }
    return c;
}

// The lowest address both the merged image and `image` hold.
std::optional<std::uint32_t> ImageMerge::firstShared(const kestrun_image *image) const
{
    kestrun_segment held{}, adding{};
    for (std::uint64_t at = 0; m_calls.kestrun_image_next(m_merged.get(), at, &held) == ResultOk
                               && m_calls.kestrun_image_next(image, at, &adding) == ResultOk;) {
        at = std::max(held.address, adding.address);
        if (at < std::min(held.address + held.length, adding.address + adding.length))
            return std::uint32_t(at);
    }
    return std::nullopt;
}

ImageHandle ImageMerge::take()
{
    if (!m_merged)
        return std::move(m_merged);
    const Start *kept = nullptr;
    if (!m_starts.empty() && m_choice.rule != StartChoice::Rule::None)
        kept = m_choice.rule == StartChoice::Rule::Last ? &m_starts.back() : &m_starts.front();
    if (m_choice.rule == StartChoice::Rule::Given)
        m_calls.kestrun_image_set_start(m_merged.get(), KESTRUN_START_LINEAR, m_choice.address);
    else if (kept)
        m_calls.kestrun_image_set_start(m_merged.get(), kept->type, kept->value);
    else
        m_calls.kestrun_image_set_start(m_merged.get(), KESTRUN_START_NONE, 0);
    if (m_choice.rule == StartChoice::Rule::Default && kept)
        for (const Start &other : m_starts)
            if (linearOf(other.type, other.value) != linearOf(kept->type, kept->value))
                m_notes << QCoreApplication::translate(
                               "ImageMerge",
                               "%1 の開始アドレス %2 は %3 の %4 と違います。%3 のものを使います")
                               .arg(m_names[other.index], startText(other.type, other.value),
                                    m_names[kept->index], startText(kept->type, kept->value));
    return std::move(m_merged);
}
