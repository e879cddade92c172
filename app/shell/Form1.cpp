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

// CR LF and CR alone become LF, the editor's one line end. One pass: the
// library's replace() moves the tail once per batch of matches, which is
// slow on texts of millions of lines.
QString toEditorLineEnds(const QString &text)
{
    QString plain(text.size(), Qt::Uninitialized);
    const QChar *in = text.constData();
    const QChar *const stop = in + text.size();
    QChar *out = plain.data();
    while (in < stop) {
        if (*in == u'\r') {
            *out++ = u'\n';
            in += (in + 1 < stop && in[1] == u'\n') ? 2 : 1;
        } else {
            *out++ = *in++;
        }
    }
    plain.truncate(out - plain.constData());
    return plain;
}

// LF becomes `lineEnd`, in one pass.
QString withLineEnd(const QString &plain, const QString &lineEnd)
{
    if (lineEnd == u"\n")
        return plain;
    QString text;
    text.reserve(plain.size() + plain.count(u'\n') * (lineEnd.size() - 1));
    qsizetype from = 0;
    for (qsizetype at = plain.indexOf(u'\n'); at >= 0; at = plain.indexOf(u'\n', from)) {
        text.append(QStringView(plain).mid(from, at - from));
        text.append(lineEnd);
        from = at + 1;
    }
    text.append(QStringView(plain).mid(from));
    return text;
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
    connect(m_txt, &QPlainTextEdit::textChanged, this, [this] {
        m_modified = true;
        m_unedited = false;
        m_givenText.clear();
    });
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
    // Loading is not an edit the user could undo.
    m_txt->document()->setUndoRedoEnabled(false);
    m_txt->setPlainText(m_lineEnd == u"\n" ? text : toEditorLineEnds(text));
    m_txt->document()->setUndoRedoEnabled(true);
    // Until the first edit the text is the one given, line ends and all;
    // keeping it spares saves and conversions of large files a rebuild.
    m_givenText = text;
    m_unedited = true;
}

QString Form1::documentText() const
{
    if (m_unedited)
        return m_givenText;
    return withLineEnd(m_txt->toPlainText(), m_lineEnd);
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
