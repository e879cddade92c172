#include "shell/DocumentView.h"

#include "shell/ChangeNotices.h"
#include "shell/DocumentAccessible.h"
#include "core/HexLineStyles.h"

#include <QAccessible>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QFontInfo>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Scintilla's own values, which its Qt headers leave out.
constexpr long lexerNull = 1;
constexpr long lexerContainer = 0;

// A request to colour more than this many lines colours only the last of
// them: those are on screen, and the ones skipped are coloured when they
// come into view (see paintEvent()).
constexpr qsizetype linesAtOnce = 400;

// Colours as Scintilla takes them: 0xBBGGRR.
constexpr long rgb(int red, int green, int blue)
{
    return long(red) | long(green) << 8 | long(blue) << 16;
}

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Where `needle` first occurs in text[from, to), ignoring the case of ASCII
// letters only, so that UTF-8 bytes never fold into others; -1 for
// nowhere. The first byte is looked for with memchr where its case cannot
// differ, byte by byte otherwise: either way a pass over 100 MB takes a
// fraction of a second, unlike a search that decodes every character.
qsizetype findIgnoringCase(QByteArrayView text, QByteArrayView needle, qsizetype from, qsizetype to)
{
    const char first = foldAscii(needle.front());
    const char other = (first >= 'a' && first <= 'z') ? char(first - 'a' + 'A') : first;
    const char *const base = text.data();
    auto rest = [&](qsizetype at) {
        for (qsizetype i = 1; i < needle.size(); ++i)
            if (foldAscii(base[at + i]) != foldAscii(needle[i]))
                return false;
        return true;
    };
    const qsizetype last = to - needle.size();
    for (qsizetype at = from; at <= last; ++at) {
        if (first == other) {
            const void *hit = std::memchr(base + at, first, std::size_t(last - at + 1));
            if (!hit)
                return -1;
            at = static_cast<const char *>(hit) - base;
        } else if (base[at] != first && base[at] != other) {
            continue;
        }
        if (rest(at))
            return at;
    }
    return -1;
}

// The view's own accessible, in place of the one that comes with the
// widget, which counts the characters of the whole text on every change
// and caret move.
QAccessibleInterface *accessibleFor(const QString &, QObject *object)
{
    if (auto *view = qobject_cast<DocumentView *>(object))
        return new DocumentAccessible(view);
    return nullptr;
}

} // namespace

DocumentView::DocumentView(QWidget *parent)
    : QsciScintilla(parent), m_notices(new ChangeNotices(this))
{
    // Factories installed later are asked first; the widget's own has been
    // installed by now, by the base class.
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
    // Nobody here reads the notices of single changes; without them the
    // base class neither converts nor counts each inserted piece.
    send(SCI_SETMODEVENTMASK, 0);
    send(SCI_SETCODEPAGE, SC_CP_UTF8);
    for (int margin = 0; margin < 5; ++margin)
        setMarginWidth(margin, 0);
    send(SCI_SETSCROLLWIDTH, 1);
    send(SCI_SETSCROLLWIDTHTRACKING, 1);
    send(SCI_SETPASTECONVERTENDINGS, 1);
    send(SCI_SETLEXER, lexerNull);
    // Its context menu is in English; the frame's Edit menu has it all.
    setContextMenuPolicy(Qt::NoContextMenu);
    setUpStyles();
    connect(this, &QsciScintillaBase::SCN_SAVEPOINTLEFT, this, &DocumentView::edited);
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, &DocumentView::caretMoved);
    connect(this, &QsciScintillaBase::SCN_STYLENEEDED, this, &DocumentView::styleNeeded);
}

long DocumentView::send(unsigned int message, unsigned long wParam, long lParam) const
{
    return SendScintilla(message, wParam, lParam);
}

void DocumentView::beginText(const ImageCalls *calls, std::int32_t format)
{
    const bool coloured = calls && format != KESTRUN_FORMAT_BINARY;
    // A fresh document each time: a plain one keeps no style byte per
    // character, which halves its memory.
    const long document =
        send(SCI_CREATEDOCUMENT, 0, coloured ? 0 : long(SC_DOCUMENTOPTION_STYLES_NONE));
    send(SCI_SETDOCPOINTER, 0, document);
    send(SCI_RELEASEDOCUMENT, 0, document);
    m_calls = coloured ? calls : nullptr;
    m_format = format;
    send(SCI_SETCODEPAGE, SC_CP_UTF8);
    send(SCI_SETLEXER, coloured ? lexerContainer : lexerNull);
    if (m_characterIndex)
        send(SCI_ALLOCATELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
    send(SCI_SETUNDOCOLLECTION, 0);
    send(SCI_SETMODEVENTMASK, 0);
    send(SCI_SETREADONLY, 1);
}

void DocumentView::appendText(QByteArrayView piece)
{
    if (piece.isEmpty())
        return;
    send(SCI_SETREADONLY, 0);
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(piece.size()), piece.data());
    send(SCI_SETREADONLY, 1);
}

void DocumentView::reserve(qsizetype total)
{
    send(SCI_ALLOCATE, static_cast<unsigned long>(total + 1));
}

void DocumentView::endText()
{
    send(SCI_SETREADONLY, 0);
    send(SCI_SETUNDOCOLLECTION, 1);
    send(SCI_EMPTYUNDOBUFFER);
    send(SCI_SETSAVEPOINT);
    // Edits from now on are told; the pieces of the text as placed are not.
    send(SCI_SETMODEVENTMASK, static_cast<unsigned long>(ChangeNotices::eventMask()));
}

QByteArrayView DocumentView::textBytes() const
{
    const auto *text = reinterpret_cast<const char *>(send(SCI_GETCHARACTERPOINTER));
    return QByteArrayView(text, send(SCI_GETLENGTH));
}

QByteArrayView DocumentView::textBytes(qsizetype from, qsizetype to) const
{
    const auto *text = reinterpret_cast<const char *>(send(SCI_GETRANGEPOINTER, from, to - from));
    return QByteArrayView(text, to - from);
}

void DocumentView::setLineEnd(QByteArrayView lineEnd)
{
    long mode = SC_EOL_CRLF;
    if (lineEnd == "\n")
        mode = SC_EOL_LF;
    else if (lineEnd == "\r")
        mode = SC_EOL_CR;
    send(SCI_SETEOLMODE, static_cast<unsigned long>(mode));
}

QByteArray DocumentView::lineEnd() const
{
    switch (send(SCI_GETEOLMODE)) {
    case SC_EOL_LF:
        return "\n";
    case SC_EOL_CR:
        return "\r";
    default:
        return "\r\n";
    }
}

void DocumentView::markUnchanged()
{
    send(SCI_SETSAVEPOINT);
}

std::vector<std::pair<long, long>> DocumentView::selectedRanges() const
{
    // A rectangular selection is one range per line, in the order it was
    // drawn.
    std::vector<std::pair<long, long>> ranges;
    const long count = send(SCI_GETSELECTIONS);
    for (long i = 0; i < count; ++i)
        ranges.emplace_back(send(SCI_GETSELECTIONNSTART, static_cast<unsigned long>(i)),
                            send(SCI_GETSELECTIONNEND, static_cast<unsigned long>(i)));
    std::sort(ranges.begin(), ranges.end());
    return ranges;
}

QString DocumentView::selectedPlainText() const
{
    QByteArray bytes;
    const auto ranges = selectedRanges();
    for (const auto &[start, end] : ranges) {
        if (start != ranges.front().first || end != ranges.front().second)
            bytes += lineEnd();
        bytes.append(reinterpret_cast<const char *>(send(SCI_GETRANGEPOINTER, start, end - start)),
                     end - start);
    }
    return QString::fromUtf8(bytes);
}

void DocumentView::replaceSelection(const QString &text)
{
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(u'\r', u'\n');
    const QByteArray end = lineEnd();
    QByteArray bytes = plain.toUtf8();
    if (end != "\n")
        bytes.replace('\n', end);
    send(SCI_BEGINUNDOACTION);
    const auto ranges = selectedRanges();
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range)
        send(SCI_DELETERANGE, static_cast<unsigned long>(range->first),
             range->second - range->first);
    send(SCI_SETTARGETSTART, static_cast<unsigned long>(ranges.front().first));
    send(SCI_SETTARGETEND, static_cast<unsigned long>(ranges.front().first));
    SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(bytes.size()), bytes.constData());
    send(SCI_GOTOPOS, send(SCI_GETTARGETEND));
    send(SCI_ENDUNDOACTION);
}

void DocumentView::applySplices(const std::vector<TextPatch::Splice> &splices)
{
    // Told as whole lines, not as Scintilla's pieces of them.
    m_notices->splicing(splices);
    const long mask = send(SCI_GETMODEVENTMASK);
    send(SCI_SETMODEVENTMASK, 0);
    send(SCI_BEGINUNDOACTION);
    for (auto splice = splices.rbegin(); splice != splices.rend(); ++splice) {
        send(SCI_SETTARGETRANGE, static_cast<unsigned long>(splice->from),
             long(splice->from + splice->length));
        SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(splice->text.size()),
                      splice->text.constData());
    }
    send(SCI_ENDUNDOACTION);
    send(SCI_SETMODEVENTMASK, static_cast<unsigned long>(mask));
    m_notices->told();
}

bool DocumentView::findNext(const QString &text)
{
    const QByteArray needle = text.toUtf8();
    if (needle.isEmpty())
        return false;
    const QByteArrayView all = textBytes();
    const qsizetype from = send(SCI_GETSELECTIONEND);
    qsizetype found = findIgnoringCase(all, needle, from, all.size());
    if (found < 0)
        found = findIgnoringCase(all, needle, 0, std::min(all.size(), from + needle.size() - 1));
    if (found < 0)
        return false;
    send(SCI_SETSEL, static_cast<unsigned long>(found), long(found + needle.size()));
    return true;
}

void DocumentView::goToLine(int line)
{
    const long target = std::clamp<long>(line, 1, lineTotal()) - 1;
    send(SCI_GOTOLINE, static_cast<unsigned long>(target));
    // The line in the middle of the window, not at its edge.
    const long shown = send(SCI_LINESONSCREEN);
    send(SCI_SETFIRSTVISIBLELINE,
         static_cast<unsigned long>(std::max<long>(0, target - shown / 2)));
}

void DocumentView::selectLine(int line)
{
    goToLine(line);
    const long target = std::clamp<long>(line, 1, lineTotal()) - 1;
    send(SCI_SETSEL, static_cast<unsigned long>(send(SCI_POSITIONFROMLINE, target)),
         send(SCI_GETLINEENDPOSITION, target));
}

void DocumentView::selectColumns(int line, int column, int count)
{
    selectBytes(line, column, count, true);
    send(SCI_SWAPMAINANCHORCARET);
}

void DocumentView::selectBytes(int line, int column, int count, bool centre)
{
    if (centre)
        goToLine(line);
    const long target = std::clamp<long>(line, 1, lineTotal()) - 1;
    const long start = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(target));
    const long end = send(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(target));
    const long from = std::min(end, start + std::max(0, column - 1));
    send(SCI_SETSEL, static_cast<unsigned long>(std::min(end, from + std::max(0, count))), from);
    send(SCI_SCROLLCARET);
}

int DocumentView::caretLine() const
{
    return int(send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(send(SCI_GETCURRENTPOS)))) + 1;
}

int DocumentView::caretColumn() const
{
    return int(send(SCI_GETCOLUMN, static_cast<unsigned long>(send(SCI_GETCURRENTPOS)))) + 1;
}

int DocumentView::caretByteColumn() const
{
    const long position = send(SCI_GETCURRENTPOS);
    const long line = send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
    return int(position - send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line))) + 1;
}

QByteArrayView DocumentView::lineBytes(int line) const
{
    if (line < 1 || line > lineTotal())
        return {};
    const long start = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line - 1));
    const long length = send(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line - 1)) - start;
    return QByteArrayView(
        reinterpret_cast<const char *>(send(SCI_GETRANGEPOINTER, start, length)), length);
}

int DocumentView::lineTotal() const
{
    return int(send(SCI_GETLINECOUNT));
}

void DocumentView::applyFont(const QFont &font)
{
    setFont(font);
    // Scintilla takes the face by its name in Latin-1 and knows nothing of
    // Qt's substitutions: it gets the face that "ＭＳ ゴシック" stands for.
    const QByteArray face = QFontInfo(font).family().toUtf8();
    SendScintilla(SCI_STYLESETFONT, static_cast<unsigned long>(STYLE_DEFAULT), face.constData());
    send(SCI_STYLECLEARALL);
    setUpStyles();
}

void DocumentView::setUpStyles()
{
    struct Look {
        char style;
        long fore;
        long back;
        bool bold;
    };
    const long white = rgb(0xFF, 0xFF, 0xFF);
    const Look looks[] = {
        {HexStyle::Mark, rgb(0x70, 0x70, 0x70), white, true},
        {HexStyle::Length, rgb(0xB0, 0x60, 0x00), white, false},
        {HexStyle::Address, rgb(0x00, 0x30, 0xC0), white, false},
        {HexStyle::Type, rgb(0x90, 0x00, 0x90), white, false},
        {HexStyle::Data, rgb(0x00, 0x00, 0x00), white, false},
        {HexStyle::Checksum, rgb(0x00, 0x80, 0x00), white, false},
        {HexStyle::BadChecksum, white, rgb(0xD0, 0x00, 0x00), true},
        {HexStyle::Broken, rgb(0xC0, 0x00, 0x00), rgb(0xFF, 0xD0, 0xD0), false},
    };
    for (const Look &look : looks) {
        const auto style = static_cast<unsigned long>(look.style);
        send(SCI_STYLESETFORE, style, look.fore);
        send(SCI_STYLESETBACK, style, look.back);
        send(SCI_STYLESETBOLD, style, look.bold);
    }
}

void DocumentView::styleNeeded(int position)
{
    if (!m_calls)
        return;
    const qsizetype last = send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
    const qsizetype from =
        send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(send(SCI_GETENDSTYLED)));
    styleLines(std::max(from, last - linesAtOnce), last);
}

void DocumentView::styleLines(qsizetype first, qsizetype last)
{
    const long start = send(SCI_POSITIONFROMLINE, first);
    const long end =
        last + 1 < lineTotal() ? send(SCI_POSITIONFROMLINE, last + 1) : send(SCI_GETLENGTH);
    if (end <= start)
        return;
    const auto *text =
        reinterpret_cast<const char *>(send(SCI_GETRANGEPOINTER, start, end - start));
    std::vector<char> styles(std::size_t(end - start));
    for (qsizetype line = first; line <= last; ++line) {
        const long from = send(SCI_POSITIONFROMLINE, line);
        const long to = line + 1 < lineTotal() ? send(SCI_POSITIONFROMLINE, line + 1) : end;
        styleRecordLine(*m_calls, m_format, QByteArrayView(text + (from - start), to - from),
                        styles.data() + (from - start));
    }
    send(SCI_STARTSTYLING, static_cast<unsigned long>(start));
    SendScintilla(SCI_SETSTYLINGEX, static_cast<unsigned long>(styles.size()), styles.data());
}

void DocumentView::paintEvent(QPaintEvent *event)
{
    // Lines that a long jump skipped still carry style 0 on their record
    // mark: colouring starts again from the first of them on screen.
    if (m_calls) {
        const long first = send(SCI_GETFIRSTVISIBLELINE);
        const long stop = std::min<long>(lineTotal(), first + send(SCI_LINESONSCREEN) + 1);
        for (long line = first; line < stop; ++line) {
            const long start = send(SCI_POSITIONFROMLINE, line);
            const qsizetype mark = recordMark(*m_calls, m_format, lineBytes(int(line) + 1));
            if (mark >= 0
                && send(SCI_GETSTYLEAT, static_cast<unsigned long>(start + mark))
                       == HexStyle::Plain) {
                send(SCI_STARTSTYLING, static_cast<unsigned long>(start));
                break;
            }
        }
    }
    QsciScintilla::paintEvent(event);
}

void DocumentView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->ignore();
    else
        QsciScintilla::dragEnterEvent(event);
}

void DocumentView::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->ignore();
    else
        QsciScintilla::dragMoveEvent(event);
}

void DocumentView::dropEvent(QDropEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->ignore();
    else
        QsciScintilla::dropEvent(event);
}

void DocumentView::keepCharacterIndex()
{
    if (m_characterIndex)
        return;
    m_characterIndex = true;
    send(SCI_ALLOCATELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
    // Qt asks for accessibles even when nobody listens; only a listener
    // gets told of the caret's moves (and of changes: ChangeNotices).
    if (!QAccessible::isActive())
        return;
    connect(this, &DocumentView::caretMoved, this, [this] {
        if (!QAccessible::isActive())
            return;
        QAccessibleTextCursorEvent moved(this, int(offsetOfPosition(send(SCI_GETCURRENTPOS))));
        QAccessible::updateAccessibility(&moved);
    });
}

qsizetype DocumentView::offsetOfPosition(qsizetype position)
{
    keepCharacterIndex();
    const long line = send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
    const long lineStart = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    return send(SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                SC_LINECHARACTERINDEX_UTF16)
           + send(SCI_COUNTCODEUNITS, static_cast<unsigned long>(lineStart), long(position));
}

qsizetype DocumentView::positionOfOffset(qsizetype offset)
{
    keepCharacterIndex();
    const long line = send(SCI_LINEFROMINDEXPOSITION, static_cast<unsigned long>(offset),
                           SC_LINECHARACTERINDEX_UTF16);
    const long lineStart = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long lineOffset = send(SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                                 SC_LINECHARACTERINDEX_UTF16);
    return send(SCI_POSITIONRELATIVECODEUNITS, static_cast<unsigned long>(lineStart),
                long(offset - lineOffset));
}
