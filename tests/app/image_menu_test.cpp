// The image menu offscreen: its commands, Cancel in the progress window
// stopping each job with no document left, and a refused merge naming
// both writers of the conflict by file and line.
#include "convert/Form2.h"
#include "convert/Progress.h"
#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/FileRoutines.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray kFirst = ":0400000001020304F2\r\n:00000001FF\r\n";
const QByteArray kSecond = ":0400000005060708E2\r\n:00000001FF\r\n";

} // namespace

class ImageMenuTest : public QObject, protected FrameFixture {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        writeBytes(path("a.hex"), kFirst);
        writeBytes(path("b.hex"), kSecond);
        writeBytes(path("c.bin"), QByteArray(100, 'x'));
    }

    void init()
    {
        openFrame();
        m_frame->openFileAsDocument(path("b.hex"));
        m_frame->openFileAsDocument(path("a.hex"));
    }

    void cleanup() { closeFrame(); }

    void menuFollowsSettings()
    {
        const QList<QAction *> menus = m_frame->menuBar()->actions();
        const qsizetype settings = menus.indexOf(m_frame->m_Set->menuAction());
        QCOMPARE(menus.value(settings + 1), m_frame->m_Image->menuAction());
        QCOMPARE(m_frame->m_Image->title(), QStringLiteral("イメージ(&I)"));
        for (QAction *item : {m_frame->m_ToSRec, m_frame->m_Merge, m_frame->m_InsertCrc,
                              m_frame->m_InsertSerial, m_frame->m_Compare, m_frame->m_BinToHexAt})
            QVERIFY2(item->text().contains(u'&'), qPrintable(item->text()));
    }

    // A form opens with what it was last given, for the next file.
    void formsOpenWithTheirLastAnswers()
    {
        ScriptedPrompts script;
        script.expectOpen(path("c.bin"));
        script.expectForm(FormAnswers{{"2000"}});
        script.expectOpen(path("c.bin"));
        script.expectForm(std::nullopt);
        QVERIFY(m_frame->binaryToHexAt());
        QVERIFY(!m_frame->binaryToHexAt());
        QVERIFY(script.allAnswered());
        QCOMPARE(script.asked().constLast().fields.value(0).initial, QStringLiteral("2000"));
        ClearModified(m_frame->activeDocument());
    }

    void cancelStopsEveryJob()
    {
        Form1 *source = m_frame->activeDocument();
        ScriptedPrompts script;
        const struct {
            std::function<void()> answer;
            std::function<bool()> run;
        } jobs[] = {
            {[] {}, [&] { return m_frame->convertToSRecords(source); }},
            {[&] {
                 script.expectForm(FormAnswers{{path("b.hex")}, {"last: 後のﾃﾞｰﾀを使う"}});
             },
             [&] { return m_frame->mergeWithFiles(source); }},
            {[&] {
                 script.expectForm(
                     FormAnswers{{"crc-32"}, {"100"}, {""}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}, {"FF"}});
             },
             [&] { return m_frame->insertCrc(source); }},
            {[&] {
                 script.expectForm(FormAnswers{{"100"}, {"1"}, {"4"}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}});
             },
             [&] { return m_frame->insertSerial(source); }},
            {[&] {
                 script.expectForm(FormAnswers{{"a.hex"}, {"b.hex"}, {""}});
             },
             [&] { return m_frame->compareWithOther(source); }},
            {[&] {
                 script.expectOpen(path("c.bin"));
                 script.expectForm(FormAnswers{{"1000"}});
             },
             [&] { return m_frame->binaryToHexAt(); }},
        };
        for (const auto &job : jobs) {
            job.answer();
            script.expectMessage(QMessageBox::Ok);
            QTimer::singleShot(0, [] {
                if (Form2 *window = progressWindow())
                    window->Cmd()->click();
            });
            QVERIFY(!job.run());
            QVERIFY(!progressWindow());
            QCOMPARE(Form1::DocumentCount(), 2);
        }
        QVERIFY(script.allAnswered());
        QCOMPARE(script.texts(), QStringList(6, QStringLiteral("中止しました")));
    }

    // Either side is any open document or a file; the second side opens on
    // the next document, and on a file once the document it named is closed.
    void compareOffersDocumentsAndFilesOnBothSides()
    {
        const QString file = QStringLiteral("ﾌｧｲﾙを選ぶ...");
        Form1 *source = m_frame->activeDocument();
        ScriptedPrompts script;
        script.expectForm(FormAnswers{{"a.hex"}, {"b.hex"}, {""}});
        QVERIFY(m_frame->compareWithOther(source));
        const QList<FormField> fields = script.asked().constFirst().fields;
        for (int side = 0; side < 2; ++side)
            QCOMPARE(fields[side].choices, (QStringList{"a.hex", "b.hex", file}));
        QCOMPARE(fields[0].initial, QStringLiteral("a.hex"));
        QCOMPARE(fields[1].initial, QStringLiteral("b.hex"));
        QVERIFY(newestText().startsWith(u"a.hex と b.hex: 違う 1 範囲 4 ﾊﾞｲﾄ, a.hex だけ 0 範囲 0 "
                                        u"ﾊﾞｲﾄ, b.hex だけ 0 範囲 0 ﾊﾞｲﾄ\n"));

        delete m_frame->documentOf(path("b.hex"));
        script.clearAsked();
        script.expectForm(std::nullopt);
        QVERIFY(!m_frame->compareWithOther(source));
        const QList<FormField> left = script.asked().constFirst().fields;
        QCOMPARE(left[1].choices, (QStringList{"a.hex", file}));
        QCOMPARE(left[1].initial, file);

        // A file first, then the document: the file's dialog names its side.
        script.clearAsked();
        script.expectForm(FormAnswers{{file}, {"a.hex"}, {""}});
        script.expectOpen(path("b.hex"));
        QVERIFY(m_frame->compareWithOther(source));
        QCOMPARE(script.asked().at(1).title, QStringLiteral("比較するﾌｧｲﾙ"));
        QVERIFY(newestText().startsWith(u"b.hex と a.hex: "));
        QCOMPARE(source->markedRanges().size(), std::size_t(1));
        QVERIFY(script.allAnswered());
    }

    void recordErrorShowsItsLine()
    {
        Form1 *bad = m_frame->openDocument(
            QStringLiteral(":0400000001020304F2\r\n:04000000010203\r\n:00000001FF\r\n"),
            path("bad.hex") + Form1::UnsavedMarker, true);
        m_frame->openFileAsDocument(path("a.hex"));
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        QVERIFY(!m_frame->convertToSRecords(bad));
        QVERIFY(script.texts().constFirst().contains(QStringLiteral("bad.hex:2: ")));
        QCOMPARE(m_frame->activeDocument(), bad);
        QCOMPARE(bad->Txt()->caretLine(), 2);
        ClearModified(bad);
    }

    // S-records joined end to end are read whole, as srec_cat reads them,
    // with a word naming the first record after the S9.
    void recordsAfterTheEndAreNamed()
    {
        Form1 *joined = m_frame->openDocument(
            QStringLiteral("S107000001020304EE\r\nS9030000FC\r\nS1070010111213149E\r\n"),
            path("joined.s19") + Form1::UnsavedMarker, true);
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        QVERIFY(m_frame->convertToSRecords(joined));
        QCOMPARE(script.texts(),
                 QStringList(QStringLiteral("joined.s19:3: 警告: 終了ﾚｺｰﾄﾞ (S7/S8/S9) の後に"
                                            "ﾚｺｰﾄﾞがあります。それも読みました")));
        QVERIFY(m_frame->activeDocument()->documentText().contains(
            QStringLiteral("S1070010111213149E")));
        ClearModified(m_frame->activeDocument());
        ClearModified(joined);
    }

    // A refused merge names both writers, and its form comes back with the
    // files and choices it had, for another try.
    void refusedMergeNamesBothWriters()
    {
        ScriptedPrompts script;
        script.expectForm(FormAnswers{{path("b.hex")}, {"error: 重なりを許さない"}});
        script.expectMessage(QMessageBox::Ok);
        script.expectForm(std::nullopt);
        QVERIFY(!m_frame->mergeWithFiles(m_frame->activeDocument()));
        QCOMPARE(script.texts(),
                 QStringList(QStringLiteral(
                     "結合できません。\nb.hex:1: 00000000-00000003 は a.hex:1 も書き込んでいます")));
        const QList<FormField> again = script.asked().constLast().fields;
        QCOMPARE(again.value(0).choices, QStringList{path("b.hex")});
        QCOMPARE(again.value(1).initial, QStringLiteral("error: 重なりを許さない"));
        QCOMPARE(Form1::DocumentCount(), 2);
    }
};

QTEST_MAIN(ImageMenuTest)
#include "image_menu_test.moc"
