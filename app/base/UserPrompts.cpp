#include "base/UserPrompts.h"

#include "base/AppState.h"
#include "base/FormDialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QInputDialog>

namespace {

class DialogPrompts final : public UserPrompts {
public:
    QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons) override
    {
        QMessageBox box(icon, title, text, buttons, parent);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    QMessageBox::StandardButton
    labelledMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                    const QString &text, QMessageBox::StandardButtons buttons,
                    const QList<std::pair<QMessageBox::StandardButton, QString>> &labels,
                    QMessageBox::StandardButton defaultButton) override
    {
        QMessageBox box(icon, title, text, buttons, parent);
        for (const auto &[button, label] : labels)
            if (QAbstractButton *shown = box.button(button))
                shown->setText(label);
        if (defaultButton != QMessageBox::NoButton)
            box.setDefaultButton(defaultButton);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    QString openFile(QWidget *owner, const QString &title, const QStringList &filters,
                     int selected) override
    {
        QFileDialog dialog(owner, title);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return run(dialog, filters, selected, QString());
    }

    QString saveFile(QWidget *owner, const QString &title, const QString &initialPath,
                     const QStringList &filters, int selected) override
    {
        QFileDialog dialog(owner, title);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        return run(dialog, filters, selected, initialPath);
    }

    std::optional<QString> askText(QWidget *parent, const QString &title, const QString &label,
                                   const QString &initial) override
    {
        bool ok = false;
        const QString text =
            QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
        return ok ? std::optional<QString>(text) : std::nullopt;
    }

    std::optional<Find> askFind(QWidget *parent, const Find &initial, bool dataToo) override
    {
        QDialog dialog(parent);
        dialog.setWindowTitle(findTitle());
        auto *layout = new QVBoxLayout(&dialog);
        auto *label = new QLabel(findLabel(), &dialog);
        auto *edit = new QLineEdit(initial.text, &dialog);
        label->setBuddy(edit);
        layout->addWidget(label);
        layout->addWidget(edit);
        QButtonGroup targets(&dialog);
        const std::pair<DataSearch::Target, QString> choices[] = {
            {DataSearch::Text, QStringLiteral("ﾃｷｽﾄ(&T)")},
            {DataSearch::Bytes, QStringLiteral("ﾃﾞｰﾀのﾊﾞｲﾄ列、16 進(&H)")},
            {DataSearch::Characters, QStringLiteral("ﾃﾞｰﾀの文字列(&S)")},
        };
        for (const auto &[target, caption] : choices) {
            auto *button = new QRadioButton(caption, &dialog);
            button->setEnabled(dataToo || target == DataSearch::Text);
            button->setChecked(target == (dataToo ? initial.target : DataSearch::Text));
            targets.addButton(button, target);
            layout->addWidget(button);
        }
        auto *buttons =
            new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        edit->selectAll();
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return Find{edit->text(), DataSearch::Target(targets.checkedId())};
    }

    std::optional<int> askNumber(QWidget *parent, const QString &title, const QString &label,
                                 int initial, int minimum, int maximum) override
    {
        bool ok = false;
        const int value =
            QInputDialog::getInt(parent, title, label, initial, minimum, maximum, 1, &ok);
        return ok ? std::optional<int>(value) : std::nullopt;
    }

    std::optional<FormAnswers> askForm(QWidget *parent, const QString &title,
                                       const QList<FormField> &fields) override
    {
        FormDialog dialog(parent, title, fields);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.answers();
    }

private:
    static QString run(QFileDialog &dialog, const QStringList &filters, int selected,
                       const QString &initialPath)
    {
        // "*.*" means every file to Windows users, but Qt would hide names
        // without a dot, so the dialog gets "*" for it.
        QStringList patterns = filters;
        for (QString &filter : patterns)
            filter.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
        dialog.setNameFilters(patterns);
        if (selected >= 0 && selected < patterns.size())
            dialog.selectNameFilter(patterns.at(selected));
        // After the filter: choosing a filter gives the name in the box the
        // filter's extension, and the name proposed must stay as it is.
        if (!initialPath.isEmpty())
            dialog.selectFile(initialPath);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    }
};

} // namespace

UserPrompts &prompts()
{
    // Stateless, so one for the process is no state of its own.
    static DialogPrompts dialogs;
    UserPrompts *installed = appState().prompts;
    return installed ? *installed : dialogs;
}

void setPrompts(UserPrompts *replacement)
{
    appState().prompts = replacement;
}
