// The data inspector under the data view: the bytes at its caret read as
// each width and kind of number (ByteValues), little and big endian, and
// as code page 932 text; a value that reaches into a gap shows as none. A
// value typed over one is written as its bytes at the caret, through the
// data view as its own typing is (one step of the text's undo).
#ifndef PELCOR_DATA_INSPECTOR_H
#define PELCOR_DATA_INSPECTOR_H

#include <QTableWidget>

#include <cstdint>
#include <optional>

class DataView;

class DataInspector : public QTableWidget {
    Q_OBJECT

public:
    explicit DataInspector(DataView *view, QWidget *parent = nullptr);

    // The row of the code page 932 text, after the numbers'.
    static int textRow();
    // Reads the bytes at the view's caret again.
    void refresh();

    QSize sizeHint() const override;

private:
    void typed(QTableWidgetItem *item);
    void write(int row, int column, const QString &text);
    void show(int row, int column, const std::optional<QString> &value);

    DataView *m_view;
    // The address the values shown were read from.
    std::optional<std::uint32_t> m_address;
    bool m_filling = false;
};

#endif
