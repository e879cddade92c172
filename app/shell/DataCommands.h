// The data view's commands over its selection: filled with a byte (or a
// run of bytes, over and over), or written over from its first byte by
// the clipboard's bytes, in hexadecimal ("DE AD BE EF", "DEADBEEF") in the
// hexadecimal column, as code page 932 text in the character column. Each
// is one write, which the text takes as one step of its undo; bytes that
// would go where no record holds data are asked about first.
#ifndef PELCOR_DATA_COMMANDS_H
#define PELCOR_DATA_COMMANDS_H

#include <QObject>
#include <QString>

class DataView;
class QMenu;

class DataCommands : public QObject {
    Q_OBJECT

public:
    explicit DataCommands(DataView *view);

    // The view's context menu: paste and fill.
    QMenu *menu() const { return m_menu; }
    // Asks for the bytes and fills the selection with them.
    void fill();
    // Writes the clipboard's text, or `text`, from the selection's first
    // byte on and puts the caret after it.
    void paste();
    void paste(const QString &text);

private:
    void refuse(const QString &text);

    DataView *m_view;
    QMenu *m_menu;
};

#endif
