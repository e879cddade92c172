// The one door through which the program asks the user anything: message
// boxes and file dialogs. The program uses the Qt dialogs; tests install
// scripted answers instead.
#ifndef PELCOR_USER_PROMPTS_H
#define PELCOR_USER_PROMPTS_H

#include "core/DataSearch.h"

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

class QWidget;

// One line of a form (UserPrompts::askForm): a line of text, a choice
// from a list, or a list of files the user adds in open dialogs.
struct FormField {
    enum class Kind { Text, Choice, Files };

    Kind kind = Kind::Text;
    QString label;
    // Text: the text shown first; Choice: the choice shown first (the
    // first when it is none of them); Files: the folder the file dialog
    // starts in.
    QString initial;
    // Choice: the choices; Files: the files listed first.
    QStringList choices;
    // Files: what the list shows for a file the user adds (it may ask
    // through the prompts, as for a binary file's address); empty leaves
    // the file out. Unset: the path.
    std::function<QString(QWidget *owner, const QString &path)> adding = nullptr;
};

// A form's answers, one per field in order: a Text's text and a Choice's
// choice as the one item, a Files field's paths.
using FormAnswers = QList<QStringList>;

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // A modal message box; returns the button the user chose.
    virtual QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                                const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons) = 0;

    // As message(), with `labels` in place of the texts of the buttons they
    // name, and `defaultButton` the one Enter presses (NoButton leaves the
    // box's own choice). Scripted answers need neither, so by default it is
    // message().
    virtual QMessageBox::StandardButton
    labelledMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                    const QString &text, QMessageBox::StandardButtons buttons,
                    const QList<std::pair<QMessageBox::StandardButton, QString>> &labels,
                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
    {
        Q_UNUSED(labels);
        Q_UNUSED(defaultButton);
        return message(parent, icon, title, text, buttons);
    }

    // The open dialog for an existing file: `filters` are "description
    // (pattern)" entries, `selected` the index of the one shown first. An
    // empty title leaves the dialog's own. Returns the path, empty on cancel.
    virtual QString openFile(QWidget *owner, const QString &title, const QStringList &filters,
                             int selected) = 0;

    // The save dialog, starting from `initialPath`; it asks before an
    // existing file is replaced. Returns the path, empty on cancel.
    virtual QString saveFile(QWidget *owner, const QString &title, const QString &initialPath,
                             const QStringList &filters, int selected) = 0;

    // A line of text, starting from `initial`; nothing on cancel.
    virtual std::optional<QString> askText(QWidget *parent, const QString &title,
                                           const QString &label, const QString &initial) = 0;

    // The find question: what to look for and where, starting from
    // `initial`; the data targets are offered only when `dataToo` (a text
    // that reads as records). Nothing on cancel. By default it is a text
    // question, for the text.
    struct Find {
        QString text;
        DataSearch::Target target = DataSearch::Text;
    };
    virtual std::optional<Find> askFind(QWidget *parent, const Find &initial, bool dataToo)
    {
        Q_UNUSED(dataToo);
        const std::optional<QString> text = askText(parent, findTitle(), findLabel(), initial.text);
        return text ? std::optional<Find>(Find{*text, DataSearch::Text}) : std::nullopt;
    }
    static QString findTitle() { return QStringLiteral("検索"); }
    static QString findLabel() { return QStringLiteral("検索する文字列(&N):"); }

    // A whole number from `minimum` to `maximum`, starting from `initial`;
    // nothing on cancel.
    virtual std::optional<int> askNumber(QWidget *parent, const QString &title,
                                         const QString &label, int initial, int minimum,
                                         int maximum) = 0;

    // A form of `fields` with 実行 and 取消; nothing on cancel.
    virtual std::optional<FormAnswers> askForm(QWidget *parent, const QString &title,
                                               const QList<FormField> &fields) = 0;
};

// The prompts in force: the Qt dialogs unless a test installed others.
UserPrompts &prompts();

// Installs `replacement` (owned by the caller); null restores the dialogs.
void setPrompts(UserPrompts *replacement);

#endif
