#include "shell/Form1.h"

#include "core/LargeBuffer.h"
#include "core/SettingsModel.h"
#include "shell/BusyScope.h"
#include "core/Cp932.h"
#include "shell/FileRoutines.h"
#include "core/PathRules.h"
#include "shell/UserPrompts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    adviseHugePages(plain.data(), std::size_t(plain.size()) * sizeof(QChar));
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

// The characters that end a line in the editor's raw text: the separators
// between paragraphs and lines (and of frames, which a plain text has none
// of), as QTextDocument::toPlainText() turns them into LF.
bool isEditorLineBreak(char16_t c)
{
    return c == 0x2029 || c == 0x2028 || c == 0xFDD0 || c == 0xFDD1;
}

// One character of the editor's raw text as it goes to the file: a line
// break becomes `lineEnd` and a no-break space a space, as toPlainText()
// has them.
char16_t *putEditorCharacter(char16_t c, const QString &lineEnd, char16_t *out)
{
    if (isEditorLineBreak(c)) {
        for (const QChar end : lineEnd)
            *out++ = end.unicode();
    } else {
        *out++ = c == 0x00A0 ? u' ' : c;
    }
    return out;
}

// The editor's raw text as the file's text, in one pass that reads the
// raw text eight characters at a time: all of them below U+00A0, which is
// nearly all text, are copied as they are.
QString fromEditorText(const QString &raw, const QString &lineEnd)
{
    // Room for every character being a separator; the pages a shorter text
    // leaves untouched cost nothing.
    QString text(raw.size() * std::max<qsizetype>(lineEnd.size(), 1), Qt::Uninitialized);
    adviseHugePages(text.data(), std::size_t(text.size()) * sizeof(QChar));
    const auto *in = reinterpret_cast<const char16_t *>(raw.utf16());
    const char16_t *const stop = in + raw.size();
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
#if defined(__SSE2__)
    const __m128i highestPlain = _mm_set1_epi16(0x9F);
    const __m128i zero = _mm_setzero_si128();
    while (stop - in >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
        const __m128i above = _mm_subs_epu16(units, highestPlain);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(above, zero)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out), units);
            in += 8;
            out += 8;
            continue;
        }
        for (const char16_t *group = in + 8; in < group; ++in)
            out = putEditorCharacter(*in, lineEnd, out);
    }
#endif
    for (; in < stop; ++in)
        out = putEditorCharacter(*in, lineEnd, out);
    text.truncate(out - reinterpret_cast<char16_t *>(text.data()));
    return text;
}

// The editor's raw text straight to the file's bytes, when it is ASCII
// but for its line breaks (and no-break spaces), as HEX text is, each line
// break written as `lineEnd`. Nothing when another character turns up; the
// caller then goes the general way, through fromEditorText() and the code
// page converter.
std::optional<QByteArray> asciiFileBytes(const QString &raw, const QString &lineEnd)
{
    const QByteArray end = lineEnd.toLatin1();
    QByteArray bytes(raw.size() * std::max<qsizetype>(end.size(), 1), Qt::Uninitialized);
    adviseHugePages(bytes.data(), std::size_t(bytes.size()));
    const auto *in = reinterpret_cast<const char16_t *>(raw.utf16());
    const char16_t *const stop = in + raw.size();
    char *out = bytes.data();
    for (;;) {
        const qsizetype run = narrowAscii(in, stop - in, out);
        in += run;
        out += run;
        if (in == stop)
            break;
        const char16_t c = *in++;
        if (c == 0x00A0)
            *out++ = ' ';
        else if (isEditorLineBreak(c))
            out = std::copy(end.begin(), end.end(), out);
        else
            return std::nullopt;
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
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
        m_givenBytes.reset();
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

void Form1::setDocumentText(const QString &text, std::optional<QByteArray> fileBytes)
{
    m_lineEnd = detectLineEnd(text);
    // Loading is not an edit the user could undo.
    m_txt->document()->setUndoRedoEnabled(false);
    m_txt->setPlainText(m_lineEnd == u"\n" ? text : toEditorLineEnds(text));
    m_txt->document()->setUndoRedoEnabled(true);
    // Until the first edit the text is the one given, line ends and all;
    // keeping it spares saves and conversions of large files a rebuild.
    m_givenBytes = std::move(fileBytes);
    m_givenText = m_givenBytes ? QString() : text;
    m_unedited = true;
}

QString Form1::documentText() const
{
    if (m_unedited)
        return m_givenBytes ? decodeCp932(*m_givenBytes) : m_givenText;
    return fromEditorText(m_txt->document()->toRawText(), m_lineEnd);
}

QByteArray Form1::documentBytes() const
{
    if (m_unedited)
        return m_givenBytes ? *m_givenBytes : encodeCp932(m_givenText);
    const QString raw = m_txt->document()->toRawText();
    if (std::optional<QByteArray> bytes = asciiFileBytes(raw, m_lineEnd))
        return *std::move(bytes);
    return encodeCp932(fromEditorText(raw, m_lineEnd));
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
    if (!saveFileWithProgress(name, window->documentBytes()))
        return false;
    ClearModified(window);
    window->setWindowTitle(name);
    return true;
}
