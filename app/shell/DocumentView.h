// The edit control of a document window: a Scintilla view that holds the
// text as the file's bytes (UTF-8 for what is not ASCII) with an index of
// line starts, and lays out only the lines on screen, so that texts of a
// hundred megabytes open at once. Record text (Intel HEX or S-records) is
// coloured record by record as it comes into view.
#ifndef PELCOR_DOCUMENTVIEW_H
#define PELCOR_DOCUMENTVIEW_H

#include "core/LibraryCalls.h"
#include "core/TextPatch.h"

#include <Qsci/qsciscintilla.h>

#include <QByteArrayView>

#include <cstdint>

#include <utility>
#include <vector>

class ChangeNotices;

class DocumentView : public QsciScintilla {
    Q_OBJECT

public:
    explicit DocumentView(QWidget *parent = nullptr);

    // Replaces the whole text with an empty one that appendText() fills
    // piece by piece (UTF-8). Until endText() the view is read-only, and
    // nothing of the filling can be undone. With `calls`, the text is
    // coloured as record text of `format` (KESTRUN_FORMAT_IHEX or _SREC)
    // by the library's tokenizer; without, it is plain.
    void beginText(const ImageCalls *calls = nullptr,
                   std::int32_t format = KESTRUN_FORMAT_BINARY);
    void appendText(QByteArrayView piece);
    // Makes room for `total` bytes at once, so that the pieces still to
    // come go in without moving what is there.
    void reserve(qsizetype total);
    void endText();

    // The whole text as the view holds it, UTF-8 with its line ends as
    // they are; valid until the next change.
    QByteArrayView textBytes() const;
    // Bytes `from` to `to` of it, made contiguous alone.
    QByteArrayView textBytes(qsizetype from, qsizetype to) const;
    bool isRecordText() const { return m_calls != nullptr; }
    // The tokenizer and format of record text; null and _BINARY for plain.
    const ImageCalls *recordCalls() const { return m_calls; }
    std::int32_t recordFormat() const { return m_format; }
    // Makes `splices` (in text order, over the text as it is) as one step
    // of the undo.
    void applySplices(const std::vector<TextPatch::Splice> &splices);
    // The bytes of line `line` (from 1) without its line end; valid until
    // the next change.
    QByteArrayView lineBytes(int line) const;

    // The line end that Enter and pasted text put in: "\r\n", "\n" or "\r".
    void setLineEnd(QByteArrayView lineEnd);
    QByteArray lineEnd() const;

    // The point from which the next change emits edited().
    void markUnchanged();

    // The selection as plain text, line ends as they stand in the text; the
    // lines of a rectangular selection joined by the view's line end.
    QString selectedPlainText() const;
    // Puts `text` in place of the selection (of every line of a rectangular
    // one), its line ends turned into the view's own; an empty text deletes
    // the selection.
    void replaceSelection(const QString &text);

    // Selects the next match of `text` after the selection, wrapping round
    // to the start once; false when there is none. Case is ignored.
    bool findNext(const QString &text);
    // Lines counted from 1.
    void goToLine(int line);
    void selectLine(int line);
    // Selects `count` characters of line `line` from column `column`
    // (both from 1), no further than the line's end, and shows them.
    void selectColumns(int line, int column, int count);
    // The same with the caret before the first of them, scrolled into
    // view, and to the middle of the window only when `centre`.
    void selectBytes(int line, int column, int count, bool centre);
    int caretLine() const;
    int caretColumn() const;
    // The caret's byte on its line, from 1 (caretColumn() counts characters
    // and tabs as they are shown).
    int caretByteColumn() const;
    int lineTotal() const;

    void applyFont(const QFont &font);

    // Accessibility reads offsets in UTF-16 units: once someone has asked,
    // the view keeps an index that turns them into positions at once.
    qsizetype offsetOfPosition(qsizetype position);
    qsizetype positionOfOffset(qsizetype offset);

signals:
    // The text changed since it was loaded or last marked unchanged.
    void edited();
    void caretMoved();

protected:
    void paintEvent(QPaintEvent *event) override;
    // Files dropped on the text go on to the frame, which opens them.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    long send(unsigned int message, unsigned long wParam = 0, long lParam = 0) const;
    void setUpStyles();
    void styleNeeded(int position);
    void styleLines(qsizetype first, qsizetype last);
    void keepCharacterIndex();
    // The ranges of the selection, in text order.
    std::vector<std::pair<long, long>> selectedRanges() const;

    // The tokenizer that colours record text, and the text's format.
    const ImageCalls *m_calls = nullptr;
    std::int32_t m_format = KESTRUN_FORMAT_BINARY;
    bool m_characterIndex = false;
    ChangeNotices *m_notices;
};

#endif
