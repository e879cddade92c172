// The document windows' view: large texts placed in pieces, HEX colouring
// of what is on screen, find, go to line, the caret in the status bar, and
// what assistive technology reads.
#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "core/HexLineStyles.h"
#include "core/Cp932.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

#include <QAccessible>
#include <QLabel>
#include <QMdiArea>
#include <QPointer>
#include <QStatusBar>
#include <QTest>

namespace {

// HEX text of `records` data records of 32 bytes, CR LF, then the end.
QByteArray hexText(int records)
{
    QByteArray text;
    for (int r = 0; r < records; ++r) {
        const std::uint16_t address = std::uint16_t(r * 32);
        unsigned sum = 0x20 + (address >> 8) + (address & 0xFF);
        QByteArray line =
            ":20" + QByteArray::number(address, 16).rightJustified(4, '0').toUpper() + "00";
        for (int i = 0; i < 32; ++i) {
            const int byte = (r + i) & 0xFF;
            sum += unsigned(byte);
            line += QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        }
        line +=
            QByteArray::number((0x100 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0').toUpper();
        text += line + "\r\n";
    }
    return text + ":00000001FF\r\n";
}

int styleAt(DocumentView *view, long position)
{
    return int(view->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT,
                                   static_cast<unsigned long>(position)));
}

long lineStart(DocumentView *view, int line)
{
    return view->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                               static_cast<unsigned long>(line - 1));
}

} // namespace

class DocumentViewTest : public QObject, protected FrameFixture {
    Q_OBJECT

private slots:
    void init() { openFrame({800, 600}); }
    void cleanup() { closeFrame(); }

    void hugeFontSizesStillShowTheText_data()
    {
        QTest::addColumn<QByteArray>("size");
        QTest::newRow("largest integer") << QByteArray("32767");
        QTest::newRow("beyond the font dialog") << QByteArray("5000");
    }

    // The view shows nothing from a few thousand points on; a size read
    // from a hand-edited file is no reason for blank documents.
    void hugeFontSizesStillShowTheText()
    {
        QFETCH(QByteArray, size);
        writeBytes(m_dir.filePath(QStringLiteral("Pelcor.ini")),
                   "[Vantrel]\r\nFontFace=IPAGothic\r\nFontSize=" + size + "\r\n");
        SettingsModel::program().load();
        Form1 *window =
            m_frame->openDocument(QStringLiteral("WWWW\nWWWW\n"), QStringLiteral("w.txt"), true);
        window->showMaximized();
        QCoreApplication::processEvents();
        const QImage image = window->Txt()->viewport()->grab().toImage();
        SettingsModel::program().setDisplayFont(DisplayFont());
        qsizetype dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY2(dark > image.width() * image.height() / 10, qPrintable(QString::number(dark)));
    }

    // A text larger than one piece goes in over several pumps and comes
    // back byte for byte; until then the view takes no typing.
    void largeTextsArrivePieceByPieceAndComeBackWhole()
    {
        const QByteArray bytes = hexText(60000);
        QVERIFY(bytes.size() > 4 * 1024 * 1024);
        int pumps = 0;
        bool readOnlyMeanwhile = true;
        DocumentText text;
        text.body = bytes;
        Form1 *window =
            m_frame->placeDocument(std::move(text), QStringLiteral("big.hex *"), true, [&] {
                ++pumps;
                readOnlyMeanwhile =
                    readOnlyMeanwhile && m_frame->activeDocument()->Txt()->isReadOnly();
                return true;
            });
        QVERIFY(window);
        QVERIFY(pumps >= 3);
        QVERIFY(readOnlyMeanwhile);
        QVERIFY(!window->Txt()->isReadOnly());
        QVERIFY(!window->Modified());
        QCOMPARE(window->documentBytes(), bytes);
        QCOMPARE(window->Txt()->lineTotal(), 60002);

        // The first edit is a change, and undo does not reach the loading.
        window->Txt()->undo();
        QCOMPARE(window->documentBytes(), bytes);
        QTest::keyClick(window->Txt(), Qt::Key_X);
        QVERIFY(window->Modified());
        QCOMPARE(window->documentBytes(), "x" + bytes);
    }

    // Whatever comes into view is coloured, however far it lies from what
    // was coloured before, and a wrong checksum stands out.
    void hexLinesAreColouredWhereverTheyAreShown()
    {
        QByteArray bytes = hexText(20000);
        bytes.replace(":20270000", ":20270001"); // the record at 0x2700: wrong checksum
        Form1 *window =
            m_frame->openDocument(QString::fromLatin1(bytes), QStringLiteral("c.hex"), true);
        DocumentView *view = window->Txt();
        QVERIFY(view->isRecordText());
        QTest::qWait(50);
        QCOMPARE(styleAt(view, 0), int(HexStyle::Mark));
        QCOMPARE(styleAt(view, 3), int(HexStyle::Address));

        for (const int line : {19000, 313, 10000}) {
            view->goToLine(line);
            view->viewport()->repaint();
            QCOMPARE(styleAt(view, lineStart(view, line)), int(HexStyle::Mark));
            QCOMPARE(styleAt(view, lineStart(view, line) + 1), int(HexStyle::Length));
        }
        const int bad = 0x2700 / 32 + 1;
        view->goToLine(bad);
        view->viewport()->repaint();
        QCOMPARE(styleAt(view, lineStart(view, bad) + 73), int(HexStyle::BadChecksum));
        QCOMPARE(styleAt(view, lineStart(view, bad + 1) + 73), int(HexStyle::Checksum));

        Form1 *plain =
            m_frame->openDocument(QStringLiteral(" :00000001FF"), QStringLiteral("p.txt"), true);
        QVERIFY(!plain->Txt()->isRecordText());

        // S-records are coloured as well, their type digit as a type.
        Form1 *srec = m_frame->openDocument(
            QStringLiteral("S00600004844521B\r\nS107100001020304DF\r\nS9030000FC\r\n"),
            QStringLiteral("s.s19"), true);
        view = srec->Txt();
        QVERIFY(view->isRecordText());
        view->viewport()->repaint();
        const char expected[] = {HexStyle::Mark, HexStyle::Type, HexStyle::Length,
                                 HexStyle::Length, HexStyle::Address};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(styleAt(view, lineStart(view, 2) + i), int(expected[i]));
        QCOMPARE(styleAt(view, lineStart(view, 2) + 8), int(HexStyle::Data));
        QCOMPARE(styleAt(view, lineStart(view, 2) + 16), int(HexStyle::BadChecksum));
        QCOMPARE(styleAt(view, lineStart(view, 3) + 8), int(HexStyle::Checksum));
    }

    void findWrapsAndSaysWhenThereIsNothing()
    {
        Form1 *window = m_frame->openDocument(QStringLiteral("alpha\r\nBeta\r\nalphabet\r\n"),
                                              QStringLiteral("f.txt"), true);
        DocumentView *view = window->Txt();
        ScriptedPrompts script;
        script.expectText(QStringLiteral("ALPHA"));
        m_frame->m_Find_Click();
        QCOMPARE(view->selectedPlainText(), QStringLiteral("alpha"));
        QCOMPARE(view->caretLine(), 1);
        m_frame->m_FindNext_Click();
        QCOMPARE(view->caretLine(), 3);
        m_frame->m_FindNext_Click(); // round to the first again
        QCOMPARE(view->caretLine(), 1);

        script.expectText(QStringLiteral("gamma"));
        script.expectMessage(QMessageBox::Ok);
        m_frame->m_Find_Click();
        QCOMPARE(script.texts(), QStringList{QStringLiteral("「gamma」が見つかりません")});
        QCOMPARE(script.asked().at(1).initialText, QStringLiteral("ALPHA"));
        // A cancelled question leaves the selection alone.
        script.expectText(std::nullopt);
        m_frame->m_Find_Click();
        QVERIFY(script.allAnswered());
        QCOMPARE(view->caretLine(), 1);
    }

    void goToLineMovesTheCaretAndTheStatusBarFollows()
    {
        Form1 *window = m_frame->openDocument(QStringLiteral("1\n22\n333\n4444\n"),
                                              QStringLiteral("g.txt"), true);
        auto *caret = m_frame->statusBar()->findChild<QLabel *>();
        QVERIFY(caret);
        QTRY_COMPARE(caret->text(), QStringLiteral("1 行、1 列"));
        ScriptedPrompts script;
        script.expectNumber(3);
        m_frame->m_Jump_Click();
        QCOMPARE(window->Txt()->caretLine(), 3);
        QCOMPARE(script.asked().constFirst().maximum, 5);
        QTest::keyClick(window->Txt(), Qt::Key_End);
        QTRY_COMPARE(caret->text(), QStringLiteral("3 行、4 列"));

        window->selectLine(2);
        QCOMPARE(window->Txt()->selectedPlainText(), QStringLiteral("22"));
    }

    // The view takes what is typed, but the menus' keys stay the frame's.
    void menuKeysWorkWhileTheTextHasTheFocus()
    {
        Form1 *window = m_frame->openDocument(QStringLiteral("1\n22\n333\n"),
                                              QStringLiteral("k.txt"), true);
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame));
        window->Txt()->setFocus();
        ScriptedPrompts script;
        script.expectNumber(2);
        script.expectText(std::nullopt);
        QTest::keyClick(window->Txt(), Qt::Key_G, Qt::ControlModifier);
        QTest::keyClick(window->Txt(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(script.allAnswered());
        QCOMPARE(window->Txt()->caretLine(), 2);
        QVERIFY(!window->Modified());
    }

    // Assistive technology reads the text, the caret and the selection in
    // UTF-16 offsets, as it does from Qt's own editors.
    void theTextIsReadableThroughAccessibility()
    {
        const QString text = QStringLiteral("メモリ 0000\r\n漢字 𠀋 end");
        Form1 *window = m_frame->openDocument(text, QStringLiteral("a.txt"), true);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(window->Txt());
        QVERIFY(accessible);
        QAccessibleTextInterface *reading = accessible->textInterface();
        QVERIFY(reading);
        QCOMPARE(reading->characterCount(), int(text.size()));
        QCOMPARE(reading->text(0, reading->characterCount()), text);
        QCOMPARE(reading->text(10, 12), QStringLiteral("漢字"));
        reading->setSelection(0, 13, 15);
        QCOMPARE(window->Txt()->selectedPlainText(), QStringLiteral("𠀋"));
        int start = 0, end = 0;
        reading->selection(0, &start, &end);
        QCOMPARE(start, 13);
        QCOMPARE(end, 15);
        QCOMPARE(reading->cursorPosition(), 15);
        QAccessibleInterface *titled = QAccessible::queryAccessibleInterface(window);
        QVERIFY(titled->text(QAccessible::Name).contains(QStringLiteral("a.txt")));
    }
};

QTEST_MAIN(DocumentViewTest)
#include "document_view_test.moc"
