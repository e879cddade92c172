// A document window: one text in the frame, edited in place, with a flag
// that says whether it changed since it was loaded or saved.
#ifndef PELCOR_FORM1_H
#define PELCOR_FORM1_H

#include "core/AddressIndex.h"
#include "core/MarkedRange.h"
#include "core/FileStamp.h"
#include "core/MemoryMap.h"
#include "core/TextPatch.h"

#include <QByteArray>
#include <QMdiSubWindow>
#include <QString>
#include <QTimer>

#include <optional>

class DataLink;
class DataPane;
class DataView;
class DocumentView;
class MemoryMapPanel;
class QSplitter;

// A text on its way into a document window. `head` and `body` are what the
// view holds, one after the other: UTF-8, which is the file's own bytes
// when they are ASCII. `body` may be raw data that must outlive the
// placing. `fileBytes` are the bytes the text was read from, when they are
// not the same.
struct DocumentText {
    QByteArray head;
    QByteArray body;
    std::optional<QByteArray> fileBytes;

    // A file's bytes, read as code page 932.
    static DocumentText fromFile(QByteArray bytes);
    // A text of the program's, optionally with the bytes it came from.
    static DocumentText fromText(const QString &text,
                                 std::optional<QByteArray> fileBytes = std::nullopt);
};

class Form1 : public QMdiSubWindow {
    Q_OBJECT

public:
    // Marks a caption whose next Save must ask for a file name.
    static const QString UnsavedMarker;

    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // The number of document windows that exist.
    static int DocumentCount();

    DocumentView *Txt() const { return m_txt; }

    // Sets the whole text. The view keeps every line end as it stands and
    // puts in new ones like the first (CR LF when the text has none), so
    // that an unedited text comes back as it came. `fileBytes`, when the
    // text was read from a file, are the bytes it was decoded from: until
    // the first edit they are the document's bytes.
    void setDocumentText(const QString &text, std::optional<QByteArray> fileBytes = std::nullopt);
    // The same in pieces, for large texts: startText() places the first
    // piece, each placeMore() the next, until textPending() turns false.
    // The view is read-only until then.
    void startText(DocumentText text);
    void placeMore();
    bool textPending() const { return m_pending.has_value(); }

    QString documentText() const;
    // documentText() as the file's code page 932 bytes, which is what saves
    // and conversions take.
    QByteArray documentBytes() const;
    QString lineEnd() const;
    // Makes this the active window and selects its line `line`, counted
    // from 1, and shows it; a line past the last selects the last.
    void selectLine(int line);

    // The absolute address of the data byte at the caret, for an image text
    // (Intel HEX or S-records) whose records have been read since the last
    // pause in typing.
    // The data view's caret stands for it while the data view has the focus.
    std::optional<std::uint32_t> caretAddress() const;
    std::optional<std::uint32_t> textCaretAddress() const;
    const AddressIndex &addresses() const { return m_addresses; }
    // KESTRUN_FORMAT_IHEX or _SREC for a record text; _BINARY otherwise.
    std::int32_t recordFormat() const;
    // Makes the changes `patch` holds in the text, as one step of its
    // undo, and reads the addresses again where lines came or went or a
    // record became readable; the result says what was done, or why not.
    // `lines`, when given, are those that hold every written byte.
    TextPatch::Result applyPatch(const TextPatch &patch,
                                 std::optional<TextPatch::Lines> lines = std::nullopt);
    // The memory map of the same read, and the panel beside the text that
    // draws it; the panel shows for a text that maps as Intel HEX or
    // S-records, unless setMapShown(false) hides it.
    const MemoryMap &memoryMap() const;
    MemoryMapPanel *mapPanel() const { return m_mapPanel; }
    void setMapShown(bool shown);
    // The data view beside the text, shown for a record text unless
    // setDataShown(false) hides it, and what links it to the text.
    DataView *dataView() const { return m_dataView; }
    DataLink *dataLink() const { return m_dataLink; }
    void setDataShown(bool shown);
    // Puts the caret on the first record of segment `segment` of the map.
    void goToSegment(std::size_t segment);

    // Address ranges a job singled out in this document (a comparison's
    // differences), which its memory map marks; empty for none.
    void setMarkedRanges(std::vector<MarkedRange> ranges);
    const std::vector<MarkedRange> &markedRanges() const { return m_marked; }

    bool Modified() const { return m_modified; }
    // The text now counts as unchanged: just loaded or saved.
    void clearModified();
    // Takes the display font from the settings again.
    void applyDisplayFont();

    // Notes that the text is what the file `path` held when it was `stamp`:
    // it was read from it or saved to it.
    void setFileOnDisk(const QString &path, std::optional<FileStamp> stamp);
    // The file the text was last read from or saved to; empty for none.
    const QString &diskPath() const { return m_diskPath; }
    // True when `path` is that file and another program has changed it
    // since. A file that has gone is no change: the save makes it again.
    bool changedOnDisk(const QString &path) const;

    // Asks the save question when the text changed and saves on Yes.
    // Returns whether the window may close; a window that may close is not
    // asked again when it then closes.
    bool queryClose();
    // Forgets an approval when the close it was for did not happen.
    void withdrawCloseApproval() { m_closeApproved = false; }

signals:
    // The addresses have been read again: caretAddress() may differ.
    void addressesRead();
    void markedRangesChanged();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void finishText();
    void readAddresses();
    void showPanels();

    DocumentView *m_txt;
    QSplitter *m_split;
    MemoryMapPanel *m_mapPanel;
    bool m_mapShown = true;
    DataPane *m_dataPane;
    DataView *m_dataView;
    DataLink *m_dataLink;
    bool m_dataShown = false;
    // Reads the addresses and the map once the text is placed, and again after a pause
    // in typing: reading 40 MB on every key would stall the typing.
    QTimer m_addressTimer;
    AddressIndex m_addresses;
    std::vector<MarkedRange> m_marked;
    // Intel HEX or S-records, as the library's detection finds the text:
    // coloured, mapped and indexed.
    bool m_imageText = false;
    // The addresses were read from the body while it was being placed.
    bool m_readWhilePlacing = false;
    // The file's bytes until the first edit, when the view's differ.
    std::optional<QByteArray> m_givenBytes;
    // What placeMore() has still to place: m_pending.body from m_placed.
    std::optional<DocumentText> m_pending;
    qsizetype m_placed = 0;
    bool m_reserved = false;
    bool m_modified = false;
    bool m_closeApproved = false;
    QString m_diskPath;
    std::optional<FileStamp> m_diskStamp;
};

// The caption without UnsavedMarker.
QString DocumentPath(const Form1 *window);
bool HasUnsavedMarker(const QString &caption);

// Form1::clearModified(), and Form1::applyDisplayFont() for every document
// window under `root`.
void ClearModified(Form1 *window);
void ApplyDisplayFont(QWidget *root);

// Writes the window's text to its file, asking for the name when the caption
// carries UnsavedMarker or `saveAs` is set, and asking before it replaces a
// file that another program changed since the text was read or saved.
// Returns false, with the window unchanged, when the user cancels or the
// file cannot be written.
bool SaveDocument(Form1 *window, bool saveAs);

#endif
