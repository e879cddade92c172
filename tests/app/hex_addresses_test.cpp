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

    void caretShowsItsAddress()
    {
        Form1 *window = m_frame->openDocument(kText, QStringLiteral("fw.hex"), true);
        QTRY_VERIFY(!window->addresses().empty());
        window->Txt()->goToLine(2);
        QTest::keyClick(window->Txt(), Qt::Key_End);
        QTest::keyClick(window->Txt(), Qt::Key_Home);
        for (int i = 0; i < 11; ++i)
            QTest::keyClick(window->Txt(), Qt::Key_Right);
        QTRY_VERIFY2(statusText().contains(u"08000001"), qPrintable(statusText()));
        window->Txt()->goToLine(1);
        QTRY_VERIFY2(!statusText().contains(u"ｱﾄﾞﾚｽ"), qPrintable(statusText()));
    }

    void goToAddressFindsItsRecord_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("line"); // 0: not found, told
        QTest::newRow("first record") << "08000005" << 2;
        QTest::newRow("second record") << "8000011" << 3;
        QTest::newRow("gap") << "08000012" << 0;
        QTest::newRow("not hex") << "xyz" << 0;
    }

    void goToAddressFindsItsRecord()
    {
        QFETCH(QString, answer);
        QFETCH(int, line);
        Form1 *window = m_frame->openDocument(kText, QStringLiteral("fw.hex"), true);
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
