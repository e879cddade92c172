// The questions before a HEX conversion's saved range is made: a range of
// fill alone, and a large one, each answered both ways.
#include "convert/Conversions.h"
#include "convert/Progress.h"
#include "core/SettingsModel.h"
#include "shell/FileRoutines.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

#include <QMdiArea>
#include <QTest>

namespace {

const QString kFourBytes = QStringLiteral(":0400000001020304F2\r\n:00000001FF\r\n");
const QString kNoData = QStringLiteral(":00000001FF\r\n");

} // namespace

class RangeQuestionsTest : public QObject, protected FrameFixture {
    Q_OBJECT

private slots:
    void init() { openFrame(); }

    void cleanup()
    {
        closeFrame();
        QVERIFY(!progressWindow());
    }

    void rangesAskBeforeTheyAreMade_data()
    {
        QTest::addColumn<bool>("toDump");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("asked");
        const int none = QMessageBox::NoButton, yes = QMessageBox::Yes, no = QMessageBox::No;
        const QStringList fillAlone{"ﾃﾞｰﾀのない範囲です: 00000008 - 0000000F (8 バイト)",
                                    "データのアドレスは 00000000 から 00000003 までです"};
        QTest::newRow("fill alone, いいえ") << false << kFourBytes << "F" << no << fillAlone;
        QTest::newRow("fill alone, はい") << false << kFourBytes << "F" << yes << fillAlone;
        QTest::newRow("fill alone to dump, いいえ") << true << kFourBytes << "F" << no << fillAlone;
        QTest::newRow("fill alone to dump, はい") << true << kFourBytes << "F" << yes << fillAlone;
        QTest::newRow("a text without data")
            << false << kNoData << "F" << no
            << QStringList{"00000008 - 0000000F", "ファイルにデータがありません"};
        QTest::newRow("a range that holds data")
            << false << kFourBytes << "0" << none << QStringList();
        QTest::newRow("a large range, いいえ")
            << false << ":020000040400F6\r\n:0400040001020304EE\r\n:00000001FF\r\n"
            << "400000F" << no << QStringList{"67108872", "04000004 から 04000007"};
    }

    // いいえ makes nothing; はい makes the range as asked.
    void rangesAskBeforeTheyAreMade()
    {
        QFETCH(bool, toDump);
        QFETCH(QString, text);
        QFETCH(QString, end);
        QFETCH(int, answer);
        QFETCH(QStringList, asked);
        DumpSettings settings;
        settings.AutoAddress = QStringLiteral("0");
        settings.StartAddress = end == u"0" ? QStringLiteral("0") : QStringLiteral("8");
        settings.EndAddress = end;
        SettingsModel::program().setDumpSettings(settings);
        Form1 *source = openText(text, "rom.hex");
        ScriptedPrompts script;
        if (answer != QMessageBox::NoButton)
            script.expectMessage(QMessageBox::StandardButton(answer));
        const bool made = answer != QMessageBox::No;
        if (made && !toDump)
            script.expectSave(path("rom.bin"));
        QCOMPARE(toDump ? m_frame->convertHexToDump(source) : m_frame->convertHexToBinary(source),
                 made);
        QVERIFY(script.allAnswered());
        QCOMPARE(script.texts().size(), asked.isEmpty() ? 0 : 1);
        for (const QString &part : asked)
            QVERIFY2(script.texts().constFirst().contains(part),
                     qPrintable(script.texts().constFirst()));
        QCOMPARE(Form1::DocumentCount(), made && toDump ? 2 : 1);
        if (made && !toDump)
            QCOMPARE(readBytes(path("rom.bin")),
                     end == u"0" ? QByteArray("\x01\x02\x03\x04") : QByteArray(8, '\xFF'));
        QFile::remove(path("rom.bin"));
    }
};

QTEST_MAIN(RangeQuestionsTest)
#include "range_questions_test.moc"
