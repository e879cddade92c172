#include "shell/DataView.h"

#include "base/UserPrompts.h"
#include "core/Cp932.h"
#include "core/HexDigit.h"
#include "shell/DataCommands.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

// Columns in characters: the address, the 16 bytes (a space more after
// the eighth) and the characters.
constexpr int kBytesColumn = 10;
constexpr int kCharsColumn = kBytesColumn + 3 * int(DataRows::kWidth) + 2;
constexpr int kRowChars = kCharsColumn + int(DataRows::kWidth) + 1;

int byteColumn(std::uint32_t i)
{
    return kBytesColumn + 3 * int(i) + (i >= DataRows::kWidth / 2 ? 1 : 0);
}

QString hexText(std::uint64_t value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}

} // namespace

DataView::DataView(QWidget *parent)
    : QAbstractScrollArea(parent), m_commands(new DataCommands(this))
{
    setAccessibleName(QStringLiteral("データ表示"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setCursor(Qt::IBeamCursor);
}

void DataView::setSource(const AddressIndex *index, DataRows::LineText lineText)
{
    m_index = index;
    m_lineText = std::move(lineText);
    viewport()->update();
}

void DataView::setSegments(std::vector<MemoryMap::Segment> segments)
{
    m_rows.setSegments(std::move(segments));
    if (m_caret && !m_rows.shows(*m_caret))
        m_caret.reset();
    if (!m_caret || (m_anchor && !m_rows.shows(*m_anchor)))
        m_anchor.reset();
    updateScrollBars();
    refresh();
}

void DataView::refresh()
{
    viewport()->update();
    emit shown();
}

std::optional<DataView::Span> DataView::selection() const
{
    if (!m_caret)
        return std::nullopt;
    const std::uint32_t other = m_anchor.value_or(*m_caret);
    return Span{std::min(other, *m_caret), std::max(other, *m_caret)};
}

void DataView::select(std::uint32_t anchor, std::uint32_t address)
{
    if (!m_rows.shows(anchor) || !m_rows.shows(address))
        return;
    m_caret = anchor;
    moveTo(address, anchor != address);
}

void DataView::read(std::uint32_t address, std::uint32_t count, std::uint8_t *bytes,
                    bool *held) const
{
    std::fill_n(held, count, false);
    if (m_index && m_lineText)
        DataRows::read(*m_index, m_lineText, address, count, bytes, held);
}

bool DataView::writeAt(std::uint32_t address, const QByteArray &bytes)
{
    if (!m_index || bytes.isEmpty() || !mayWrite(address, std::uint32_t(bytes.size())))
        return false;
    emit bytesWritten(address, bytes);
    return true;
}

QSize DataView::sizeHint() const
{
    return QSize(kRowChars * charWidth() + verticalScrollBar()->sizeHint().width() + 2 * frameWidth(),
                 QAbstractScrollArea::sizeHint().height());
}

int DataView::rowHeight() const
{
    return fontMetrics().height();
}

int DataView::charWidth() const
{
    return std::max(1, fontMetrics().horizontalAdvance(u'0'));
}

int DataView::visibleRows() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

std::uint64_t DataView::firstVisibleRow() const
{
    return std::uint64_t(verticalScrollBar()->value());
}

void DataView::updateScrollBars()
{
    const auto total = qint64(m_rows.count());
    verticalScrollBar()->setRange(0, int(std::max<qint64>(0, total - visibleRows())));
    verticalScrollBar()->setPageStep(visibleRows());
    horizontalScrollBar()->setRange(0, std::max(0, kRowChars * charWidth() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void DataView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

DataView::Bytes DataView::bytesOf(std::uint32_t rowAddress) const
{
    Bytes bytes{};
    if (m_index && m_lineText)
        DataRows::read(*m_index, m_lineText, rowAddress, DataRows::kWidth, bytes.value,
                       bytes.held);
    return bytes;
}

QString DataView::rowText(std::uint64_t index) const
{
    if (index >= m_rows.count())
        return QString();
    const DataRows::Row row = m_rows.row(index);
    if (row.heading) {
        const MemoryMap::Segment &s = m_rows.segments()[row.segment];
        return QStringLiteral("ｾｸﾞﾒﾝﾄ %1 - %2").arg(hexText(s.low, 8), hexText(s.high, 8));
    }
    const Bytes bytes = bytesOf(row.address);
    QString text = hexText(row.address, 8).leftJustified(kRowChars, u' ');
    for (std::uint32_t i = 0; i < DataRows::kWidth; ++i)
        if (bytes.held[i])
            text.replace(byteColumn(i), 2, hexText(bytes.value[i], 2));
    text.replace(kCharsColumn, int(DataRows::kWidth), DataRows::characters(bytes.value, bytes.held));
    return text.trimmed();
}

void DataView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const int height = rowHeight(), width = charWidth();
    const int left = -horizontalScrollBar()->value();
    const int ascent = fontMetrics().ascent();
    const QPalette &colours = palette();
    const std::uint64_t first = firstVisibleRow();
    const std::uint64_t stop = std::min<std::uint64_t>(m_rows.count(), first + visibleRows() + 1);
    for (std::uint64_t index = first; index < stop; ++index) {
        const int top = int(index - first) * height;
        const DataRows::Row row = m_rows.row(index);
        if (row.heading) {
            painter.fillRect(0, top, viewport()->width(), height, colours.alternateBase());
            painter.setPen(colours.color(QPalette::PlaceholderText));
            painter.drawText(left, top + ascent, rowText(index));
            continue;
        }
        const Bytes bytes = bytesOf(row.address);
        const std::optional<Span> chosen = m_anchor ? selection() : std::nullopt;
        QColor selected = colours.color(QPalette::Highlight);
        selected.setAlpha(80);
        for (std::uint32_t i = 0; chosen && i < DataRows::kWidth; ++i)
            if (row.address + i >= chosen->low && row.address + i <= chosen->high) {
                painter.fillRect(left + byteColumn(i) * width, top, 3 * width, height, selected);
                painter.fillRect(left + (kCharsColumn + int(i)) * width, top, width, height,
                                 selected);
            }
        const bool caretRow = m_caret && (*m_caret & ~(DataRows::kWidth - 1)) == row.address;
        if (caretRow) {
            const std::uint32_t i = *m_caret - row.address;
            const QColor mark = hasFocus() ? colours.color(QPalette::Highlight)
                                           : colours.color(QPalette::Midlight);
            const QColor other = colours.color(QPalette::Midlight);
            painter.fillRect(left + byteColumn(i) * width, top, 2 * width, height,
                             m_inCharacters ? other : mark);
            painter.fillRect(left + (kCharsColumn + int(i)) * width, top, width, height,
                             m_inCharacters ? mark : other);
        }
        painter.setPen(colours.color(QPalette::PlaceholderText));
        painter.drawText(left, top + ascent, hexText(row.address, 8));
        painter.setPen(colours.color(QPalette::Text));
        for (std::uint32_t i = 0; i < DataRows::kWidth; ++i) {
            QString digits = bytes.held[i] ? hexText(bytes.value[i], 2) : QString();
            if (caretRow && *m_caret == row.address + i && m_digit >= 0)
                digits = hexText(std::uint64_t(m_digit), 1) + u'_';
            painter.drawText(left + byteColumn(i) * width, top + ascent, digits);
        }
        const QString chars = DataRows::characters(bytes.value, bytes.held);
        for (int i = 0; i < chars.size(); ++i)
            painter.drawText(left + (kCharsColumn + i) * width, top + ascent, QString(chars[i]));
    }
}

void DataView::setCaret(std::uint32_t address)
{
    if (!m_rows.shows(address))
        return;
    m_caret = address;
    m_anchor.reset();
    m_digit = -1;
    scrollToCaret();
    refresh();
}

void DataView::scrollToCaret()
{
    const std::optional<std::uint64_t> row = m_caret ? m_rows.rowOf(*m_caret) : std::nullopt;
    if (!row)
        return;
    const auto first = std::uint64_t(verticalScrollBar()->value());
    const auto shown = std::uint64_t(visibleRows());
    if (*row < first + 1 || *row >= first + shown)
        // A row scrolled to shows a little of what is above it, its heading
        // at least when it is its segment's first.
        verticalScrollBar()->setValue(int(*row > shown / 2 ? *row - shown / 2 : 0));
    const std::uint32_t i = *m_caret % DataRows::kWidth;
    const int column = m_inCharacters ? kCharsColumn + int(i) : byteColumn(i);
    const int left = column * charWidth(), right = left + 2 * charWidth();
    QScrollBar *across = horizontalScrollBar();
    if (left < across->value())
        across->setValue(left);
    else if (right > across->value() + viewport()->width())
        across->setValue(right - viewport()->width());
}

void DataView::moveTo(std::uint32_t address, bool extend)
{
    if (m_caret != address) {
        m_gapAllowedAt.reset();
        m_gapRefusedAt.reset();
    }
    if (!extend)
        m_anchor.reset();
    else if (!m_anchor)
        m_anchor = m_caret;
    m_caret = address;
    m_digit = -1;
    scrollToCaret();
    refresh();
    emit caretMoved(address);
}

void DataView::moveBy(std::int64_t delta, bool extend)
{
    const auto &segments = m_rows.segments();
    if (segments.empty())
        return;
    const std::int64_t from = m_caret ? std::int64_t(*m_caret) : std::int64_t(segments.front().low);
    const std::int64_t target = std::clamp<std::int64_t>(from + delta, 0, UINT32_MAX);
    if (m_rows.shows(std::uint32_t(target))) {
        moveTo(std::uint32_t(target), extend);
        return;
    }
    // Between segments: on to the next one's first byte, or back to the
    // last one's last.
    if (delta > 0) {
        const auto next = std::find_if(segments.begin(), segments.end(), [&](const auto &s) {
            return std::int64_t(s.low) > target;
        });
        moveTo(next != segments.end() ? next->low : segments.back().high, extend);
    } else {
        const auto below = std::find_if(segments.rbegin(), segments.rend(), [&](const auto &s) {
            return std::int64_t(s.high) < target;
        });
        moveTo(below != segments.rend() ? below->high : segments.front().low, extend);
    }
}

bool DataView::mayWrite(std::uint32_t address, std::uint32_t count)
{
    if (m_gapAllowedAt == address)
        return true;
    if (m_gapRefusedAt == address)
        return false;
    bool whole = true;
    for (std::uint64_t at = address, stop = std::uint64_t(address) + count; whole && at < stop;) {
        std::uint8_t values[DataRows::kWidth * 4];
        bool held[DataRows::kWidth * 4];
        const auto n = std::uint32_t(std::min<std::uint64_t>(sizeof values, stop - at));
        DataRows::read(*m_index, m_lineText, std::uint32_t(at), n, values, held);
        whole = std::all_of(held, held + n, [](bool h) { return h; });
        at += n;
    }
    if (whole)
        return true;
    const QString question = QStringLiteral("ｱﾄﾞﾚｽ %1 にはﾃﾞｰﾀがありません\nﾃﾞｰﾀを追加しますか？")
                                 .arg(hexText(address, 8));
    if (prompts().message(this, QMessageBox::Question, QStringLiteral("Pelcor"), question,
                          QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes) {
        m_gapRefusedAt = address;
        return false;
    }
    m_gapAllowedAt = address;
    return true;
}

void DataView::write(const QByteArray &bytes)
{
    if (!m_caret || bytes.isEmpty())
        return;
    const std::uint32_t at = *m_caret;
    emit bytesWritten(at, bytes);
    const std::uint64_t next = std::uint64_t(at) + std::uint64_t(bytes.size());
    // Typing on after bytes written into a gap asks no more.
    const bool allowed = m_gapAllowedAt.has_value();
    if (next <= UINT32_MAX)
        moveBy(bytes.size());
    if (allowed && m_caret == next)
        m_gapAllowedAt = next;
}

void DataView::typeDigit(int digit)
{
    if (m_digit < 0) {
        if (!mayWrite(*m_caret, 1))
            return;
        m_digit = digit;
        viewport()->update();
        return;
    }
    const char byte = char(m_digit << 4 | digit);
    m_digit = -1;
    write(QByteArray(1, byte));
}

void DataView::keyPressEvent(QKeyEvent *event)
{
    const std::int64_t page = std::int64_t(visibleRows() - 1) * DataRows::kWidth;
    const std::int64_t row = DataRows::kWidth;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (event->matches(QKeySequence::Paste))
        return m_commands->paste();
    switch (event->key()) {
    case Qt::Key_Left:
        return moveBy(-1, shift);
    case Qt::Key_Right:
        return moveBy(1, shift);
    case Qt::Key_Up:
        return moveBy(-row, shift);
    case Qt::Key_Down:
        return moveBy(row, shift);
    case Qt::Key_PageUp:
        return moveBy(-page, shift);
    case Qt::Key_PageDown:
        return moveBy(page, shift);
    case Qt::Key_Home:
        if (control)
            return m_rows.segments().empty() ? void() : moveTo(m_rows.segments().front().low, shift);
        return m_caret ? moveTo(*m_caret & ~(DataRows::kWidth - 1), shift) : void();
    case Qt::Key_End:
        if (control)
            return m_rows.segments().empty() ? void() : moveTo(m_rows.segments().back().high, shift);
        return m_caret ? moveTo(*m_caret | (DataRows::kWidth - 1), shift) : void();
    case Qt::Key_Escape:
        m_digit = -1;
        viewport()->update();
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (!m_caret || !m_index || text.isEmpty() || !text[0].isPrint()
        || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (m_inCharacters)
        return typeCharacters(text);
    const int digit = HexDigit::value(text[0].toLatin1());
    if (digit >= 0 && text.size() == 1)
        typeDigit(digit);
}

void DataView::typeCharacters(const QString &text)
{
    const QByteArray bytes = encodeCp932(text);
    if (mayWrite(*m_caret, std::uint32_t(bytes.size())))
        write(bytes);
}

void DataView::inputMethodEvent(QInputMethodEvent *event)
{
    // What an input method commits, a word of kanji say, is typed as one.
    if (m_caret && m_index && m_inCharacters && !event->commitString().isEmpty())
        typeCharacters(event->commitString());
    event->accept();
}

QVariant DataView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled)
        return m_inCharacters;
    const std::optional<std::uint64_t> row = m_caret ? m_rows.rowOf(*m_caret) : std::nullopt;
    if (query != Qt::ImCursorRectangle || !row || *row < firstVisibleRow())
        return QAbstractScrollArea::inputMethodQuery(query);
    const int column = kCharsColumn + int(*m_caret % DataRows::kWidth);
    return QRect(column * charWidth() - horizontalScrollBar()->value(),
                 int(*row - firstVisibleRow()) * rowHeight(), charWidth(), rowHeight());
}

bool DataView::focusNextPrevChild(bool)
{
    // Tab goes between the hexadecimal and the character column.
    m_inCharacters = !m_inCharacters;
    m_digit = -1;
    scrollToCaret();
    viewport()->update();
    return true;
}

std::optional<std::pair<std::uint32_t, bool>> DataView::byteAt(QPoint at) const
{
    const std::uint64_t index = firstVisibleRow() + std::uint64_t(std::max(0, at.y()) / rowHeight());
    if (index >= m_rows.count() || m_rows.row(index).heading)
        return std::nullopt;
    const std::uint32_t rowAddress = m_rows.row(index).address;
    const int column = (at.x() + horizontalScrollBar()->value()) / charWidth();
    if (column >= kCharsColumn && column < kCharsColumn + int(DataRows::kWidth))
        return std::pair(rowAddress + std::uint32_t(column - kCharsColumn), true);
    for (std::uint32_t i = 0; i < DataRows::kWidth; ++i)
        if (column >= byteColumn(i) && column <= byteColumn(i) + 2)
            return std::pair(rowAddress + i, false);
    return std::nullopt;
}

void DataView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    const auto byte = byteAt(event->position().toPoint());
    if (!byte || (event->button() == Qt::RightButton && m_anchor))
        return;
    m_inCharacters = byte->second;
    moveTo(byte->first, event->modifiers() & Qt::ShiftModifier);
}

void DataView::mouseMoveEvent(QMouseEvent *event)
{
    const auto byte = byteAt(event->position().toPoint());
    if ((event->buttons() & Qt::LeftButton) && byte && byte->first != m_caret)
        moveTo(byte->first, true);
}

void DataView::contextMenuEvent(QContextMenuEvent *event)
{
    m_commands->menu()->exec(event->globalPos());
}

void DataView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void DataView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
