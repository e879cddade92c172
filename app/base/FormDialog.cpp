#include "base/FormDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

FormDialog::FormDialog(QWidget *parent, const QString &title, const QList<FormField> &fields)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto *form = new QFormLayout;
    // Long choices (document captions, full paths) need the room.
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const FormField &field : fields) {
        std::function<QStringList()> read;
        QWidget *editor = nullptr;
        switch (field.kind) {
        case FormField::Kind::Text: {
            auto *edit = new QLineEdit(field.initial);
            read = [edit] { return QStringList{edit->text().trimmed()}; };
            editor = edit;
            break;
        }
        case FormField::Kind::Choice: {
            auto *box = new QComboBox;
            box->addItems(field.choices);
            box->setCurrentIndex(std::max<qsizetype>(0, field.choices.indexOf(field.initial)));
            box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            read = [box] { return QStringList{box->currentText()}; };
            editor = box;
            break;
        }
        case FormField::Kind::Files:
            editor = fileList(field, read);
            break;
        }
        form->addRow(field.label, editor);
        m_readers.push_back(std::move(read));
    }
    auto *buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("実行"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

QWidget *FormDialog::fileList(const FormField &field, std::function<QStringList()> &read)
{
    auto *box = new QWidget;
    auto *list = new QListWidget;
    list->addItems(field.choices);
    list->setMinimumHeight(90);
    auto *add = new QPushButton(QStringLiteral("追加(&A)..."));
    auto *remove = new QPushButton(QStringLiteral("削除(&R)"));
    // Enter in the form runs it, also right after a file was added.
    add->setAutoDefault(false);
    remove->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this,
            [this, list, folder = field.initial, adding = field.adding] {
                for (const QString &path :
                     QFileDialog::getOpenFileNames(this, QStringLiteral("ﾌｧｲﾙを追加"), folder)) {
                    const QString shown = adding ? adding(this, path) : path;
                    if (!shown.isEmpty())
                        list->addItem(shown);
                }
            });
    connect(remove, &QPushButton::clicked, list, [list] { delete list->currentItem(); });
    auto *side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(remove);
    side->addStretch();
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(list, 1);
    row->addLayout(side);
    read = [list] {
        QStringList paths;
        for (int i = 0; i < list->count(); ++i)
            paths << list->item(i)->text();
        return paths;
    };
    return box;
}

FormAnswers FormDialog::answers() const
{
    FormAnswers result;
    for (const auto &read : m_readers)
        result << read();
    return result;
}
