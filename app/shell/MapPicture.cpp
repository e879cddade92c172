#include "shell/MapPicture.h"

#include "core/HexText.h"
#include "core/HexErrorLine.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QSvgGenerator>

#include <algorithm>

namespace {

// Colours that stay apart on a grey screen and on paper: data solid, the
// gaps hatched so that they never read as 00 or FF.
const QColor kSegment(0x2f, 0x6f, 0xc8);
const QColor kSegmentEdge(0x1b, 0x45, 0x80);
const QColor kGap(0xee, 0xee, 0xee);
const QColor kHatch(0xbb, 0xbb, 0xbb);
const QColor kOverlap(0xe0, 0x1b, 0x1b);
const QColor kMarked(0xf0, 0x9a, 0x00);
const QColor kMarkedEdge(0x9a, 0x5c, 0x00);
const QColor kText(0x20, 0x20, 0x20);
const QColor kCaret(0x00, 0x00, 0x00);

constexpr int kMargin = 6;
constexpr int kStartMark = 7;
constexpr int kBarWidth = 26;
constexpr int kMarkWidth = 8;
// A mark is never shorter than this, however little of the bar its range
// takes: one byte in a map of gigabytes still shows and can be hovered.
constexpr int kLeastMark = 7;
// The marks a tooltip names at most; it counts the rest.
constexpr int kMarksNamed = 3;

// Diagonal lines across `rect`, drawn one by one: SVG readers do not all
// resolve the pattern a hatched brush becomes.
void hatch(QPainter &painter, const QRect &rect)
{
    constexpr int kStep = 6;
    painter.save();
    painter.setClipRect(rect);
    painter.setPen(QPen(kHatch, 1));
    for (int x = rect.left() - rect.height(); x <= rect.right(); x += kStep)
        painter.drawLine(x, rect.bottom() + 1, x + rect.height() + 1, rect.top());
    painter.restore();
}

} // namespace

MapPicture::MapPicture(const MemoryMap &map, const std::vector<MarkedRange> &marked, QSize size,
                       const QFont &font)
    : m_map(map), m_marked(marked), m_size(size), m_font(font)
{
    const QFontMetrics metrics(m_font);
    int footer = 0;
    if (map.stop()) {
        const QRect text = metrics.boundingRect(
            QRect(0, 0, std::max(1, size.width() - 2 * kMargin), size.height()),
            Qt::TextWordWrap, stopText());
        footer = text.height() + kMargin;
    }
    m_footer = QRect(kMargin, size.height() - footer, size.width() - 2 * kMargin, footer);
    m_bar = QRect(kMargin + kStartMark, kMargin, kBarWidth,
                  std::max(1, size.height() - 2 * kMargin - footer));
    m_layout = MapLayout(map, m_bar.height());
}

QString MapPicture::rangeText(std::uint32_t low, std::uint32_t high)
{
    return hexDigits(low) + u'-' + hexDigits(high);
}

QString MapPicture::sizeText(std::uint64_t bytes, bool forLabel)
{
    static const char *const units[] = {"KiB", "MiB", "GiB"};
    if (bytes < 1024)
        return forLabel ? QStringLiteral("%1 B").arg(bytes) : QStringLiteral("%1 ﾊﾞｲﾄ").arg(bytes);
    double value = double(bytes) / 1024;
    int unit = 0;
    for (; value >= 1024 && unit < 2; ++unit)
        value /= 1024;
    QString number = QString::number(value, 'f', 1);
    if (number.endsWith(QLatin1String(".0")))
        number.chop(2);
    return QStringLiteral("%1 %2").arg(number, QLatin1String(units[unit]));
}

QString MapPicture::stopText() const
{
    const std::optional<MemoryMap::Stop> &stop = m_map.stop();
    if (!stop)
        return QString();
    const QString where =
        stop->line > 0 ? HexErrorLine::describe({stop->line, stop->noEndRecord}) : QString();
    return QStringLiteral("ここから先は読めません: %1 %2").arg(stop->message, where).trimmed();
}

int MapPicture::rowOf(std::uint32_t address) const
{
    return m_bar.top() + m_layout.pixelOf(address);
}

QRect MapPicture::bandRect(std::size_t band) const
{
    const MapLayout::Band &b = m_layout.bands().at(band);
    return QRect(m_bar.left(), m_bar.top() + b.from, m_bar.width(), std::max(1, b.to - b.from));
}

std::optional<std::size_t> MapPicture::bandAt(QPoint point) const
{
    if (point.x() < 0 || point.x() >= m_size.width())
        return std::nullopt;
    return m_layout.bandAt(point.y() - m_bar.top());
}

QRect MapPicture::markRect(const AddressRange &range) const
{
    const int top = rowOf(range.low);
    const int bottom = std::max(rowOf(range.high), top);
    const int height = std::min(std::max(bottom - top + 1, kLeastMark), m_bar.height());
    const int y =
        std::clamp((top + bottom + 1 - height) / 2, m_bar.top(), m_bar.bottom() + 1 - height);
    return QRect(m_bar.right() + 3, y, kMarkWidth, height);
}

QRect MapPicture::caretRect(std::uint32_t address) const
{
    const int y = rowOf(address);
    return QRect(std::max(0, m_bar.left() - 7), y - 3, m_bar.right() - m_bar.left() + 8, 7);
}

void MapPicture::paintCaret(QPainter &painter, std::uint32_t address) const
{
    const QRect at = caretRect(address);
    const int y = at.center().y();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kCaret, 1));
    painter.drawLine(m_bar.left(), y, m_bar.right(), y);
    painter.setBrush(kCaret);
    const QPoint pointer[] = {{at.left(), at.top()}, {m_bar.left() - 1, y}, {at.left(), at.bottom()}};
    painter.drawPolygon(pointer, 3);
    painter.restore();
}

QString MapPicture::describeMarksAt(QPoint point) const
{
    QStringList named;
    int more = 0;
    for (const MarkedRange &mark : m_marked) {
        if (!markRect(mark.range).adjusted(-2, -1, 2, 1).contains(point))
            continue;
        if (named.size() == kMarksNamed) {
            ++more;
            continue;
        }
        named << QStringLiteral("%1 %2 (%3)")
                     .arg(mark.note, rangeText(mark.range.low, mark.range.high),
                          sizeText(std::uint64_t(mark.range.high) - mark.range.low + 1));
    }
    if (more > 0)
        named << QStringLiteral("ほか %1 ヶ所").arg(more);
    return named.join(u'\n');
}

QString MapPicture::describeAt(QPoint point) const
{
    if (const QString marks = describeMarksAt(point); !marks.isEmpty())
        return marks;
    const std::optional<std::size_t> band = bandAt(point);
    if (!band)
        return QString();
    const int y = point.y();
    for (const MemoryMap::Overlap &o : m_map.overlaps()) {
        if (y >= rowOf(o.low) - 1 && y <= rowOf(o.high) + 1)
            return QStringLiteral("重複 %1 (%2): %3 行目 (%4 行目%5)")
                .arg(rangeText(o.low, o.high), sizeText(std::uint64_t(o.high) - o.low + 1))
                .arg(o.line)
                .arg(o.earlierLine)
                .arg(o.identical ? QStringLiteral("と同じ") : QStringLiteral("と違います"));
    }
    const MapLayout::Band &b = m_layout.bands()[*band];
    const QString range = QStringLiteral("%1 (%2)").arg(
        rangeText(b.low, b.high), sizeText(std::uint64_t(b.high) - b.low + 1));
    switch (b.kind) {
    case MapLayout::Kind::Segment: {
        const MemoryMap::Segment &s = m_map.segments()[b.segment];
        if (s.pieces > 1)
            return QStringLiteral("ｾｸﾞﾒﾝﾄ %1 個 %2 (間の %3 未満の隙間は省略), %4 行目から")
                .arg(s.pieces)
                .arg(range, sizeText(m_map.hiddenGap()))
                .arg(s.line);
        return QStringLiteral("ｾｸﾞﾒﾝﾄ %1, %2 行目から").arg(range).arg(s.line);
    }
    case MapLayout::Kind::Gap:
        return QStringLiteral("ﾃﾞｰﾀなし %1").arg(range);
    case MapLayout::Kind::ShortenedGap:
        return QStringLiteral("ﾃﾞｰﾀなし %1 (縮めて表示)").arg(range);
    }
    return QString();
}

void MapPicture::paint(QPainter &painter) const
{
    painter.save();
    painter.setFont(m_font);
    painter.fillRect(QRect(QPoint(0, 0), m_size), Qt::white);
    paintBands(painter);
    paintMarks(painter);
    paintLabels(painter);
    if (!m_footer.isEmpty()) {
        painter.setPen(kOverlap);
        painter.drawText(m_footer, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignBottom, stopText());
    }
    painter.restore();
}

void MapPicture::paintBands(QPainter &painter) const
{
    const auto &bands = m_layout.bands();
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const QRect rect = bandRect(i);
        if (bands[i].to == bands[i].from)
            continue;
        if (bands[i].kind == MapLayout::Kind::Segment) {
            painter.fillRect(rect, kSegment);
            if (rect.height() >= 4) {
                painter.setPen(kSegmentEdge);
                painter.drawRect(rect.adjusted(0, 0, -1, -1));
            }
            continue;
        }
        painter.fillRect(rect, kGap);
        hatch(painter, rect);
        if (bands[i].kind == MapLayout::Kind::ShortenedGap) {
            // A break across the bar, as a drawing shows a shortened axis.
            const int middle = rect.center().y();
            QPolygon upper, lower;
            for (int x = rect.left() - 2, k = 0; x <= rect.right() + 2; x += 4, ++k) {
                upper << QPoint(x, middle - 3 + (k % 2 ? 2 : 0));
                lower << QPoint(x, middle + 1 + (k % 2 ? 2 : 0));
            }
            QPolygon band = upper;
            for (auto at = lower.crbegin(); at != lower.crend(); ++at)
                band << *at;
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::white);
            painter.drawPolygon(band);
            painter.setPen(QPen(kText, 1));
            painter.drawPolyline(upper);
            painter.drawPolyline(lower);
            painter.setBrush(Qt::NoBrush);
        }
    }
    painter.setPen(QPen(kText, 1));
    painter.drawRect(m_bar.adjusted(-1, -1, 0, 0));
}

void MapPicture::paintMarks(QPainter &painter) const
{
    auto stripe = [&](std::uint32_t low, std::uint32_t high, int left, int width) {
        const int top = rowOf(low);
        const int bottom = std::max(rowOf(high), top + 1);
        return QRect(left, top, width, bottom - top + 1);
    };
    for (const MemoryMap::Overlap &o : m_map.overlaps())
        painter.fillRect(stripe(o.low, o.high, m_bar.left(), m_bar.width()), kOverlap);
    painter.setPen(kMarkedEdge);
    for (const MarkedRange &mark : m_marked) {
        const QRect rect = markRect(mark.range);
        painter.fillRect(rect, kMarked);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    if (const std::optional<std::uint32_t> start = m_map.start()) {
        // An arrow pointing at the start address from the left.
        const int y = rowOf(*start);
        const QPolygon arrow({QPoint(kMargin - 4, y - 4), QPoint(m_bar.left() - 1, y),
                              QPoint(kMargin - 4, y + 4)});
        painter.setPen(Qt::NoPen);
        painter.setBrush(kText);
        painter.drawPolygon(arrow);
        painter.setBrush(Qt::NoBrush);
    }
}

void MapPicture::paintLabels(QPainter &painter) const
{
    struct Label {
        int y;
        QString text;
        QColor colour;
    };
    std::vector<Label> labels;
    for (const MapLayout::Band &band : m_layout.bands())
        if (band.kind == MapLayout::Kind::Segment)
            labels.push_back({m_bar.top() + band.from,
                              QStringLiteral("%1  %2").arg(
                                  hexDigits(band.low), sizeText(std::uint64_t(band.high) - band.low + 1, true)),
                              kText});
    for (const MemoryMap::Overlap &o : m_map.overlaps())
        labels.push_back({rowOf(o.low), QStringLiteral("重複 %1").arg(hexDigits(o.low)), kOverlap});
    if (const std::optional<std::uint32_t> start = m_map.start())
        labels.push_back({rowOf(*start), QStringLiteral("開始 %1").arg(hexDigits(*start)), kText});
    std::stable_sort(labels.begin(), labels.end(),
                     [](const Label &a, const Label &b) { return a.y < b.y; });
    // Each label at its row, or just below the one above it; a label that
    // would land farther from its row, or past the bar, would name the
    // wrong band and is left to the tooltip.
    const QFontMetrics metrics(m_font);
    const int left = m_bar.right() + 3 + kMarkWidth + 4;
    const int width = m_size.width() - left - 2;
    int free = m_bar.top();
    for (const Label &label : labels) {
        const int top = std::max(label.y, free);
        if (top - label.y > 2 * metrics.height()
            || top + metrics.height() > m_bar.bottom() + metrics.height() / 2 || width <= 0)
            continue;
        painter.setPen(label.colour);
        painter.drawText(QRect(left, top, width, metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                         metrics.elidedText(label.text, Qt::ElideRight, width));
        free = top + metrics.height();
    }
}

bool MapPicture::savePng(const QString &path) const
{
    QImage image(m_size, QImage::Format_RGB32);
    QPainter painter(&image);
    paint(painter);
    painter.end();
    return image.save(path, "PNG");
}

bool MapPicture::saveSvg(const QString &path) const
{
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(m_size);
    svg.setViewBox(QRect(QPoint(0, 0), m_size));
    svg.setTitle(QStringLiteral("メモリマップ"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    paint(painter);
    return painter.end();
}
