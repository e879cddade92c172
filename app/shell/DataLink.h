// What ties a document's views of one image together: the caret of the
// text, of the data view and the memory map's mark follow one another,
// and bytes typed in the data view go into the text through the patcher,
// one step of the text's undo each.
#ifndef PELCOR_DATA_LINK_H
#define PELCOR_DATA_LINK_H

#include "core/TextPatch.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <optional>

class Form1;

class DataLink : public QObject {
    Q_OBJECT

public:
    // Links the views of `window`, whose child it becomes.
    explicit DataLink(Form1 *window);

    // Puts the caret of every view on the byte at `address`; false when no
    // record holds it.
    bool goToAddress(std::uint32_t address);

signals:
    // The data view's caret moved (the text's own tells caretMoved).
    void dataCaretMoved();

private:
    void textCaretMoved();
    void dataCaretChanged(std::uint32_t address);
    void writeBytes(std::uint32_t address, const QByteArray &bytes);
    // The lines of the text that hold every one of `count` bytes from
    // `address`; none when some byte is in no record.
    std::optional<TextPatch::Lines> linesHolding(std::uint32_t address, std::uint32_t count) const;
    // Selects the digits of the byte at `address` in the text.
    bool selectInText(std::uint32_t address, bool centre);

    Form1 *m_window;
    // Set while one view follows the other, so that it does not echo.
    bool m_following = false;
};

#endif
