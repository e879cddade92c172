#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "support/scripted_prompts.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kText = QStringLiteral(":020000040800F2\r\n"
                                     ":10000000000102030405060708090A0B0C0D0E0F78\r\n"
                                     ":020010001011CD\r\n"
                                     ":00000001FF\r\n");

} // namespace

class HexAddressesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QPointer<FrmMDI> m_frame;

    QString statusText() const
    {
        QString text;
        for (QLabel *label : m_frame->statusBar()->findChildren<QLabel *>())
            text += label->text();
        return text;
    }

private slots:
    void init()
    {
        SettingsModel::program().setUp(m_dir.path());
        m_frame = new FrmMDI;
        m_frame->show();
    }

    void cleanup()
    {
        for (QMdiSubWindow *window : m_frame->mdiArea()->subWindowList())
            ClearModified(qobject_cast<Form1 *>(window));
        m_frame->close();
        QTRY_VERIFY(m_frame.isNull());
    }

    void caretShowsItsAddress()
    {
        Form1 *window = m_frame->openDocument(kText, QStringLiteral("fw.hex"), true);
        QTRY_VERIFY(!window->addresses().records().empty());
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
        QTRY_VERIFY(!window->addresses().records().empty());
        ScriptedPrompts script;
        script.expectText(answer);
        if (line == 0)
            script.expectMessage(QMessageBox::Ok);
        m_frame->m_JumpAddress_Click();
        QVERIFY(script.allAnswered());
        if (line != 0)
            QCOMPARE(window->Txt()->caretLine(), line);
    }
};

QTEST_MAIN(HexAddressesTest)
#include "hex_addresses_test.moc"
