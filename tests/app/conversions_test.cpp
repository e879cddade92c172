// The four conversions end to end: real files, the real library, scripted
// answers for the dialogs.
#include "convert/Conversions.h"
#include "convert/Form2.h"
#include "convert/Progress.h"
#include "core/LocalPath.h"
#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/FileRoutines.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kTwoRecords = QStringLiteral(":0400000001020304F2\r\n:00000001FF\r\n");

// Presses Cmd as soon as the conversion first lets events run.
void cancelAtFirstPump()
{
    QTimer::singleShot(0, [] {
        if (Form2 *window = progressWindow())
            window->Cmd()->click();
    });
}

// Presses Cmd when the result's window first shows, while the rest of the
// result is still being placed in it.
class CancelWhenShown : public QObject {
public:
    CancelWhenShown() { qApp->installEventFilter(this); }
    ~CancelWhenShown() override { qApp->removeEventFilter(this); }
    bool pressed = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<Form1 *>(watched) && !pressed) {
            if (Form2 *window = progressWindow()) {
                window->Cmd()->click();
                pressed = true;
            }
        }
        return false;
    }
};

} // namespace

class ConversionsTest : public QObject, protected FrameFixture {
    Q_OBJECT

private:
    void useSettings(const std::function<void(DumpSettings &)> &change)
    {
        DumpSettings settings;
        change(settings);
        SettingsModel::program().setDumpSettings(settings);
    }

private slots:
    void init()
    {
        openFrame();
        useSettings([](DumpSettings &) {});
    }

    void cleanup()
    {
        closeFrame();
        QVERIFY(!progressWindow());
    }

    void hexToBinaryWithDefaultsAndWithARange()
    {
        Form1 *source = openText(kTwoRecords, QStringLiteral("rom.hex"));
        ScriptedPrompts script;
        script.expectSave(path("rom.bin"));
        QVERIFY(m_frame->convertHexToBinary(source));
        QCOMPARE(script.asked().constFirst().initialPath, path("rom.bin"));
        QCOMPARE(readBytes(path("rom.bin")), QByteArray("\x01\x02\x03\x04"));

        useSettings([](DumpSettings &s) {
            s.AutoAddress = QStringLiteral("0");
            s.EndAddress = QStringLiteral("7");
        });
        script.expectSave(path("range.bin"));
        QVERIFY(m_frame->convertHexToBinary(source));
        QCOMPARE(readBytes(path("range.bin")), QByteArray("\x01\x02\x03\x04\xFF\xFF\xFF\xFF"));
    }

    void hexToBinaryFailuresAreReported_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("message");
        QTest::newRow("end below start")
            << kTwoRecords << "100"
            << "50"
            << "アドレス範囲が逆です: 100 (ｽﾀｰﾄｱﾄﾞﾚｽ) が 50 (ｴﾝﾄﾞｱﾄﾞﾚｽ) より後ろにあります";
        QTest::newRow("bad checksum")
            << ":0400000001020304F2\r\n:0400000001020304F3\r\n:00000001FF\r\n"
            << ""
            << ""
            << "ﾁｪｯｸｻﾑ値が異常です\n(2 行目)";
        QTest::newRow("bad setting")
            << kTwoRecords << "1G"
            << "50"
            << "ダンプ設定の値が正しくありません: ｽﾀｰﾄｱﾄﾞﾚｽ (StartAddress)";
    }

    void hexToBinaryFailuresAreReported()
    {
        QFETCH(QString, text);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, message);
        useSettings([&](DumpSettings &s) {
            if (!start.isEmpty()) {
                s.AutoAddress = QStringLiteral("0");
                s.StartAddress = start;
                s.EndAddress = end;
            }
        });
        Form1 *source = openText(text, QStringLiteral("bad.hex"));
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        QVERIFY(!m_frame->convertHexToBinary(source));
        QCOMPARE(script.texts(), QStringList{message});
        QVERIFY(!QFile::exists(path("bad.bin")));
    }

    void recordErrorsSelectTheirLine_data()
    {
        QTest::addColumn<bool>("toDump");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("selected");
        const QString good = QStringLiteral(":0400000001020304F2");
        const QString bad = QStringLiteral(":0400000001020304F3");
        const QString end = QStringLiteral(":00000001FF");
        const QString sum = QStringLiteral("ﾁｪｯｸｻﾑ値が異常です\n(3 行目)");
        QTest::newRow("checksum, CR LF")
            << false << good + "\r\n" + good + "\r\n" + bad + "\r\n" + end << sum << 3 << bad;
        QTest::newRow("checksum, CR, to dump")
            << true << good + "\r\r" + bad + "\r" + end << sum << 3 << bad;
        QTest::newRow("checksum, LF CR shown as two lines")
            << false << good + "\n\r" + bad + "\n\r" + end << sum << 3 << bad;
        QTest::newRow("text between records")
            << true << good + "\n\n; note\n" + end << "ｲﾝﾃﾙﾍｷｻ形式ではありません\n(3 行目)" << 3
            << "; note";
        QTest::newRow("text after a checksum")
            << false << good + "\r\n" + good + " ;\r\n" + end
            << "ｲﾝﾃﾙﾍｷｻ形式ではありません\n(2 行目)" << 2 << good + " ;";
        QTest::newRow("no end record")
            << false << good + "\r\n" + good + "\r\n"
            << "ｲﾝﾃﾙﾍｷｻ形式ではありません\n(3 行目: ｴﾝﾄﾞﾚｺｰﾄﾞがありません)" << 3 << QString();
        QTest::newRow("empty document")
            << false << QString() << "ｲﾝﾃﾙﾍｷｻ形式ではありません\n(1 行目: ｴﾝﾄﾞﾚｺｰﾄﾞがありません)"
            << 1 << QString();
        QTest::newRow("no end record, last line open")
            << true << good + "\n" + good
            << "ｲﾝﾃﾙﾍｷｻ形式ではありません\n(3 行目: ｴﾝﾄﾞﾚｺｰﾄﾞがありません)" << 2 << good;
    }

    // The message names the line and, once it is closed, the document
    // window shows the line selected; past the last line, the last.
    void recordErrorsSelectTheirLine()
    {
        QFETCH(bool, toDump);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, line);
        QFETCH(QString, selected);
        Form1 *source = openText(text, QStringLiteral("bad.hex"));
        openText(kTwoRecords, QStringLiteral("other.hex"));
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        QVERIFY(
            !(toDump ? m_frame->convertHexToDump(source) : m_frame->convertHexToBinary(source)));
        QCOMPARE(script.texts(), QStringList{message});
        QCOMPARE(m_frame->mdiArea()->activeSubWindow(), source);
        QCOMPARE(source->Txt()->caretLine(), line);
        QCOMPARE(source->Txt()->selectedPlainText(), selected);
    }

    // Records that overwrite other bytes give today's image, and the user
    // hears once, after the result, where.
    void overlappingRecordsAreNamedAfterTheResult()
    {
        Form1 *source = openText(QStringLiteral(":0400000001020304F2\r\n:020002000909EA\r\n"
                                                ":00000001FF\r\n"),
                                 QStringLiteral("over.hex"));
        ScriptedPrompts script;
        script.expectSave(path("over.bin"));
        script.expectMessage(QMessageBox::Ok);
        QVERIFY(m_frame->convertHexToBinary(source));
        QCOMPARE(readBytes(path("over.bin")), QByteArray("\x01\x02\x09\x09"));
        QCOMPARE(script.texts().size(), 1);
        QVERIFY2(script.texts().constFirst().contains(
                     QStringLiteral("00000002 - 00000003: 2 行目 (1 行目と違います)")),
                 qPrintable(script.texts().constFirst()));
    }

    // Two files joined end to end: the image is the first file's, as every
    // peer reads it, and the user hears where the second one begins.
    void textAfterTheEndRecordIsNamedAfterTheResult()
    {
        Form1 *source = openText(kTwoRecords + QStringLiteral(":0400100011121314A2\r\n"
                                                              ":00000001FF\r\n"),
                                 QStringLiteral("joined.hex"));
        ScriptedPrompts script;
        script.expectSave(path("joined.bin"));
        script.expectMessage(QMessageBox::Ok);
        QVERIFY(m_frame->convertHexToBinary(source));
        QCOMPARE(readBytes(path("joined.bin")), QByteArray("\x01\x02\x03\x04"));
        QCOMPARE(script.texts(),
                 QStringList(QStringLiteral("joined.hex:3: 警告: ｴﾝﾄﾞﾚｺｰﾄﾞの後に行があります。"
                                            "読まずに捨てました")));
    }

    void lowerCaseHexConverts()
    {
        Form1 *source = openText(QStringLiteral(":04000000ea59335c2a\r\n:00000001ff\r\n"),
                                 QStringLiteral("lc.hex"));
        ScriptedPrompts script;
        script.expectSave(path("lc.bin"));
        QVERIFY(m_frame->convertHexToBinary(source));
        QCOMPARE(readBytes(path("lc.bin")), QByteArray("\xEA\x59\x33\x5C"));
    }

    // Data beyond the first guess of the image (given end 0 is "up to the
    // last data") no longer fail for lack of room.
    void imagesGrowPastTheFirstGuess()
    {
        useSettings([](DumpSettings &s) {
            s.AutoAddress = QStringLiteral("0");
            s.Scope = QStringLiteral("1");
        });
        Form1 *source = openText(QStringLiteral(":01040000AA51\r\n:00000001FF\r\n"), "grow.hex");
        ScriptedPrompts script;
        script.expectSave(path("grow.bin"));
        QVERIFY(m_frame->convertHexToBinary(source));
        const QByteArray image = readBytes(path("grow.bin"));
        QCOMPARE(image.size(), 0x401);
        QCOMPARE(image.back(), '\xAA');
        QVERIFY(script.texts().isEmpty());
    }

    // An automatic image above 64 MiB asks first, naming its size and the
    // data's addresses, so that the user can set a range instead.
    void largeAutomaticImagesAskFirst()
    {
        Form1 *source = openText(QStringLiteral(":020000040400F6\r\n:0400000001020304F2\r\n"
                                                ":00000001FF\r\n"),
                                 "high.hex");
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::No);
        QVERIFY(!m_frame->convertHexToBinary(source));
        QCOMPARE(script.asked().size(), 1);
        const AskedPrompt &question = script.asked().constFirst();
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::Apply | QMessageBox::No);
        QVERIFY2(question.text.contains(u"67108868") && question.text.contains(u"04000000")
                     && question.text.contains(u"04000003"),
                 qPrintable(question.text));
        QVERIFY(!progressWindow());

        script.clearAsked();
        script.expectMessage(QMessageBox::Yes);
        script.expectSave(path("high.bin"));
        QVERIFY(m_frame->convertHexToBinary(source));
        const QByteArray image = readBytes(path("high.bin"));
        QCOMPARE(image.size(), 0x04000004);
        QCOMPARE(image.right(4), QByteArray("\x01\x02\x03\x04"));
        QFile::remove(path("high.bin"));

        // The third answer makes this one image from the data, as
        // --from-lowest does, and the next asks again.
        const DumpSettings before = SettingsModel::program().dumpSettings();
        script.expectMessage(QMessageBox::Apply);
        script.expectSave(path("high.bin"));
        QVERIFY(m_frame->convertHexToBinary(source));
        QCOMPARE(readBytes(path("high.bin")), QByteArray("\x01\x02\x03\x04"));
        const DumpSettings after = SettingsModel::program().dumpSettings();
        QCOMPARE(after.AutoAddress, before.AutoAddress);
        QCOMPARE(after.StartAddress, before.StartAddress);
        QCOMPARE(after.EndAddress, before.EndAddress);
        script.expectMessage(QMessageBox::No);
        QVERIFY(!m_frame->convertHexToBinary(source));
        QVERIFY(script.allAnswered());
    }

    // Both HEX conversions ask before a large window, and Enter takes the
    // answer that makes the small result: from the lowest data address, as
    // the range of the data given in the settings makes it.
    void largeWindowsDefaultToTheLowestAddress_data()
    {
        QTest::addColumn<bool>("toDump");
        QTest::addColumn<int>("answer"); // NoButton: Enter
        QTest::addColumn<QString>("asks");
        const int enter = QMessageBox::NoButton, no = QMessageBox::No;
        QTest::newRow("to binary, Enter") << false << enter << "バイナリは 134217732 バイト";
        QTest::newRow("to dump, Enter") << true << enter << "ダンプは 134217732 バイト";
        QTest::newRow("to dump, いいえ") << true << no << "ダンプは 134217732 バイト";
    }

    void largeWindowsDefaultToTheLowestAddress()
    {
        QFETCH(bool, toDump);
        QFETCH(int, answer);
        QFETCH(QString, asks);
        const QString flash = QStringLiteral(":020000040800F2\r\n:0400000001020304F2\r\n"
                                             ":00000001FF\r\n");
        Form1 *source = openText(flash, "flash.hex");
        auto convert = [&] {
            return toDump ? m_frame->convertHexToDump(source) : m_frame->convertHexToBinary(source);
        };
        ScriptedPrompts script;
        if (answer == QMessageBox::NoButton)
            script.expectDefault();
        else
            script.expectMessage(QMessageBox::StandardButton(answer));
        const bool made = answer != QMessageBox::No;
        if (made && !toDump)
            script.expectSave(path("flash.bin"));
        const int documents = Form1::DocumentCount();
        QCOMPARE(convert(), made);
        QVERIFY(script.allAnswered());
        const AskedPrompt question = script.asked().constFirst();
        QVERIFY2(question.text.startsWith(asks)
                     && question.text.contains(u"08000000 から 08000003"),
                 qPrintable(question.text));
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::Apply | QMessageBox::No);
        QCOMPARE(question.defaultButton, QMessageBox::Apply);
        QCOMPARE(question.labels.value(0).first, QMessageBox::Apply);
        QCOMPARE(question.labels.value(0).second, QStringLiteral("最下位ｱﾄﾞﾚｽから(&L) (1 KiB)"));
        QCOMPARE(Form1::DocumentCount(), documents + (made && toDump ? 1 : 0));
        if (!made)
            return;
        if (!toDump) {
            QCOMPARE(readBytes(path("flash.bin")), QByteArray("\x01\x02\x03\x04"));
            QFile::remove(path("flash.bin"));
            return;
        }
        const QString dump = newestText();
        useSettings([](DumpSettings &s) {
            s.AutoAddress = QStringLiteral("0");
            s.StartAddress = QStringLiteral("08000000");
        });
        QVERIFY(m_frame->convertHexToDump(source));
        QCOMPARE(dump, newestText());
        QVERIFY2(dump.count(u'\n') < 20, qPrintable(dump));
    }

    // The real question box, answered with Enter, makes F5's dump from the
    // lowest data address.
    void enterInTheQuestionBoxDumpsFromTheLowestAddress()
    {
        Form1 *source = openText(QStringLiteral(":020000040800F2\r\n:0400000001020304F2\r\n"
                                                ":00000001FF\r\n"),
                                 "flash.hex");
        QString pressed;
        QObject scope;
        std::function<void()> pressEnter = [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) {
                QTimer::singleShot(10, &scope, pressEnter);
                return;
            }
            pressed = box->defaultButton() ? box->defaultButton()->text() : QString();
            QTest::keyClick(box, Qt::Key_Return);
        };
        QTimer::singleShot(0, &scope, pressEnter);
        QVERIFY(m_frame->convertHexToDump(source));
        QCOMPARE(pressed, QStringLiteral("最下位ｱﾄﾞﾚｽから(&L) (1 KiB)"));
        QVERIFY2(newestText().contains(u"\n    08000000  01 02 03 04 "), qPrintable(newestText()));
        QVERIFY2(newestText().count(u'\n') < 20, qPrintable(newestText()));
    }

    // A range that holds no byte of the file says so instead of making an
    // output of nothing but fill.
    void rangesBeyondTheFileAreRefused()
    {
        writeBytes(path("small.bin"), QByteArray(16, 'x'));
        useSettings([](DumpSettings &s) {
            s.AutoAddress = QStringLiteral("0");
            s.StartAddress = QStringLiteral("1000");
            s.EndAddress = QStringLiteral("10FF");
        });
        const QString said = QStringLiteral(
            "アドレス範囲 1000 - 10FF にはデータがありません (データは 16 バイトです)");
        ScriptedPrompts script;
        script.expectOpen(path("small.bin"));
        script.expectMessage(QMessageBox::Ok);
        QVERIFY(!m_frame->convertBinaryToHex());
        script.expectOpen(path("small.bin"));
        script.expectMessage(QMessageBox::Ok);
        QVERIFY(!m_frame->convertBinaryToDump());
        QCOMPARE(script.texts(), (QStringList{said, said}));
        QCOMPARE(Form1::DocumentCount(), 0);
    }

    void cancelStopsEveryConversion()
    {
        Form1 *source = openText(kTwoRecords, QStringLiteral("c.hex"));
        writeBytes(path("c.bin"), QByteArray(100, 'x'));
        ScriptedPrompts script;
        for (int i = 0; i < 4; ++i) {
            if (i >= 2)
                script.expectOpen(path("c.bin"));
            script.expectMessage(QMessageBox::Ok);
            cancelAtFirstPump();
            const bool converted = i == 0   ? m_frame->convertHexToBinary(source)
                                   : i == 1 ? m_frame->convertHexToDump(source)
                                   : i == 2 ? m_frame->convertBinaryToHex()
                                            : m_frame->convertBinaryToDump();
            QVERIFY(!converted);
            QVERIFY(!progressWindow());
        }
        QVERIFY(script.allAnswered());
        QCOMPARE(script.texts(), QStringList(4, QStringLiteral("中止しました")));
        QCOMPARE(Form1::DocumentCount(), 1);
    }

    // A result too large to place at once is placed while Cmd stays live:
    // pressing it then stops the conversion and leaves no window behind.
    void cancelWhilePlacingALargeResultLeavesNoWindow()
    {
        QByteArray image(256 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < image.size(); ++i)
            image[i] = char(i * 7);
        writeBytes(path("big.bin"), image);
        ScriptedPrompts script;
        script.expectOpen(path("big.bin"));
        QVERIFY(m_frame->convertBinaryToHex());
        Form1 *source = m_frame->activeDocument();
        QVERIFY(source->documentBytes().size() > 512 * 1024);
        for (int i = 0; i < 3; ++i) {
            if (i < 2)
                script.expectOpen(path("big.bin"));
            script.expectMessage(QMessageBox::Ok);
            CancelWhenShown cancel;
            const bool converted = i == 0   ? m_frame->convertBinaryToHex()
                                   : i == 1 ? m_frame->convertBinaryToDump()
                                            : m_frame->convertHexToDump(source);
            QVERIFY(cancel.pressed);
            QVERIFY(!converted);
            QVERIFY(!progressWindow());
            QCOMPARE(Form1::DocumentCount(), 1);
        }
        QVERIFY(script.allAnswered());
        QCOMPARE(script.texts(), QStringList(3, QStringLiteral("中止しました")));
    }

    void binaryToHexOfSmallAndEmptyFiles()
    {
        writeBytes(path("fw.bin"), QByteArray("\x01\x02\x03"));
        writeBytes(path("empty"), QByteArray());
        ScriptedPrompts script;
        script.expectOpen(path("fw.bin"));
        QVERIFY(m_frame->convertBinaryToHex());
        QCOMPARE(newestText(), QStringLiteral(":03000000010203F7\r\n:00000001FF\r\n"));
        QCOMPARE(newestCaption(), path("fw.hex") + Form1::UnsavedMarker);
        QCOMPARE(script.asked().constFirst().filters.value(script.asked().constFirst().selectedFilter),
                 QStringLiteral("全てのﾌｧｲﾙ(*.*)"));

        script.expectOpen(path("empty"));
        QVERIFY(m_frame->convertBinaryToHex());
        QCOMPARE(newestText(), QStringLiteral(":00000001FF\r\n"));
        QCOMPARE(newestCaption(), path("empty.hex") + Form1::UnsavedMarker);

        useSettings([](DumpSettings &s) {
            s.AutoAddress = QStringLiteral("0");
            s.EndAddress = QStringLiteral("5");
            s.NewLine = 2;
        });
        script.expectOpen(path("fw.bin"));
        QVERIFY(m_frame->convertBinaryToHex());
        QCOMPARE(newestText(), QStringLiteral(":06000000010203FFFFFFF7\n:00000001FF\n"));
    }

    void binaryToDumpReports()
    {
        writeBytes(path("a.bin"), QByteArray("\x01\x02\x03\x04"));
        const QString header = QStringLiteral("                             Vantrel\r\n"
                                              "                                    Version 2.01\r\n"
                                              "\r\n"
                                              "        FileName :  a.bin\r\n"
                                              "        Address  :  0 - 3\r\n"
                                              "        CheckSum :  0000000A\r\n"
                                              "\r\n");
        useSettings([](DumpSettings &s) { s.NoDump = 1; });
        ScriptedPrompts script;
        script.expectOpen(path("a.bin"));
        QVERIFY(m_frame->convertBinaryToDump());
        QCOMPARE(newestText(), header);
        QCOMPARE(newestCaption(), path("a.txt") + Form1::UnsavedMarker);

        useSettings([](DumpSettings &) {});
        script.expectOpen(path("a.bin"));
        QVERIFY(m_frame->convertBinaryToDump());
        const QStringList lines = newestText().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.mid(0, 7).join(QStringLiteral("\r\n")) + "\r\n", header);
        QVERIFY(lines.at(7).startsWith(QStringLiteral("     Address   0  1")));
        QCOMPARE(lines.at(9), QStringLiteral("    00000000  01 02 03 04") + QString(38, u' ')
                                  + QStringLiteral("....") + QString(12, u' '));

        useSettings([](DumpSettings &s) { s.NewLine = 1; });
        script.expectOpen(path("a.bin"));
        QVERIFY(m_frame->convertBinaryToDump());
        QVERIFY(!newestText().contains(u'\n'));
        QCOMPARE(newestText().count(u'\r'), 7 + 2 + 1);
    }

    // A name of code page 932 bytes (as disks from Windows hold them) is in
    // the report, which is code page 932, as those very bytes.
    void dumpReportHoldsTheNameAsItsBytes()
    {
        const QByteArray name("\x83\x65\x83\x58\x83\x67.bin");
        const QString file = path(LocalPath::decode(name));
        const int fd = ::open(LocalPath::encode(file).constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0 && ::write(fd, "\x01", 1) == 1 && ::close(fd) == 0);
        useSettings([](DumpSettings &s) { s.NoDump = 1; });
        ScriptedPrompts script;
        script.expectOpen(file);
        QVERIFY(m_frame->convertBinaryToDump());
        QVERIFY(
            m_frame->activeDocument()->documentBytes().contains("FileName :  " + name + "\r\n"));
    }

    void binaryToDumpChecksumOverARange()
    {
        writeBytes(path("a.bin"), QByteArray("\x01\x02\x03\x04"));
        useSettings([](DumpSettings &s) {
            s.AutoAddress = QStringLiteral("0");
            s.EndAddress = QStringLiteral("7");
            s.NoDump = 1;
        });
        ScriptedPrompts script;
        script.expectOpen(path("a.bin"));
        QVERIFY(m_frame->convertBinaryToDump());
        QVERIFY(newestText().contains(QStringLiteral("CheckSum :  00000406")));
        QVERIFY(newestText().contains(QStringLiteral("Address  :  0 - 7")));
    }

    void emptyBinaryGivesAHeaderOnlyReport()
    {
        writeBytes(path("none.bin"), QByteArray());
        ScriptedPrompts script;
        script.expectOpen(path("none.bin"));
        QVERIFY(m_frame->convertBinaryToDump());
        const QString text = newestText();
        QVERIFY(text.contains(QStringLiteral("Address  :  none\r\n")));
        QVERIFY(text.contains(QStringLiteral("CheckSum :  00000000")));
        QVERIFY(text.endsWith(QStringLiteral("  ----------------\r\n")));
    }

    void hexToDumpReports()
    {
        Form1 *source = openText(kTwoRecords, QStringLiteral("rom.hex"));
        useSettings([](DumpSettings &s) {
            s.AutoAddress = QStringLiteral("0");
            s.StartAddress = QStringLiteral("2");
            s.EndAddress = QStringLiteral("3");
        });
        ScriptedPrompts script;
        QVERIFY(m_frame->convertHexToDump(source));
        const QString text = newestText();
        QCOMPARE(newestCaption(), path("rom.txt") + Form1::UnsavedMarker);
        QVERIFY(text.contains(QStringLiteral("FileName :  rom.hex\r\n")));
        QVERIFY(text.contains(QStringLiteral("Address  :  2 - 3\r\n")));
        QVERIFY(text.contains(QStringLiteral("CheckSum :  00000007\r\n")));
        QVERIFY(text.contains(QStringLiteral("    00000000        03 04 ")));

        // Data high in the space: the blank bytes below it are summed too.
        Form1 *high = openText(QStringLiteral(":10100000000102030405060708090A0B0C0D0E0F68\r\n"
                                              ":00000001FF\r\n"),
                               QStringLiteral("high.hex"));
        // Scope x text length would not hold the run of blanks.
        useSettings([](DumpSettings &s) {
            s.NoDump = 1;
            s.Scope = QStringLiteral("100");
        });
        QVERIFY(m_frame->convertHexToDump(high));
        QVERIFY(newestText().contains(QStringLiteral("Address  :  0 - 100F\r\n")));
        QVERIFY(newestText().contains(QStringLiteral("CheckSum :  000FF078\r\n")));
        QVERIFY(script.asked().isEmpty());
    }

    void hexWithoutDataConvertsToEmptyResults()
    {
        Form1 *source = openText(QStringLiteral(":00000001FF\r\n"), QStringLiteral("end.hex"));
        ScriptedPrompts script;
        script.expectSave(path("end.bin"));
        QVERIFY(m_frame->convertHexToBinary(source));
        QVERIFY(QFile::exists(path("end.bin")));
        QCOMPARE(readBytes(path("end.bin")), QByteArray());
        QVERIFY(m_frame->convertHexToDump(source));
        QVERIFY(newestText().contains(QStringLiteral("Address  :  none\r\n")));
        QVERIFY(newestText().endsWith(QStringLiteral("  ----------------\r\n")));
    }
};

QTEST_MAIN(ConversionsTest)
#include "conversions_test.moc"
