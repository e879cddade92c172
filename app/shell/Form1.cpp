#include "shell/Form1.h"

#include "base/AppState.h"
#include "convert/KestrunBinding.h"

#include "core/SettingsModel.h"
#include "shell/ChecksumTips.h"
#include "shell/DataLink.h"
#include "shell/DataPane.h"
#include "shell/DataView.h"
#include "shell/DocumentView.h"
#include "shell/MemoryMapPanel.h"
#include "base/BusyScope.h"
#include "core/Cp932.h"
#include "shell/FileRoutines.h"
#include "core/PathRules.h"
#include "base/UserPrompts.h"

#include <QCloseEvent>
#include <QIcon>
#include <QMdiArea>
#include <QSplitter>

#include <algorithm>
#include <cstring>
#include <optional>

const QString Form1::UnsavedMarker = QStringLiteral(" *");

namespace {

// The first piece of a text shows at once; the rest follows in pieces that
// each take a few milliseconds, so that whoever places them can let the
// frame breathe in between.
constexpr qsizetype firstPiece = 64 * 1024;
constexpr qsizetype nextPieces = 2 * 1024 * 1024;

// Milliseconds without an edit after which the addresses are read again.
constexpr int kTypingPause = 400;

// How far above a byte's lines its HEX address record is looked for
// before the whole text is: 64 KiB of data, an address record's reach,
// take 1 MiB of text even in records of one byte.
constexpr qsizetype kAddressRecordReach = 1024 * 1024;

bool isAscii(QByteArrayView bytes)
{
    const char *at = bytes.data();
    const char *const stop = at + bytes.size();
    // Eight bytes at a time: the top bit of any of them.
    for (; stop - at >= 8; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, at, sizeof word);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; at < stop; ++at)
        if (static_cast<unsigned char>(*at) >= 0x80)
            return false;
    return true;
}

// The line end that the text's first line ends with; CR LF for none.
QByteArray firstLineEnd(QByteArrayView head, QByteArrayView body)
{
    const qsizetype total = head.size() + body.size();
    auto at = [&](qsizetype i) { return i < head.size() ? head[i] : body[i - head.size()]; };
    for (qsizetype i = 0; i < total; ++i) {
        if (at(i) == '\n')
            return "\n";
        if (at(i) == '\r')
            return i + 1 < total && at(i + 1) == '\n' ? QByteArray("\r\n") : QByteArray("\r");
    }
    return "\r\n";
}

// Asks before a save replaces what another program wrote.
bool overwriteChangedFile(Form1 *window, const QString &path)
{
    const QString question =
        QStringLiteral("ファイル\r\n") + path
        + QStringLiteral("\r\nはほかのﾌﾟﾛｸﾞﾗﾑで変更されています\r\n上書きしますか？");
    return prompts().message(window, QMessageBox::Question, QStringLiteral("Pelcor"), question,
                             QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

// The library's calls, which tell a record text from others and colour,
// map and index it. A library that cannot be bound is told of once, by
// the binding; from then on documents open as plain text.
const ImageCalls *recordCalls()
{
    if (appState().recordCallsMissing)
        return nullptr;
    const ImageCalls *calls = KestrunBinding::imageCalls();
    appState().recordCallsMissing = calls == nullptr;
    return calls;
}

} // namespace

DocumentText DocumentText::fromFile(QByteArray bytes)
{
    DocumentText text;
    if (isAscii(bytes)) {
        text.body = std::move(bytes);
    } else {
        text.body = decodeCp932(bytes).toUtf8();
        text.fileBytes = std::move(bytes);
    }
    return text;
}

DocumentText DocumentText::fromText(const QString &text, std::optional<QByteArray> fileBytes)
{
    DocumentText result;
    result.body = text.toUtf8();
    if (fileBytes && *fileBytes != result.body)
        result.fileBytes = std::move(fileBytes);
    return result;
}

Form1::Form1(QWidget *parent)
    : QMdiSubWindow(parent), m_txt(new DocumentView(this)), m_split(new QSplitter(this)),
      m_mapPanel(new MemoryMapPanel(this)), m_dataPane(new DataPane(this)),
      m_dataView(m_dataPane->view())
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_txt->setObjectName(QStringLiteral("Txt"));
    new ChecksumTips(m_txt);
    m_split->addWidget(m_txt);
    m_split->addWidget(m_dataPane);
    m_split->addWidget(m_mapPanel);
    m_split->setStretchFactor(0, 1);
    m_split->setStretchFactor(1, 1);
    m_split->setStretchFactor(2, 0);
    m_split->setChildrenCollapsible(false);
    m_split->setFocusProxy(m_txt);
    m_mapPanel->hide();
    m_dataPane->hide();
    m_dataView->setSource(&m_addresses,
                          [this](std::uint64_t line) { return m_txt->lineBytes(int(line)); });
    m_dataLink = new DataLink(this);
    setWidget(m_split);
    connect(m_mapPanel, &MemoryMapPanel::segmentChosen, this, &Form1::goToSegment);
    setWindowIcon(QIcon(QStringLiteral(":/icons/pelcor.png")));
    applyDisplayFont();
    m_addressTimer.setSingleShot(true);
    connect(&m_addressTimer, &QTimer::timeout, this, &Form1::readAddresses);
    connect(m_txt, &DocumentView::edited, this, [this] {
        m_modified = true;
        m_givenBytes.reset();
    });
    // Every edit, not only the first after a save, makes the addresses and
    // the map stale.
    connect(m_txt, &DocumentView::textChanged, this, [this] {
        if (m_imageText && !textPending())
            m_addressTimer.start(kTypingPause);
    });
    ++appState().documentCount;
}

Form1::~Form1()
{
    --appState().documentCount;
}

int Form1::DocumentCount()
{
    return appState().documentCount;
}

void Form1::setDocumentText(const QString &text, std::optional<QByteArray> fileBytes)
{
    startText(DocumentText::fromText(text, std::move(fileBytes)));
    while (textPending())
        placeMore();
}

void Form1::startText(DocumentText text)
{
    const QByteArrayView head = text.head;
    const QByteArrayView body = text.body;
    const ImageCalls *calls = recordCalls();
    const MemoryMap::Format format =
        calls ? MemoryMap::formatOf(*calls, head.isEmpty() ? body : head) : MemoryMap::Format::None;
    m_imageText = format != MemoryMap::Format::None;
    m_addresses = AddressIndex();
    m_mapPanel->setMap(MemoryMap());
    showPanels();
    m_txt->beginText(m_imageText ? calls : nullptr, std::int32_t(format));
    m_txt->setLineEnd(firstLineEnd(head, body));
    m_txt->appendText(head);
    m_placed = std::min(body.size(), firstPiece);
    m_txt->appendText(body.first(m_placed));
    m_reserved = false;
    // Setting the text is a change, as any other.
    m_modified = true;
    m_givenBytes = std::move(text.fileBytes);
    m_pending = std::move(text);
    m_pending->fileBytes.reset();
    m_readWhilePlacing = false;
    if (m_placed == body.size()) {
        finishText();
    } else if (m_imageText && m_pending->head.isEmpty()) {
        // The view takes the body as it stands and cannot be edited until
        // it is placed, so the body can be read at once: the map then shows
        // while the rest of a large text is still being placed.
        m_readWhilePlacing = true;
        m_addressTimer.start(0);
    }
}

void Form1::placeMore()
{
    if (!m_pending)
        return;
    const QByteArrayView body = m_pending->body;
    if (!m_reserved) {
        m_txt->reserve(m_pending->head.size() + body.size());
        m_reserved = true;
    }
    const qsizetype piece = std::min(nextPieces, body.size() - m_placed);
    m_txt->appendText(body.sliced(m_placed, piece));
    m_placed += piece;
    if (m_placed == body.size())
        finishText();
}

void Form1::finishText()
{
    m_txt->endText();
    m_pending.reset();
    if (m_imageText && !m_readWhilePlacing)
        m_addressTimer.start(0);
}

QString Form1::documentText() const
{
    if (m_givenBytes)
        return decodeCp932(*m_givenBytes);
    return QString::fromUtf8(m_txt->textBytes());
}

QByteArray Form1::documentBytes() const
{
    if (m_givenBytes)
        return *m_givenBytes;
    const QByteArrayView text = m_txt->textBytes();
    if (isAscii(text))
        return text.toByteArray();
    return encodeCp932(QString::fromUtf8(text));
}

QString Form1::lineEnd() const
{
    return QString::fromLatin1(m_txt->lineEnd());
}

void Form1::selectLine(int line)
{
    if (QMdiArea *area = mdiArea())
        area->setActiveSubWindow(this);
    m_txt->selectLine(line);
    m_txt->setFocus();
}

void Form1::setFileOnDisk(const QString &path, std::optional<FileStamp> stamp)
{
    m_diskPath = path;
    m_diskStamp = stamp;
}

bool Form1::changedOnDisk(const QString &path) const
{
    if (!m_diskStamp || path != m_diskPath)
        return false;
    const std::optional<FileStamp> now = FileStamp::of(path);
    return now && *now != *m_diskStamp;
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

void Form1::readAddresses()
{
    if (!m_imageText)
        return;
    const ImageCalls *calls = recordCalls();
    if (!calls)
        return;
    const QByteArrayView text =
        m_pending && m_readWhilePlacing ? QByteArrayView(m_pending->body) : m_txt->textBytes();
    AddressIndex addresses;
    MemoryMap map = MemoryMap::read(*calls, text, &addresses);
    m_addresses = std::move(addresses);
    m_mapPanel->setMap(std::move(map));
    m_dataView->setSegments(memoryMap().segments());
    showPanels();
    // While a large text is still being placed, the frame turns its event
    // loop only between pieces: a posted update would wait several of them.
    if (textPending() && m_mapPanel->isVisible())
        m_mapPanel->repaint();
    emit addressesRead();
}

const MemoryMap &Form1::memoryMap() const
{
    return m_mapPanel->map();
}

void Form1::setMapShown(bool shown)
{
    m_mapShown = shown;
    showPanels();
}

void Form1::setDataShown(bool shown)
{
    m_dataShown = shown;
    showPanels();
}

void Form1::showPanels()
{
    const bool data = m_dataShown && memoryMap().format() != MemoryMap::Format::None;
    const bool map = m_mapShown && memoryMap().format() != MemoryMap::Format::None;
    if (data == m_dataPane->isVisibleTo(this) && map == m_mapPanel->isVisibleTo(this))
        return;
    m_dataPane->setVisible(data);
    m_mapPanel->setVisible(map);
    m_split->refresh();
    // A panel shown after the splitter was laid out would get no width:
    // the map gets the width it asks for, the data a whole row where the
    // text keeps two fifths of the rest (the carets' link scrolls it to the
    // digits of the byte at hand), and the text the rest.
    const int mapWidth = map ? m_mapPanel->sizeHint().width() : 0;
    const int total = m_split->width();
    if (total > 2 * mapWidth) {
        const int rest = total - mapWidth;
        const int dataWidth = data ? std::min(m_dataPane->sizeHint().width(), rest * 3 / 5) : 0;
        m_split->setSizes({rest - dataWidth, dataWidth, mapWidth});
    }
}

void Form1::goToSegment(std::size_t segment)
{
    const auto &segments = memoryMap().segments();
    if (segment >= segments.size() || segments[segment].line == 0)
        return;
    m_txt->goToLine(int(segments[segment].line));
    m_txt->setFocus();
}

std::optional<std::uint32_t> Form1::caretAddress() const
{
    if (m_dataView->isVisible() && m_dataView->hasFocus())
        return m_dataView->caret();
    return textCaretAddress();
}

std::optional<std::uint32_t> Form1::textCaretAddress() const
{
    if (!m_imageText || m_addressTimer.isActive())
        return std::nullopt;
    const int line = m_txt->caretLine();
    return m_addresses.addressAt(std::uint64_t(line), m_txt->lineBytes(line),
                                 m_txt->caretByteColumn());
}

std::int32_t Form1::recordFormat() const
{
    return m_imageText ? m_txt->recordFormat() : std::int32_t(KESTRUN_FORMAT_BINARY);
}

TextPatch::Result Form1::applyPatch(const TextPatch &patch, std::optional<TextPatch::Lines> lines)
{
    // A few lines are patched from the text around them: the whole text
    // at once would have the editor move all of it that lies after them.
    const qsizetype from = lines ? std::max<qsizetype>(0, lines->from - kAddressRecordReach) : 0;
    std::optional<TextPatch::Result> near =
        lines ? patch.applyWithin(m_txt->textBytes(from, lines->to), from, DocumentPath(this), *lines)
              : std::nullopt;
    TextPatch::Result result =
        near ? std::move(*near) : patch.apply(m_txt->textBytes(), DocumentPath(this), lines);
    if (result.result < 0 || result.splices.empty())
        return result;
    m_txt->applySplices(result.splices);
    // Bytes changed in place leave every record where it was: the index
    // holds, and the caret keeps its address at once.
    const bool inPlace = std::all_of(result.splices.begin(), result.splices.end(),
                                     [](const TextPatch::Splice &s) { return s.text.size() == s.length; });
    m_addressTimer.stop();
    if (!inPlace || !result.fixed.empty())
        readAddresses();
    return result;
}

void Form1::setMarkedRanges(std::vector<MarkedRange> ranges)
{
    m_marked = std::move(ranges);
    m_mapPanel->setMarkedRanges(m_marked);
    emit markedRangesChanged();
}

void Form1::clearModified()
{
    m_modified = false;
    m_txt->markUnchanged();
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (isBusy() || !queryClose()) {
        event->ignore();
        return;
    }
    // An empty document in place of the text gives its memory back now.
    m_txt->beginText();
    m_txt->endText();
    QMdiSubWindow::closeEvent(event);
}

void Form1::applyDisplayFont()
{
    const DisplayFont font = SettingsModel::program().displayFont();
    QFont face(font.FontFace);
    face.setPointSize(font.FontSize > 0 ? font.FontSize : 9);
    m_txt->applyFont(face);
    m_dataView->setFont(face);
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
    window->clearModified();
}

void ApplyDisplayFont(QWidget *root)
{
    for (Form1 *child : root->findChildren<Form1 *>())
        child->applyDisplayFont();
}

bool SaveDocument(Form1 *window, bool saveAs)
{
    QString name = DocumentPath(window);
    if (HasUnsavedMarker(window->windowTitle()) || saveAs) {
        if (!ChooseSaveFile(window, name, FilterIndexFor(name), QString()))
            return false;
    }
    if (window->changedOnDisk(name) && !overwriteChangedFile(window, name))
        return false;
    if (!saveFileWithProgress(name, window->documentBytes()))
        return false;
    window->setFileOnDisk(name, FileStamp::of(name));
    ClearModified(window);
    window->setWindowTitle(name);
    return true;
}
