// A UserPrompts for tests: it answers from a queue of scripted answers,
// in order, and records every question asked. It installs itself while it
// exists. A question that does not match the next scripted answer (or comes
// when none is left) fails the running test and is answered with a cancel.
//
//     ScriptedPrompts script;
//     script.expectSave("/tmp/out.bin");
//     script.expectMessage(QMessageBox::Yes);
//     ... run the code under test ...
//     QVERIFY(script.allAnswered());
//     QCOMPARE(script.texts(), QStringList{...});
#ifndef PELCOR_SCRIPTED_PROMPTS_H
#define PELCOR_SCRIPTED_PROMPTS_H

#include "base/UserPrompts.h"

#include <QList>
#include <QPointer>

#include <optional>

struct AskedPrompt {
    enum class Kind { Message, Open, Save, Text, Number, Form };

    Kind kind = Kind::Message;
    QPointer<QWidget> owner;
    QString title;
    // Message boxes only.
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QMessageBox::StandardButtons buttons;
    // Labelled message boxes only: the buttons' own texts, and the one
    // Enter presses (NoButton for the box's own choice).
    QList<std::pair<QMessageBox::StandardButton, QString>> labels;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    // File dialogs only.
    QStringList filters;
    int selectedFilter = -1;
    QString initialPath;
    // Text and number questions only.
    QString label;
    QString initialText;
    int initialNumber = 0;
    int minimum = 0;
    int maximum = 0;
    // Forms only.
    QList<FormField> fields;
    // Find questions only: whether the data targets were offered.
    bool dataToo = false;
};

class ScriptedPrompts final : public UserPrompts {
public:
    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts &) = delete;
    ScriptedPrompts &operator=(const ScriptedPrompts &) = delete;

    // The next message box is answered with `button`.
    void expectMessage(QMessageBox::StandardButton button);
    // The next message box is answered as Enter answers it: with the
    // default button it names, a failure when it names none.
    void expectDefault();
    // The next open or save dialog returns `path`; an empty path cancels.
    void expectOpen(const QString &path);
    void expectSave(const QString &path);
    // The next text or number question gets `answer`; nothing cancels.
    void expectText(const std::optional<QString> &answer);
    void expectNumber(std::optional<int> answer);
    // The next form gets `answers` (one list a field); nothing cancels. A
    // file list's paths that the form did not list go through its
    // `adding`, as if the user added them.
    void expectForm(const std::optional<FormAnswers> &answers);
    // The next find question gets `text` to look for in `target`; it is
    // asked as a text question, which expectText() answers as text.
    void expectFind(const QString &text, DataSearch::Target target);

    // Every question so far, in order.
    const QList<AskedPrompt> &asked() const { return m_asked; }
    // The message boxes' texts and titles, in order.
    QStringList texts() const;
    QStringList titles() const;
    // True when every scripted answer was used.
    bool allAnswered() const { return m_answers.isEmpty(); }
    // Forgets the questions asked so far; scripted answers stay.
    void clearAsked() { m_asked.clear(); }

    QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons) override;
    QMessageBox::StandardButton
    labelledMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                    const QString &text, QMessageBox::StandardButtons buttons,
                    const QList<std::pair<QMessageBox::StandardButton, QString>> &labels,
                    QMessageBox::StandardButton defaultButton) override;
    QString openFile(QWidget *owner, const QString &title, const QStringList &filters,
                     int selected) override;
    QString saveFile(QWidget *owner, const QString &title, const QString &initialPath,
                     const QStringList &filters, int selected) override;
    std::optional<QString> askText(QWidget *parent, const QString &title, const QString &label,
                                   const QString &initial) override;
    std::optional<int> askNumber(QWidget *parent, const QString &title, const QString &label,
                                 int initial, int minimum, int maximum) override;
    std::optional<FormAnswers> askForm(QWidget *parent, const QString &title,
                                       const QList<FormField> &fields) override;
    std::optional<Find> askFind(QWidget *parent, const Find &initial, bool dataToo) override;

private:
    struct Answer {
        AskedPrompt::Kind kind;
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString path;
        std::optional<QString> text;
        std::optional<int> number;
        std::optional<FormAnswers> form;
        DataSearch::Target target = DataSearch::Text;
        bool pressEnter = false;
    };

    // Notes `prompt` as asked and gives the next answer if it is of the
    // prompt's kind; otherwise fails the test.
    std::optional<Answer> take(const AskedPrompt &prompt);
    QMessageBox::StandardButton answerMessage(const AskedPrompt &prompt);

    QList<Answer> m_answers;
    QList<AskedPrompt> m_asked;
};

#endif
