#include "base/UserPrompts.h"

#include "base/AppState.h"
#include "base/FormDialog.h"

#include <QAbstractButton>
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
                    const QList<std::pair<QMessageBox::StandardButton, QString>> &labels) override
    {
        QMessageBox box(icon, title, text, buttons, parent);
        for (const auto &[button, label] : labels)
            if (QAbstractButton *shown = box.button(button))
                shown->setText(label);
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
