#include "core/SettingsModel.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/WindowLayout.h"

#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

class WindowLayoutTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QPointer<FrmMDI> m_frame;

    QString file(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QFile out(path);
        if (out.open(QIODevice::WriteOnly))
            out.write(":00000001FF\r\n");
        return path;
    }

private slots:
    void init()
    {
        SettingsModel::program().setUp(m_dir.path());
        m_frame = new FrmMDI;
        m_frame->resize(900, 700);
        m_frame->show();
    }

    void cleanup()
    {
        for (QMdiSubWindow *window : m_frame->mdiArea()->subWindowList())
            ClearModified(qobject_cast<Form1 *>(window));
        m_frame->close();
        QTRY_VERIFY(m_frame.isNull());
    }

    void cascades_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("lastOffset");
        // Area 900 x 600, steps of 30: the size shrinks with the steps until
        // two thirds of the area, then the cascade starts over.
        QTest::newRow("one fills the area") << 1 << QSize(900, 600) << 0;
        QTest::newRow("three step twice") << 3 << QSize(840, 540) << 60;
        QTest::newRow("at two thirds") << 7 << QSize(720, 420) << 180;
        QTest::newRow("many wrap") << 20 << QSize(600, 400) << 30 * (19 % 7);
    }

    void cascades()
    {
        QFETCH(int, count);
        QFETCH(QSize, size);
        QFETCH(int, lastOffset);
        const QList<QRect> places = WindowLayout::cascade(QSize(900, 600), count, 30);
        QCOMPARE(places.size(), count);
        QCOMPARE(places.last(), QRect(QPoint(lastOffset, lastOffset), size));
        for (const QRect &place : places)
            QVERIFY(QRect(0, 0, 900, 600).contains(place));
    }

    void keptInside_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("kept");
        QTest::newRow("inside stays") << QRect(10, 10, 100, 100) << QRect(10, 10, 100, 100);
        QTest::newRow("past the right") << QRect(450, 20, 100, 100) << QRect(400, 20, 100, 100);
        QTest::newRow("past the bottom") << QRect(0, 350, 100, 100) << QRect(0, 300, 100, 100);
        QTest::newRow("above and left") << QRect(-5, -9, 100, 100) << QRect(0, 0, 100, 100);
        QTest::newRow("too large") << QRect(30, 30, 800, 100) << QRect(0, 30, 500, 100);
    }

    void keptInside()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, kept);
        QCOMPARE(WindowLayout::keptInside(window, QSize(500, 400)), kept);
    }

    void windowsOpenAndCascadeInsideTheFrame()
    {
        for (int i = 0; i < 8; ++i)
            m_frame->openDocument(QString(), QStringLiteral("w%1").arg(i), true);
        const QRect area = m_frame->mdiArea()->viewport()->rect();
        for (QMdiSubWindow *window : m_frame->mdiArea()->subWindowList())
            QVERIFY(area.contains(window->geometry()));
        m_frame->m_Wnd_Click(0);
        for (QMdiSubWindow *window : m_frame->mdiArea()->subWindowList()) {
            QVERIFY(area.contains(window->geometry()));
            QVERIFY(window->width() >= area.width() * 2 / 3);
        }
    }

    void openingAnOpenFileBringsItForward()
    {
        const QString first = file(QStringLiteral("a.hex"));
        m_frame->openFileAsDocument(first);
        Form1 *window = m_frame->activeDocument();
        m_frame->openFileAsDocument(file(QStringLiteral("b.hex")));
        // Another name for the same file.
        m_frame->openFileAsDocument(m_dir.path() + QStringLiteral("/./a.hex"));
        QCOMPARE(m_frame->activeDocument(), window);
        QCOMPARE(m_frame->mdiArea()->subWindowList().size(), 2);
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
