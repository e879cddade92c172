#include "shell/DocumentAccessible.h"

#include "shell/DocumentView.h"

#include <algorithm>

DocumentAccessible::DocumentAccessible(DocumentView *view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{
}

DocumentView *DocumentAccessible::view() const
{
    return static_cast<DocumentView *>(widget());
}

void *DocumentAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString DocumentAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return text(0, characterCount());
    return QAccessibleWidget::text(kind);
}

long DocumentAccessible::position(int offset) const
{
    return long(view()->positionOfOffset(std::clamp(offset, 0, characterCount())));
}

int DocumentAccessible::offset(long position) const
{
    return int(view()->offsetOfPosition(position));
}

void DocumentAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
        return;
    *startOffset = offset(view()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART));
    *endOffset = offset(view()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND));
}

int DocumentAccessible::selectionCount() const
{
    return view()->hasSelectedText() ? 1 : 0;
}

void DocumentAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void DocumentAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        setCursorPosition(cursorPosition());
}

void DocumentAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        view()->SendScintilla(QsciScintillaBase::SCI_SETSEL,
                              static_cast<unsigned long>(position(startOffset)),
                              position(endOffset));
}

int DocumentAccessible::cursorPosition() const
{
    return offset(view()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
}

void DocumentAccessible::setCursorPosition(int position)
{
    view()->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                          static_cast<unsigned long>(this->position(position)));
}

QString DocumentAccessible::text(int startOffset, int endOffset) const
{
    const long start = position(startOffset);
    const long end = std::max(start, position(endOffset));
    return QString::fromUtf8(view()->textBytes().sliced(start, end - start));
}

int DocumentAccessible::characterCount() const
{
    return int(view()->offsetOfPosition(view()->textBytes().size()));
}

QRect DocumentAccessible::characterRect(int offset) const
{
    DocumentView *v = view();
    const auto at = static_cast<unsigned long>(position(offset));
    const int x = int(v->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, long(at)));
    const int y = int(v->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, long(at)));
    const int next =
        int(v->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL,
                             v->SendScintilla(QsciScintillaBase::SCI_POSITIONAFTER, at)));
    const int height = int(v->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL));
    QRect rect(x, y, std::max(1, next - x), height);
    rect.moveTo(v->viewport()->mapToGlobal(rect.topLeft()));
    return rect;
}

int DocumentAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint local = view()->viewport()->mapFromGlobal(point);
    const long at = view()->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINTCLOSE,
                                          static_cast<unsigned long>(local.x()), long(local.y()));
    return at < 0 ? -1 : offset(at);
}

void DocumentAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    view()->SendScintilla(QsciScintillaBase::SCI_SCROLLRANGE,
                          static_cast<unsigned long>(position(endIndex)), position(startIndex));
}

QString DocumentAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = offset;
    return QString();
}
