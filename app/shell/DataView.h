// The data view beside a document's record text: the image the text holds,
// 16 bytes a row by absolute address, in hexadecimal and as code page 932
// characters, each segment opened by a heading row, and bytes no record
// holds left blank. Only the rows on screen are read, from the text itself
// through the address index (DataRows), and painted, so that a text of
// any size shows at once. Typing two hex digits over a byte, or characters
// in the character column, asks the owner to write them (bytesWritten);
// typing where no record holds data asks first. Shift with the arrows or
// the mouse selects bytes, which the commands (DataCommands) fill or paste
// over.
#ifndef PELCOR_DATA_VIEW_H
#define PELCOR_DATA_VIEW_H

#include "core/DataRows.h"

#include <QAbstractScrollArea>
#include <QByteArray>

#include <cstdint>
#include <optional>
#include <utility>

class DataCommands;

class DataView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit DataView(QWidget *parent = nullptr);

    // The text whose bytes are shown: its address index and its lines,
    // both kept by the owner.
    void setSource(const AddressIndex *index, DataRows::LineText lineText);
    // The segments of the text's memory map, read again.
    void setSegments(std::vector<MemoryMap::Segment> segments);
    const DataRows &rows() const { return m_rows; }

    // The address of the byte at the caret; none before any is chosen.
    std::optional<std::uint32_t> caret() const { return m_caret; }
    // Puts the caret on `address`, when a row shows it, and scrolls to it;
    // caretMoved() is not emitted.
    void setCaret(std::uint32_t address);
    // Whether the caret stands in the character column.
    bool inCharacters() const { return m_inCharacters; }
    // The bytes selected, lowest and highest; the caret's alone when none
    // are, none before there is a caret.
    struct Span {
        std::uint32_t low;
        std::uint32_t high;
    };
    std::optional<Span> selection() const;
    // Selects from `anchor` to `address`, the caret on `address`.
    void select(std::uint32_t anchor, std::uint32_t address);
    DataCommands *commands() const { return m_commands; }

    // Reads `count` bytes from `address` as DataRows::read() does.
    void read(std::uint32_t address, std::uint32_t count, std::uint8_t *bytes, bool *held) const;
    // Asks the owner to write `bytes` at `address`, asking first when some
    // go where no record holds data (once for bytes written one after
    // another); false when they are not to be written.
    bool writeAt(std::uint32_t address, const QByteArray &bytes);
    // Draws the bytes again after the text changed under them.
    void refresh();

    // Row `row` as it is drawn: "08000010  41 42 ..   ..  AB..", blanks
    // for the bytes no record holds; a heading names its segment.
    QString rowText(std::uint64_t row) const;
    std::uint64_t firstVisibleRow() const;

    // Room for a whole row.
    QSize sizeHint() const override;

signals:
    // The user moved the caret to `address`.
    void caretMoved(std::uint32_t address);
    // The user typed `bytes` over the image at `address`.
    void bytesWritten(std::uint32_t address, const QByteArray &bytes);
    // The caret moved, however, or the bytes shown changed.
    void shown();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    struct Bytes {
        std::uint8_t value[DataRows::kWidth];
        bool held[DataRows::kWidth];
    };
    Bytes bytesOf(std::uint32_t rowAddress) const;
    int rowHeight() const;
    int charWidth() const;
    int visibleRows() const;
    void updateScrollBars();
    void scrollToCaret();
    // Moves the caret by `delta` bytes, over the gaps between segments;
    // with `extend`, the selection goes along.
    void moveBy(std::int64_t delta, bool extend = false);
    void moveTo(std::uint32_t address, bool extend = false);
    // The byte under `point` of the viewport, and whether in the character
    // column.
    std::optional<std::pair<std::uint32_t, bool>> byteAt(QPoint point) const;
    void write(const QByteArray &bytes);
    // Whether bytes may go where no record holds data: asked once for a
    // run of bytes typed one after another.
    bool mayWrite(std::uint32_t address, std::uint32_t count);
    void typeDigit(int digit);
    // Characters typed in the character column, as one write.
    void typeCharacters(const QString &text);

    DataRows m_rows;
    const AddressIndex *m_index = nullptr;
    DataRows::LineText m_lineText;
    std::optional<std::uint32_t> m_caret;
    // The other end of the selection; none when only the caret's byte is.
    std::optional<std::uint32_t> m_anchor;
    DataCommands *m_commands;
    bool m_inCharacters = false;
    // The first digit of a byte being typed; -1 for none.
    int m_digit = -1;
    // Where the next byte typed may go without asking again, or where
    // the user said no (nothing typed there is written until the caret
    // moves).
    std::optional<std::uint64_t> m_gapAllowedAt;
    std::optional<std::uint32_t> m_gapRefusedAt;
};

#endif
