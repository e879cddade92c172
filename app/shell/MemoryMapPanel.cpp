#include "shell/MemoryMapPanel.h"

#include "base/UserPrompts.h"
#include "shell/MapPicture.h"
#include "shell/MemoryMapAccessible.h"

#include <QAccessible>
#include <QAction>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {

QAccessibleInterface *accessibleFor(const QString &, QObject *object)
{
    if (auto *panel = qobject_cast<MemoryMapPanel *>(object))
        return new MemoryMapAccessible(panel);
    return nullptr;
}

// An export is drawn at least this large, whatever the panel's size, so
// that a file shows the labels a narrow panel leaves out.
constexpr QSize kLeastExport(320, 640);

} // namespace

MemoryMapPanel::MemoryMapPanel(QWidget *parent)
    : QWidget(parent),
      m_savePng(new QAction(QStringLiteral("PNG 形式で保存(&P)..."), this)),
      m_saveSvg(new QAction(QStringLiteral("SVG 形式で保存(&S)..."), this))
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("MemoryMap"));
    setAccessibleName(QStringLiteral("メモリマップ"));
    setMouseTracking(true);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    m_savePng->setObjectName(QStringLiteral("m_MapPng"));
    m_saveSvg->setObjectName(QStringLiteral("m_MapSvg"));
    addAction(m_savePng);
    addAction(m_saveSvg);
    connect(m_savePng, &QAction::triggered, this, [this] { exportPicture(false); });
    connect(m_saveSvg, &QAction::triggered, this, [this] { exportPicture(true); });
}

void MemoryMapPanel::setMap(MemoryMap map)
{
    m_map = std::move(map);
    changed();
}

void MemoryMapPanel::setMarkedRanges(std::vector<MarkedRange> ranges)
{
    m_marked = std::move(ranges);
    update();
}

void MemoryMapPanel::changed()
{
    ++m_generation;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent reorder(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reorder);
    }
}

MapPicture MemoryMapPanel::picture(QSize size) const
{
    return MapPicture(m_map, m_marked, size, font());
}

QSize MemoryMapPanel::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("00000000  00.0 KiB")) + 50, 400);
}

QRect MemoryMapPanel::segmentRect(std::size_t segment) const
{
    const MapPicture shown = picture(size());
    const auto &bands = shown.layout().bands();
    for (std::size_t i = 0; i < bands.size(); ++i)
        if (bands[i].kind == MapLayout::Kind::Segment && bands[i].segment == segment)
            return shown.bandRect(i);
    return QRect();
}

std::optional<std::size_t> MemoryMapPanel::segmentAt(QPoint point) const
{
    const MapPicture shown = picture(size());
    const std::optional<std::size_t> band = shown.bandAt(point);
    if (!band || shown.layout().bands()[*band].kind != MapLayout::Kind::Segment)
        return std::nullopt;
    return shown.layout().bands()[*band].segment;
}

void MemoryMapPanel::chooseSegment(std::size_t segment)
{
    if (segment < m_map.segments().size())
        emit segmentChosen(segment);
}

void MemoryMapPanel::exportPicture(bool svg)
{
    const QString path = prompts().saveFile(
        this, QStringLiteral("ﾒﾓﾘﾏｯﾌﾟの保存"),
        svg ? QStringLiteral("memorymap.svg") : QStringLiteral("memorymap.png"),
        {svg ? QStringLiteral("SVG ﾌｧｲﾙ (*.svg)") : QStringLiteral("PNG ﾌｧｲﾙ (*.png)")}, 0);
    if (path.isEmpty())
        return;
    const MapPicture file = picture(size().expandedTo(kLeastExport));
    if (!(svg ? file.saveSvg(path) : file.savePng(path)))
        prompts().message(this, QMessageBox::Critical, QStringLiteral("Pelcor"),
                          QStringLiteral("%1 に書き込めません").arg(path), QMessageBox::Ok);
}

bool MemoryMapPanel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = picture(size()).describeAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void MemoryMapPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const MapPicture shown = picture(size());
    shown.paint(painter);
    if (m_caret)
        shown.paintCaret(painter, *m_caret);
}

void MemoryMapPanel::setCaret(std::optional<std::uint32_t> address)
{
    if (address == m_caret)
        return;
    m_caret = address;
    update();
}

QRect MemoryMapPanel::caretRect() const
{
    return m_caret ? picture(size()).caretRect(*m_caret) : QRect();
}

void MemoryMapPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    if (const std::optional<std::size_t> segment = segmentAt(event->position().toPoint()))
        chooseSegment(*segment);
}
