#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStatusBar>
#include <QTest>

namespace {

const QString kText = QStringLiteral(":020000040800F2\r\n"
                                     ":10000000000102030405060708090A0B0C0D0E0F78\r\n"
                                     ":020010001011CD\r\n"
                                     ":00000001FF\r\n");

// The same with "Hi" at 08000020, after a gap.
const QString kTextWithHi = QStringLiteral(":020000040800F2\r\n"
                                           ":10000000000102030405060708090A0B0C0D0E0F78\r\n"
                                           ":020010001011CD\r\n"
                                           ":0200200048692D\r\n"
                                           ":00000001FF\r\n");

// S-records of the same data, after a header: S3 records, as a 32-bit
// address needs.
const QString kSRecords = QStringLiteral("S00600004844521B\r\n"
                                         "S3150800000000010203040506070809"
                                         "0A0B0C0D0E0F6A\r\n"
                                         "S307080000101011BF\r\n"
                                         "S70508000000F2\r\n");

} // namespace

class HexAddressesTest : public QObject, protected FrameFixture {
    Q_OBJECT

    QString statusText() const
    {
        QString text;
        for (QLabel *label : m_frame->statusBar()->findChildren<QLabel *>())
            text += label->text();
        return text;
    }

private slots:
    void init() { openFrame(); }
    void cleanup() { closeFrame(); }

    void caretShowsItsAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("rights"); // from the line's start
        QTest::addColumn<QString>("address");
        QTest::newRow("HEX") << kText << 2 << 11 << "08000001";
        // An editor shows a line between each two records: the data record
        // is on line 3.
        QTest::newRow("HEX, LF CR") << QString(kText).replace(u"\r\n"_qs, u"\n\r"_qs) << 3 << 11
                                    << "08000001";
        QTest::newRow("S3 records") << kSRecords << 2 << 15 << "08000001";
        QTest::newRow("S3 records, the second") << kSRecords << 3 << 12 << "08000010";
    }

    void caretShowsItsAddress()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(int, rights);
        QFETCH(QString, address);
        Form1 *window = m_frame->openDocument(text, QStringLiteral("fw.hex"), true);
        QTRY_VERIFY(!window->addresses().empty());
        window->Txt()->goToLine(line);
        QTest::keyClick(window->Txt(), Qt::Key_End);
        QTest::keyClick(window->Txt(), Qt::Key_Home);
        for (int i = 0; i < rights; ++i)
            QTest::keyClick(window->Txt(), Qt::Key_Right);
        QTRY_VERIFY2(statusText().contains(address), qPrintable(statusText()));
        window->Txt()->goToLine(1);
        QTRY_VERIFY2(!statusText().contains(u"ｱﾄﾞﾚｽ"), qPrintable(statusText()));
    }

    void goToAddressFindsItsRecord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("line"); // 0: not found, told
        QTest::newRow("first record") << kText << "08000005" << 2;
        QTest::newRow("second record") << kText << "8000011" << 3;
        QTest::newRow("gap") << kText << "08000012" << 0;
        QTest::newRow("0x") << kText << "0x08000011" << 3;
        QTest::newRow("not hex") << kText << "xyz" << 0;
        QTest::newRow("LF CR") << QString(kText).replace(u"\r\n"_qs, u"\n\r"_qs) << "8000011"
                               << 5;
        QTest::newRow("S-records") << kSRecords << "08000011" << 3;
        QTest::newRow("S-records, a gap") << kSRecords << "08000012" << 0;
    }

    void goToAddressFindsItsRecord()
    {
        QFETCH(QString, text);
        QFETCH(QString, answer);
        QFETCH(int, line);
        Form1 *window = m_frame->openDocument(text, QStringLiteral("fw.hex"), true);
        QTRY_VERIFY(!window->addresses().empty());
        ScriptedPrompts script;
        script.expectText(answer);
        if (line == 0)
            script.expectMessage(QMessageBox::Ok);
        m_frame->m_JumpAddress_Click();
        QVERIFY(script.allAnswered());
        if (line != 0)
            QCOMPARE(window->Txt()->caretLine(), line);
    }

    // Each row finds twice in a row (F3 the second time): where each find
    // leaves the caret's line and what it selects; line 0 is "not found".
    void findLooksInTheData_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("nextLine");
        QTest::newRow("bytes across two records")
            << int(DataSearch::Bytes) << "0F 10" << 2 << "0F" << 2;
        QTest::newRow("half a byte")
            << int(DataSearch::Bytes) << "0" << 0 << "" << 0;
        QTest::newRow("characters") << int(DataSearch::Characters) << "Hi" << 4 << "4869" << 4;
        QTest::newRow("not across a gap") << int(DataSearch::Bytes) << "1148" << 0 << "" << 0;
        QTest::newRow("text, not data") << int(DataSearch::Text) << "0800" << 1 << "0800" << 1;
        QTest::newRow("bytes absent as data") << int(DataSearch::Bytes) << "0800" << 0 << "" << 0;
    }

    // Find selects the digits of S-record data as of HEX data.
    void findSelectsSRecordData()
    {
        Form1 *window = m_frame->openDocument(kSRecords, QStringLiteral("fw.s37"), true);
        QTRY_VERIFY(!window->addresses().empty());
        ScriptedPrompts script;
        script.expectFind(QStringLiteral("0F 10"), DataSearch::Bytes);
        m_frame->m_Find_Click();
        QVERIFY(script.allAnswered());
        QCOMPARE(window->Txt()->caretLine(), 2);
        QCOMPARE(window->Txt()->selectedPlainText(), QStringLiteral("0F"));
    }

    void findLooksInTheData()
    {
        QFETCH(int, target);
        QFETCH(QString, typed);
        QFETCH(int, line);
        QFETCH(QString, selected);
        QFETCH(int, nextLine);
        Form1 *window = m_frame->openDocument(kTextWithHi, QStringLiteral("fw.hex"), true);
        QTRY_VERIFY(!window->addresses().empty());
        window->Txt()->goToLine(3);
        ScriptedPrompts script;
        script.expectFind(typed, DataSearch::Target(target));
        if (line == 0)
            script.expectMessage(QMessageBox::Ok);
        m_frame->m_Find_Click();
        QVERIFY(script.allAnswered());
        if (line == 0)
            return;
        QCOMPARE(window->Txt()->caretLine(), line);
        QCOMPARE(window->Txt()->selectedPlainText(), selected);
        m_frame->m_FindNext_Click();
        QCOMPARE(window->Txt()->caretLine(), nextLine);
        QCOMPARE(window->Txt()->selectedPlainText(), selected);
    }
};

QTEST_MAIN(HexAddressesTest)
#include "hex_addresses_test.moc"
