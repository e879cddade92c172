#include "shell/DataInspector.h"

#include "base/UserPrompts.h"
#include "core/ByteValues.h"
#include "shell/DataView.h"

#include <QHeaderView>
#include <QTimer>

#include <iterator>

namespace {

constexpr int kKinds = int(std::size(ByteValues::kKinds));
// Enough for a double, and a little text.
constexpr std::uint32_t kRead = 16;

const QString kOrders[] = {QStringLiteral("ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"), QStringLiteral("ﾋﾞｯｸﾞｴﾝﾃﾞｨｱﾝ")};

// One byte reads the same either way round; so does text.
bool spans(int row)
{
    return row == DataInspector::textRow() || ByteValues::width(ByteValues::kKinds[row]) == 1;
}

QString rowName(int row)
{
    return row == DataInspector::textRow() ? QStringLiteral("CP932")
                                           : ByteValues::name(ByteValues::kKinds[row]);
}

} // namespace

int DataInspector::textRow()
{
    return kKinds;
}

DataInspector::DataInspector(DataView *view, QWidget *parent)
    : QTableWidget(kKinds + 1, 2, parent), m_view(view)
{
    setAccessibleName(QStringLiteral("データインスペクタ"));
    setHorizontalHeaderLabels({kOrders[0], kOrders[1]});
    QStringList names;
    for (int row = 0; row <= textRow(); ++row) {
        names << rowName(row);
        for (int column = 0; column < 2; ++column)
            setItem(row, column, new QTableWidgetItem);
        if (spans(row))
            setSpan(row, 0, 1, 2);
    }
    setVerticalHeaderLabels(names);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    connect(this, &QTableWidget::itemChanged, this, &DataInspector::typed);
    connect(view, &DataView::shown, this, &DataInspector::refresh);
    refresh();
}

QSize DataInspector::sizeHint() const
{
    const int rows = verticalHeader()->length() + horizontalHeader()->height() + 2 * frameWidth();
    return QSize(QTableWidget::sizeHint().width(), rows);
}

void DataInspector::show(int row, int column, const std::optional<QString> &value)
{
    QTableWidgetItem *cell = item(row, column);
    cell->setText(value.value_or(QStringLiteral("--")));
    cell->setForeground(palette().color(value ? QPalette::Text : QPalette::PlaceholderText));
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    cell->setFlags(value ? flags | Qt::ItemIsEditable : flags);
    // What a screen reader says of the cell: its row, order and value.
    const QString order = spans(row) ? QString() : u' ' + kOrders[column];
    cell->setData(Qt::AccessibleTextRole,
                  rowName(row) + order + u' ' + value.value_or(QStringLiteral("ﾃﾞｰﾀなし")));
}

void DataInspector::refresh()
{
    std::uint8_t bytes[kRead] = {};
    bool held[kRead] = {};
    m_address = m_view->caret();
    if (m_address)
        m_view->read(*m_address, std::uint32_t(std::min<std::uint64_t>(kRead, 0x100000000 - *m_address)),
                     bytes, held);
    m_filling = true;
    for (int row = 0; row < kKinds; ++row)
        for (int column = 0; column < 2; ++column)
            show(row, column,
                 ByteValues::text(ByteValues::kKinds[row],
                                  column == 0 ? ByteValues::Order::Little : ByteValues::Order::Big,
                                  bytes, held, kRead));
    show(textRow(), 0, ByteValues::characters(bytes, held, kRead));
    m_filling = false;
}

void DataInspector::typed(QTableWidgetItem *cell)
{
    if (m_filling)
        return;
    // After the editor has closed: the write may ask, and it reads every
    // value again.
    const int row = cell->row(), column = cell->column();
    const QString text = cell->text();
    const std::optional<std::uint32_t> address = m_address;
    QTimer::singleShot(0, this, [this, address, row, column, text] {
        if (address == m_address)
            write(row, column, text);
    });
}

void DataInspector::write(int row, int column, const QString &text)
{
    const std::optional<QByteArray> bytes =
        row == textRow()
            ? ByteValues::characterBytes(text)
            : ByteValues::bytes(ByteValues::kKinds[row],
                                column == 0 ? ByteValues::Order::Little : ByteValues::Order::Big,
                                text);
    if (!m_address || !bytes) {
        if (m_address)
            prompts().message(this, QMessageBox::Warning, QStringLiteral("Pelcor"),
                              QStringLiteral("%1 は %2 の値ではありません").arg(text, rowName(row)),
                              QMessageBox::Ok);
        refresh();
        return;
    }
    if (!m_view->writeAt(*m_address, *bytes))
        refresh();
}
