#include "support/scripted_prompts.h"

#include <QTest>

namespace {

const char *kindName(AskedPrompt::Kind kind)
{
    switch (kind) {
    case AskedPrompt::Kind::Message:
        return "message box";
    case AskedPrompt::Kind::Open:
        return "open dialog";
    case AskedPrompt::Kind::Save:
        return "save dialog";
    case AskedPrompt::Kind::Text:
        return "text question";
    case AskedPrompt::Kind::Number:
        return "number question";
    case AskedPrompt::Kind::Form:
        return "form";
    }
    return "?";
}

} // namespace

ScriptedPrompts::ScriptedPrompts()
{
    setPrompts(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    setPrompts(nullptr);
}

void ScriptedPrompts::expectMessage(QMessageBox::StandardButton button)
{
    m_answers.append({AskedPrompt::Kind::Message, button, QString(), {}, {}, {}, {}});
}

void ScriptedPrompts::expectDefault()
{
    Answer answer{AskedPrompt::Kind::Message, QMessageBox::NoButton, QString(), {}, {}, {}, {}};
    answer.pressEnter = true;
    m_answers.append(answer);
}

void ScriptedPrompts::expectOpen(const QString &path)
{
    m_answers.append({AskedPrompt::Kind::Open, QMessageBox::NoButton, path, {}, {}, {}, {}});
}

void ScriptedPrompts::expectSave(const QString &path)
{
    m_answers.append({AskedPrompt::Kind::Save, QMessageBox::NoButton, path, {}, {}, {}, {}});
}

void ScriptedPrompts::expectText(const std::optional<QString> &answer)
{
    m_answers.append(
        {AskedPrompt::Kind::Text, QMessageBox::NoButton, QString(), answer, {}, {}, {}});
}

void ScriptedPrompts::expectNumber(std::optional<int> answer)
{
    m_answers.append(
        {AskedPrompt::Kind::Number, QMessageBox::NoButton, QString(), {}, answer, {}, {}});
}

void ScriptedPrompts::expectForm(const std::optional<FormAnswers> &answers)
{
    Answer answer{AskedPrompt::Kind::Form, QMessageBox::NoButton, QString(), {}, {}, answers, {}};
    m_answers.append(answer);
}

void ScriptedPrompts::expectFind(const QString &text, DataSearch::Target target)
{
    m_answers.append(
        {AskedPrompt::Kind::Text, QMessageBox::NoButton, QString(), text, {}, {}, target});
}

QStringList ScriptedPrompts::texts() const
{
    QStringList result;
    for (const AskedPrompt &prompt : m_asked) {
        if (prompt.kind == AskedPrompt::Kind::Message)
            result.append(prompt.text);
    }
    return result;
}

QStringList ScriptedPrompts::titles() const
{
    QStringList result;
    for (const AskedPrompt &prompt : m_asked) {
        if (prompt.kind == AskedPrompt::Kind::Message)
            result.append(prompt.title);
    }
    return result;
}

namespace {

AskedPrompt newPrompt(AskedPrompt::Kind kind, QWidget *owner, const QString &title)
{
    AskedPrompt prompt;
    prompt.kind = kind;
    prompt.owner = owner;
    prompt.title = title;
    return prompt;
}

} // namespace

std::optional<ScriptedPrompts::Answer> ScriptedPrompts::take(const AskedPrompt &prompt)
{
    m_asked.append(prompt);
    const AskedPrompt::Kind kind = prompt.kind;
    const QString question = m_asked.constLast().kind == AskedPrompt::Kind::Message
                                 ? m_asked.constLast().text
                                 : m_asked.constLast().title;
    if (m_answers.isEmpty()) {
        QTest::qFail(
            qPrintable(
                QStringLiteral("unscripted %1: %2").arg(QLatin1String(kindName(kind)), question)),
            __FILE__, __LINE__);
        return std::nullopt;
    }
    if (m_answers.constFirst().kind != kind) {
        QTest::qFail(
            qPrintable(QStringLiteral("a %1 came where a %2 was scripted: %3")
                           .arg(QLatin1String(kindName(kind)),
                                QLatin1String(kindName(m_answers.constFirst().kind)), question)),
            __FILE__, __LINE__);
        return std::nullopt;
    }
    return m_answers.takeFirst();
}

QMessageBox::StandardButton ScriptedPrompts::message(QWidget *parent, QMessageBox::Icon icon,
                                                     const QString &title, const QString &text,
                                                     QMessageBox::StandardButtons buttons)
{
    AskedPrompt prompt = newPrompt(AskedPrompt::Kind::Message, parent, title);
    prompt.icon = icon;
    prompt.text = text;
    prompt.buttons = buttons;
    return answerMessage(prompt);
}

QMessageBox::StandardButton ScriptedPrompts::labelledMessage(
    QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
    QMessageBox::StandardButtons buttons,
    const QList<std::pair<QMessageBox::StandardButton, QString>> &labels,
    QMessageBox::StandardButton defaultButton)
{
    AskedPrompt prompt = newPrompt(AskedPrompt::Kind::Message, parent, title);
    prompt.icon = icon;
    prompt.text = text;
    prompt.buttons = buttons;
    prompt.labels = labels;
    prompt.defaultButton = defaultButton;
    return answerMessage(prompt);
}

QMessageBox::StandardButton ScriptedPrompts::answerMessage(const AskedPrompt &prompt)
{
    const QMessageBox::StandardButtons buttons = prompt.buttons;
    const std::optional<Answer> answer = take(prompt);
    if (answer && !answer->pressEnter)
        return answer->button;
    if (answer && buttons.testFlag(prompt.defaultButton))
        return prompt.defaultButton;
    if (answer)
        QTest::qFail(qPrintable(QStringLiteral("Enter pressed on a box with no default button: %1")
                                    .arg(prompt.text)),
                     __FILE__, __LINE__);
    return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::NoButton;
}

QString ScriptedPrompts::openFile(QWidget *owner, const QString &title, const QStringList &filters,
                                  int selected)
{
    AskedPrompt prompt = newPrompt(AskedPrompt::Kind::Open, owner, title);
    prompt.filters = filters;
    prompt.selectedFilter = selected;
    const std::optional<Answer> answer = take(prompt);
    return answer ? answer->path : QString();
}

QString ScriptedPrompts::saveFile(QWidget *owner, const QString &title, const QString &initialPath,
                                  const QStringList &filters, int selected)
{
    AskedPrompt prompt = newPrompt(AskedPrompt::Kind::Save, owner, title);
    prompt.filters = filters;
    prompt.selectedFilter = selected;
    prompt.initialPath = initialPath;
    const std::optional<Answer> answer = take(prompt);
    return answer ? answer->path : QString();
}

std::optional<QString> ScriptedPrompts::askText(QWidget *parent, const QString &title,
                                                const QString &label, const QString &initial)
{
    AskedPrompt prompt = newPrompt(AskedPrompt::Kind::Text, parent, title);
    prompt.label = label;
    prompt.initialText = initial;
    const std::optional<Answer> answer = take(prompt);
    return answer ? answer->text : std::nullopt;
}

std::optional<int> ScriptedPrompts::askNumber(QWidget *parent, const QString &title,
                                              const QString &label, int initial, int minimum,
                                              int maximum)
{
    AskedPrompt prompt = newPrompt(AskedPrompt::Kind::Number, parent, title);
    prompt.label = label;
    prompt.initialNumber = initial;
    prompt.minimum = minimum;
    prompt.maximum = maximum;
    const std::optional<Answer> answer = take(prompt);
    return answer ? answer->number : std::nullopt;
}

std::optional<FormAnswers> ScriptedPrompts::askForm(QWidget *parent, const QString &title,
                                                    const QList<FormField> &fields)
{
    AskedPrompt prompt = newPrompt(AskedPrompt::Kind::Form, parent, title);
    prompt.fields = fields;
    const std::optional<Answer> answer = take(prompt);
    if (!answer || !answer->form)
        return std::nullopt;
    // The files of a list that were not in it are added as the user adds
    // them, each through the field's question.
    FormAnswers answers = *answer->form;
    for (qsizetype i = 0; i < fields.size() && i < answers.size(); ++i) {
        if (fields[i].kind != FormField::Kind::Files || !fields[i].adding)
            continue;
        QStringList listed;
        for (const QString &path : answers[i]) {
            const QString shown =
                fields[i].choices.contains(path) ? path : fields[i].adding(parent, path);
            if (!shown.isEmpty())
                listed << shown;
        }
        answers[i] = listed;
    }
    return answers;
}

std::optional<UserPrompts::Find> ScriptedPrompts::askFind(QWidget *parent, const Find &initial,
                                                          bool dataToo)
{
    AskedPrompt prompt = newPrompt(AskedPrompt::Kind::Text, parent, findTitle());
    prompt.label = findLabel();
    prompt.initialText = initial.text;
    prompt.dataToo = dataToo;
    const std::optional<Answer> answer = take(prompt);
    if (!answer || !answer->text)
        return std::nullopt;
    return Find{*answer->text, answer->target};
}
