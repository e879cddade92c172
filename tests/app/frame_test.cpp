// The frame window and its documents, driven through their commands with
// scripted answers to every question.
#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/Startup.h"
#include "core/Cp932.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>
#include <QTest>

class FrameTest : public QObject, protected FrameFixture {
    Q_OBJECT

private slots:
    void init() { openFrame(); }
    void cleanup() { closeFrame(); }

    void menusEnableOnlyWithDocuments()
    {
        emit m_frame->m_File->aboutToShow();
        emit m_frame->m_Edit->aboutToShow();
        emit m_frame->m_Asm->aboutToShow();
        emit m_frame->m_Window->aboutToShow();
        for (QAction *item : {m_frame->m_CloseFile, m_frame->m_Save, m_frame->m_SaveAs,
                              m_frame->m_Undo, m_frame->m_AllSel, m_frame->m_HexToDmp,
                              m_frame->m_HexToBin, m_frame->m_Wnd[0], m_frame->m_Wnd[3]})
            QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
        for (QAction *item : {m_frame->m_OpenFile, m_frame->m_End, m_frame->m_BinToDmp,
                              m_frame->m_BinToHEX, m_frame->m_Setting, m_frame->m_Font})
            QVERIFY2(item->isEnabled(), qPrintable(item->objectName()));

        m_frame->openDocument(QStringLiteral("x"), QStringLiteral("a.hex"), true);
        emit m_frame->m_Edit->aboutToShow();
        emit m_frame->m_Asm->aboutToShow();
        QVERIFY(m_frame->m_Tear->isEnabled());
        QVERIFY(m_frame->m_HexToBin->isEnabled());
    }

    void shortcutsAndCaptions()
    {
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Vantrel"));
        QCOMPARE(m_frame->m_CloseFile->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F4));
        QCOMPARE(m_frame->m_HexToBin->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F5));
        QCOMPARE(m_frame->m_HexToDmp->text(), QStringLiteral("HEX  ->  ダンプ(&D)"));
        // Ctrl+F4 belongs to the Close command alone, not to the documents.
        Form1 *document = m_frame->openDocument(QString(), QStringLiteral("a"), true);
        for (QAction *action : document->systemMenu()->actions())
            QVERIFY(action->shortcut() != QKeySequence(Qt::CTRL | Qt::Key_F4));
    }

    void droppedFilesOpenInOrderAndAMissingOneIsReported()
    {
        writeBytes(path("one.hex"), "first\r\n");
        writeBytes(path("three.txt"), encodeCp932(u"三番目\n"));
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        m_frame->dropFiles({path("one.hex"), path("two.hex"), path("three.txt")});

        QCOMPARE(captions(),
                 QStringList({path("one.hex") + " *", path("three.txt") + " *"}));
        QCOMPARE(script.texts().size(), 1);
        QVERIFY(script.texts().constFirst().contains(path("two.hex")));
        Form1 *active = m_frame->activeDocument();
        QCOMPARE(active->windowTitle(), path("three.txt") + " *");
        QCOMPARE(active->documentText(), QStringLiteral("三番目\n"));
        QVERIFY(!active->Modified());
    }

    void savingKeepsTheLineEndsByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("CR LF") << QByteArray("\x83\x65\x83\x4c\x83\x58\x83\x67\r\n:00000001FF\r\n");
        QTest::newRow("LF") << QByteArray("a\\b\n\x81\x60\n");
        QTest::newRow("CR") << QByteArray("\x87\x40\rline\r");
        QTest::newRow("no line end") << QByteArray("\xb1\xb2\xb3");
    }

    void savingKeepsTheLineEndsByteForByte()
    {
        QFETCH(QByteArray, bytes);
        writeBytes(path("doc.txt"), bytes);
        m_frame->openFileAsDocument(path("doc.txt"));
        writeBytes(path("doc.txt"), "something else entirely, and longer than before");
        // The opened file carries the marker, so Save asks for the name.
        ScriptedPrompts script;
        script.expectSave(path("doc.txt"));
        // Another program rewrote it meanwhile.
        script.expectMessage(QMessageBox::Yes);
        m_frame->m_Save_Click();
        QVERIFY(script.allAnswered());
        QCOMPARE(readBytes(path("doc.txt")), bytes);
        QCOMPARE(m_frame->activeDocument()->windowTitle(), path("doc.txt"));
        QVERIFY(!m_frame->activeDocument()->Modified());

        // Without the marker the next Save writes without asking.
        m_frame->activeDocument()->Txt()->append(QStringLiteral("more"));
        m_frame->m_Save_Click();
        QVERIFY(script.asked().size() == 2);
        QVERIFY(readBytes(path("doc.txt")).startsWith(bytes));
    }

    // A code the code page has twice is read as one character, which is
    // written back in its preferred form; until the first edit the file's
    // own bytes are the document's.
    void uneditedFileKeepsItsOwnBytes()
    {
        const QByteArray bytes("\xED\x40\r\n");
        QVERIFY(encodeCp932(decodeCp932(bytes)) != bytes);
        writeBytes(path("twice.txt"), bytes);
        m_frame->openFileAsDocument(path("twice.txt"));
        QCOMPARE(m_frame->activeDocument()->documentBytes(), bytes);
        QCOMPARE(m_frame->activeDocument()->documentText(), decodeCp932(bytes));
    }

    // An edit keeps every line end of the file as it stands; the line ends
    // that typing and pasting put in are the file's first one, whatever the
    // clipboard holds, and text and bytes agree on the result.
    void editedTextKeepsTheFileLineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("lineEnd");
        QTest::addColumn<QString>("other");
        for (const QString &other : {QString(), QStringLiteral("漢ｶﾅ")}) {
            const QByteArray tail = other.isEmpty() ? " ASCII" : " Japanese";
            QTest::newRow("CR LF" + tail) << QByteArray(":00000001FF\r\nmixed\n") << "\r\n"
                                          << other;
            QTest::newRow("LF" + tail) << QByteArray("a\nmixed\r\n") << "\n" << other;
            QTest::newRow("CR" + tail) << QByteArray("a\rmixed\n") << "\r" << other;
        }
    }

    void editedTextKeepsTheFileLineEnds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, lineEnd);
        QFETCH(QString, other);
        writeBytes(path("doc.txt"), bytes);
        m_frame->openFileAsDocument(path("doc.txt"));
        Form1 *document = m_frame->activeDocument();
        DocumentView *editor = document->Txt();
        QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("x"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
        QApplication::clipboard()->setText(QStringLiteral("p\r\nq\rr\ns") + other);
        m_frame->m_Paste_Click();
        const QString text = decodeCp932(bytes) + QStringLiteral("x") + lineEnd + lineEnd
                             + QStringLiteral("p") + lineEnd + QStringLiteral("q") + lineEnd
                             + QStringLiteral("r") + lineEnd + QStringLiteral("s") + other;
        QVERIFY(document->Modified());
        QCOMPARE(document->documentText(), text);
        QCOMPARE(document->documentBytes(), encodeCp932(text));
    }

    void saveAsCancelledChangesNothing()
    {
        Form1 *document = m_frame->openDocument(QStringLiteral("text"), path("plain.txt"), false);
        ScriptedPrompts script;
        script.expectSave(QString());
        m_frame->m_SaveAs_Click();
        QVERIFY(script.allAnswered());
        QCOMPARE(script.asked().constFirst().initialPath, path("plain.txt"));
        QCOMPARE(document->windowTitle(), path("plain.txt"));
        QVERIFY(document->Modified());
        QVERIFY(!QFile::exists(path("plain.txt")));
    }

    // Save As offers S-records beside Intel HEX and opens on the type of
    // the document's own name.
    void saveAsOpensOnTheDocumentsType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("selected");
        const QString hex = QStringLiteral("ｲﾝﾃﾙﾍｷｻﾌｧｲﾙ(*.hex)");
        const QString srec = QStringLiteral("Sﾚｺｰﾄﾞﾌｧｲﾙ(*.s19 *.s28 *.s37 *.srec *.mot)");
        QTest::newRow("S19") << "fw.s19" << srec;
        QTest::newRow("S28") << "fw.s28" << srec;
        QTest::newRow("S37") << "fw.s37" << srec;
        QTest::newRow("srec") << "fw.srec" << srec;
        QTest::newRow("mot in capitals") << "FW.MOT" << srec;
        QTest::newRow("HEX") << "fw.hex" << hex;
        QTest::newRow("a dump") << "fw.txt" << QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)");
        QTest::newRow("no extension") << "firmware" << hex;
        QTest::newRow("s19 inside the name") << "fw.s19.bak" << hex;
    }

    void saveAsOpensOnTheDocumentsType()
    {
        QFETCH(QString, name);
        QFETCH(QString, selected);
        openText(QStringLiteral("S9030000FC\n"), name);
        ScriptedPrompts script;
        script.expectSave(QString());
        m_frame->m_SaveAs_Click();
        QVERIFY(script.allAnswered());
        const AskedPrompt &dialog = script.asked().constFirst();
        QCOMPARE(dialog.initialPath, path(name));
        QCOMPARE(dialog.filters.mid(0, 2),
                 (QStringList{QStringLiteral("ｲﾝﾃﾙﾍｷｻﾌｧｲﾙ(*.hex)"),
                              QStringLiteral("Sﾚｺｰﾄﾞﾌｧｲﾙ(*.s19 *.s28 *.s37 *.srec *.mot)")}));
        QCOMPARE(dialog.filters.value(dialog.selectedFilter), selected);
    }

    void closeQuestionNamesTheFileAndCancelledSaveKeepsTheWindow()
    {
        Form1 *document = m_frame->openDocument(QStringLiteral("keep me"),
                                                QStringLiteral("/data/rom.hex *"), false);
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Yes);
        script.expectSave(QString());
        m_frame->m_CloseFile_Click();
        QVERIFY(script.allAnswered());
        QCOMPARE(script.texts(), QStringList{QStringLiteral("rom.hex へ保存しますか？")});
        QCOMPARE(script.titles(), QStringList{QStringLiteral("Pelcor")});
        QCOMPARE(Form1::DocumentCount(), 1);
        QCOMPARE(document->documentText(), QStringLiteral("keep me"));
        QVERIFY(document->Modified());

        script.expectMessage(QMessageBox::No);
        m_frame->m_CloseFile_Click();
        QTRY_COMPARE(Form1::DocumentCount(), 0);
    }

    void exitCancelledAtTheSecondWindowKeepsBoth()
    {
        QFile::remove(path("Pelcor.ini"));
        m_frame->openDocument(QStringLiteral("1"), path("first.txt"), false);
        m_frame->openDocument(QStringLiteral("2"), path("second.txt"), false);
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::No);
        script.expectMessage(QMessageBox::Cancel);
        QVERIFY(!m_frame->close());
        QCOMPARE(Form1::DocumentCount(), 2);
        QVERIFY(!QFile::exists(path("Pelcor.ini")));

        // The first window's No was for an exit that did not happen: it
        // asks again next time.
        script.expectMessage(QMessageBox::No);
        script.expectMessage(QMessageBox::No);
        QVERIFY(m_frame->close());
        QVERIFY(script.allAnswered());
        QTRY_VERIFY(m_frame.isNull());
        QVERIFY(readBytes(path("Pelcor.ini")).contains("MDISize"));
    }

    void clipboardCommands()
    {
        Form1 *document = m_frame->openDocument(QStringLiteral("line one\nline two"),
                                                QStringLiteral("c.txt"), true);
        m_frame->m_AllSel_Click();
        m_frame->m_Tear_Click();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("line one\nline two"));
        QVERIFY(document->documentText().isEmpty());
        QVERIFY(document->Modified());

        // Copy with nothing selected leaves an empty text on the clipboard.
        m_frame->m_Copy_Click();
        QVERIFY(QApplication::clipboard()->text().isEmpty());

        QApplication::clipboard()->setText(QStringLiteral("a\r\nb"));
        m_frame->m_Paste_Click();
        QCOMPARE(document->documentText(), QStringLiteral("a\nb"));
        m_frame->m_Undo_Click();
        QVERIFY(document->documentText().isEmpty());

        // Paste with no text on the clipboard deletes the selection.
        document->setDocumentText(QStringLiteral("abc"));
        QApplication::clipboard()->clear();
        m_frame->m_AllSel_Click();
        m_frame->m_Paste_Click();
        QVERIFY(document->documentText().isEmpty());
    }

    // A rectangle (Alt+Shift with the arrows) is cut, copied and replaced
    // line by line, in one undo step. Digits, since a rectangle goes by the
    // characters' widths.
    void rectangularSelectionsWorkLineByLine()
    {
        const QString text = QStringLiteral("1234\r\n5678\r\n9012");
        Form1 *document = m_frame->openDocument(text, QStringLiteral("r.txt"), true);
        DocumentView *editor = document->Txt();
        auto rectangle = [editor](unsigned long from, int across, int down) {
            editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, from);
            for (int i = 0; i < across; ++i)
                editor->SendScintilla(QsciScintillaBase::SCI_CHARRIGHTRECTEXTEND);
            for (int i = 0; i < down; ++i)
                editor->SendScintilla(QsciScintillaBase::SCI_LINEDOWNRECTEXTEND);
        };
        rectangle(1, 2, 2);
        m_frame->m_Tear_Click();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("23\r\n67\r\n01"));
        QCOMPARE(document->documentText(), QStringLiteral("14\r\n58\r\n92"));
        m_frame->m_Undo_Click();
        QCOMPARE(document->documentText(), text);

        rectangle(2, 1, 1);
        QApplication::clipboard()->setText(QStringLiteral("X"));
        m_frame->m_Paste_Click();
        QCOMPARE(document->documentText(), QStringLiteral("12X4\r\n568\r\n9012"));
    }

    void commandsWithoutADocumentDoNothing()
    {
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        m_frame->m_Tear_Click();
        m_frame->m_Copy_Click();
        m_frame->m_Paste_Click();
        m_frame->m_Del_Click();
        m_frame->m_AllSel_Click();
        m_frame->m_Undo_Click();
        m_frame->m_Save_Click();
        m_frame->m_CloseFile_Click();
        m_frame->m_Wnd_Click(1);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
    }

    void notificationsTravelAsNegativeKeyCodes()
    {
        Form1 *document =
            m_frame->openDocument(QStringLiteral("x"), QStringLiteral("n.txt"), false);
        QVERIFY(document->Modified());
        QTest::keyClick(document->Txt(), Qt::Key_A);
        QVERIFY(document->Modified());
        ClearModified(document);
        QVERIFY(!document->Modified());
        // Typing a character and deleting it again still counts as a change.
        QTest::keyClick(document->Txt(), Qt::Key_B);
        QTest::keyClick(document->Txt(), Qt::Key_Backspace);
        QVERIFY(document->Modified());

        DisplayFont font;
        font.FontFace = QStringLiteral("IPAGothic");
        font.FontSize = 21;
        SettingsModel::program().setDisplayFont(font);
        m_frame->openDocument(QString(), QStringLiteral("m.txt"), true);
        ApplyDisplayFont(m_frame);
        for (QMdiSubWindow *window : m_frame->mdiArea()->subWindowList())
            QCOMPARE(qobject_cast<Form1 *>(window)->Txt()->font().pointSize(), 21);
    }

    void startUpAsksBeforeFiveFiles()
    {
        QStringList names;
        for (int i = 0; i < 5; ++i) {
            names.append(path(QStringLiteral("f%1.txt").arg(i)));
            writeBytes(names.last(), QByteArray::number(i));
        }
        m_frame->close();
        QTRY_VERIFY(m_frame.isNull());

        ScriptedPrompts script;
        script.expectMessage(QMessageBox::No);
        m_frame = Main(names, m_dir.path());
        QCOMPARE(Form1::DocumentCount(), 0);
        QCOMPARE(script.asked().constFirst().icon, QMessageBox::Question);
        m_frame->close();
        QTRY_VERIFY(m_frame.isNull());

        // Four names open at once, captions as written, flags set.
        m_frame = Main(names.mid(0, 4), m_dir.path());
        QCOMPARE(captions(), names.mid(0, 4));
        QVERIFY(m_frame->activeDocument()->Modified());
        QCOMPARE(m_frame->activeDocument()->windowTitle(), names.at(3));
    }
};

QTEST_MAIN(FrameTest)
#include "frame_test.moc"
