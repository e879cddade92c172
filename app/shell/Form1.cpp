#include "shell/Form1.h"

#include "settings/SettingsModel.h"
#include "shell/busy_scope.h"
#include "shell/cp932.h"
#include "shell/file_routines.h"
#include "shell/PathRules.h"
#include "shell/user_prompts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QPlainTextEdit>

const QString Form1::UnsavedMarker = QStringLiteral(" *");

namespace {

int g_documentCount = 0;

QString detectLineEnd(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\n')
            return QStringLiteral("\n");
        if (text.at(i) == u'\r')
            return i + 1 < text.size() && text.at(i + 1) == u'\n' ? QStringLiteral("\r\n")
                                                                   : QStringLiteral("\r");
    }
    return QStringLiteral("\r\n");
}

} // namespace

Form1::Form1(QWidget *parent)
    : QMdiSubWindow(parent), m_txt(new QPlainTextEdit(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_txt->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_txt->setObjectName(QStringLiteral("Txt"));
    setWidget(m_txt);
    setWindowIcon(QIcon(QStringLiteral(":/icons/pelcor.png")));
    applyDisplayFont();
    connect(m_txt, &QPlainTextEdit::textChanged, this, [this] { m_modified = true; });
    ++g_documentCount;
}

Form1::~Form1()
{
    --g_documentCount;
}

int Form1::DocumentCount()
{
    return g_documentCount;
}

void Form1::setDocumentText(const QString &text)
{
    m_lineEnd = detectLineEnd(text);
    if (m_lineEnd == u"\n") {
        m_txt->setPlainText(text);
        return;
    }
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(u'\r', u'\n');
    m_txt->setPlainText(plain);
}

QString Form1::documentText() const
{
    QString text = m_txt->toPlainText();
    if (m_lineEnd != u"\n")
        text.replace(u'\n', m_lineEnd);
    return text;
}

bool Form1::queryClose()
{
    if (m_closeApproved || !m_modified)
        return true;
    const QString question = fileNamePart(DocumentPath(this)) + QStringLiteral(" へ保存しますか？");
    switch (prompts().message(this, QMessageBox::Question, QStringLiteral("Pelcor"), question,
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        // A save that does not happen keeps the window, so no text is lost.
        if (!SaveDocument(this, false))
            return false;
        break;
    case QMessageBox::No:
        break;
    default:
        return false;
    }
    m_closeApproved = true;
    return true;
}

bool Form1::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() < 0) {
            if (event->type() == QEvent::KeyPress)
                applyDisplayFont();
            else
                m_modified = false;
            return true;
        }
    }
    return QMdiSubWindow::event(event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (isBusy() || !queryClose()) {
        event->ignore();
        return;
    }
    m_txt->clear();
    QMdiSubWindow::closeEvent(event);
}

void Form1::applyDisplayFont()
{
    const DisplayFont font = SettingsModel::program().displayFont();
    QFont face(font.FontFace);
    face.setPointSize(font.FontSize > 0 ? font.FontSize : 9);
    m_txt->setFont(face);
}

QString DocumentPath(const Form1 *window)
{
    const QString caption = window->windowTitle();
    return HasUnsavedMarker(caption) ? caption.left(caption.size() - 2) : caption;
}

bool HasUnsavedMarker(const QString &caption)
{
    return caption.size() >= 2 && caption.endsWith(Form1::UnsavedMarker);
}

void ClearModified(Form1 *window)
{
    QKeyEvent notice(QEvent::KeyRelease, -1, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &notice);
}

void ApplyDisplayFont(QWidget *root)
{
    for (Form1 *child : root->findChildren<Form1 *>()) {
        QKeyEvent notice(QEvent::KeyPress, -1, Qt::NoModifier);
        QCoreApplication::sendEvent(child, &notice);
    }
}

bool SaveDocument(Form1 *window, bool saveAs)
{
    QString name = DocumentPath(window);
    if (HasUnsavedMarker(window->windowTitle()) || saveAs) {
        if (!ChooseSaveFile(window, name, 0, QString()))
            return false;
    }
    if (!saveFileWithProgress(name, encodeCp932(window->documentText())))
        return false;
    ClearModified(window);
    window->setWindowTitle(name);
    return true;
}
