// What assistive technology reads of a document window's text: the text
// itself, the caret and the selection, in UTF-16 offsets as Qt's own
// editors report them.
#ifndef PELCOR_DOCUMENTACCESSIBLE_H
#define PELCOR_DOCUMENTACCESSIBLE_H

#include <QAccessibleWidget>

class DocumentView;

class DocumentAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit DocumentAccessible(DocumentView *view);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    DocumentView *view() const;
    long position(int offset) const;
    int offset(long position) const;
};

#endif
