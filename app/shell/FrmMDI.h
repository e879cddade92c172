// The frame window: the multiple-document area, the menu bar with every
// command, file drops, and the exit.
#ifndef PELCOR_FRMMDI_H
#define PELCOR_FRMMDI_H

#include "base/UserPrompts.h"
#include "convert/ConversionHost.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class Form1;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;
struct DocumentText;

class FrmMDI : public QMainWindow, public ConversionHost {
    Q_OBJECT

public:
    explicit FrmMDI(QWidget *parent = nullptr);

    QMdiArea *mdiArea() const { return m_area; }
    Form1 *activeDocument() const;

    // Creates a document window with `text` and `caption`, optionally with
    // its Modified flag reset, and shows it as the active one. `fileBytes`
    // are the bytes the text was read from, when it was read from a file.
    Form1 *openDocument(const QString &text, const QString &caption, bool clearModified,
                        std::optional<QByteArray> fileBytes = std::nullopt);

    // The same for a text of any size: the window shows with the text's
    // first piece, and the rest follows piece by piece with `between` run
    // after each; when it returns false the window goes again and the
    // result is null. Without `between`, pending events run in between.
    Form1 *placeDocument(DocumentText text, const QString &caption, bool clearModified,
                         const std::function<bool()> &between = {});

    // Reads `path` as text into a new document captioned path + marker.
    void openFileAsDocument(const QString &path);
    // The document window that holds the file `path`, if any.
    Form1 *documentOf(const QString &path) const;

    // Brings forward the window that holds the file `path` already, or
    // reads `path` as text into a new document captioned `caption`, its
    // Modified flag reset when `clearModified` is set. The window notes the
    // file as it was read, so that a save can tell whether another program
    // changed it since. Null, with the user told, when it cannot be read.
    Form1 *openFile(const QString &path, const QString &caption, bool clearModified);

    // The four conversions, their results coming back to this frame.
    bool convertHexToBinary(Form1 *source);
    bool convertHexToDump(Form1 *source);
    bool convertBinaryToHex();
    bool convertBinaryToDump();
    // The image menu's jobs (FrmMDIJobs.cpp), the same way.
    bool convertToSRecords(Form1 *source);
    bool convertToOtherFormat(Form1 *source);
    bool mergeWithFiles(Form1 *source);
    bool insertCrc(Form1 *source);
    bool insertSerial(Form1 *source);
    bool compareWithOther(Form1 *source);
    bool binaryToHexAt();

    // ConversionHost
    QWidget *dialogOwner() override;
    bool chooseBinarySource(QString &path, QByteArray &data, const QString &title) override;
    bool saveBinaryResult(QByteArrayView bytes, QString &path) override;
    bool openResult(const QByteArray &head, QByteArrayView body, const QString &path,
                    const std::function<bool()> &between) override;
    QList<HexSource> otherDocuments() override;
    void showNote(const QString &text) override;

    // The menu commands, one per item; the window items share one handler.
    void m_OpenFile_Click();
    void m_CloseFile_Click();
    void m_Save_Click();
    void m_SaveAs_Click();
    void m_End_Click();
    void m_HexToBin_Click();
    void m_HexToDmp_Click();
    void m_BinToHEX_Click();
    void m_BinToDmp_Click();
    void m_Undo_Click();
    void m_Tear_Click();
    void m_Copy_Click();
    void m_Paste_Click();
    void m_Del_Click();
    void m_AllSel_Click();
    void m_Find_Click();
    void m_FindNext_Click();
    void m_Jump_Click();
    void m_JumpAddress_Click();
    void m_FixSum_Click();
    void m_DataFill_Click();
    void m_Wnd_Click(int index);
    void m_NextSegment_Click();
    void m_PrevSegment_Click();

    // Opens each local file of a drop, in order.
    void dropFiles(const QStringList &paths);

    QAction *m_OpenFile, *m_CloseFile, *m_Save, *m_SaveAs, *m_End;
    QAction *m_Undo, *m_Tear, *m_Copy, *m_Paste, *m_Del, *m_AllSel;
    QAction *m_Find, *m_FindNext, *m_Jump, *m_JumpAddress, *m_FixSum, *m_DataFill;
    QAction *m_HexToDmp, *m_HexToBin, *m_BinToDmp, *m_BinToHEX;
    QAction *m_Setting, *m_Font, *m_Help;
    QAction *m_NextSegment, *m_PrevSegment, *m_MemoryMap, *m_DataView;
    std::array<QAction *, 4> m_Wnd{};
    QAction *m_ToSRec, *m_ToOther, *m_Merge, *m_InsertCrc, *m_InsertSerial, *m_Compare,
        *m_BinToHexAt;
    QMenu *m_File, *m_Edit, *m_Asm, *m_Set, *m_Image, *m_Window;

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildFileMenu();
    void buildEditMenu();
    void buildDumpMenu();
    void buildSettingsMenu();
    void buildImageMenu();
    void buildWindowMenu();
    // The memory map's commands: stepping through segments (Edit) and
    // showing the map beside each document (Window).
    void buildMapCommands();
    void goToNeighbourSegment(bool next);
    void refreshWindowList();
    // The active document's caret in the status bar.
    void showCaret();
    bool findInActive(const UserPrompts::Find &find);
    bool findDataInActive(Form1 *window, const UserPrompts::Find &find);
    // The address a find in the data starts from: after the last match when
    // the caret still stands where that find left it, else the caret's.
    std::uint64_t dataFindStart(Form1 *window) const;
    void cascade();
    void arrangeInBands(bool horizontal);
    void arrangeIcons();
    // A document as a conversion or job reads and marks it.
    static HexSource sourceOf(Form1 *window);
    QAction *command(QMenu *menu, const char *name, const QString &caption,
                     void (FrmMDI::*handler)(), const QKeySequence &shortcut = {});

    QMdiArea *m_area;
    QLabel *m_caret;
    QList<QAction *> m_windowList;
    UserPrompts::Find m_find;
    // Where the last find in the data left the caret, and its match.
    struct DataHit {
        QPointer<Form1> window;
        int line = 0;
        int column = 0;
        std::uint32_t address = 0;
    };
    DataHit m_lastHit;
    QString m_addressText;
};

#endif
