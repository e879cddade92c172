#include "support/test_files.h"

#include "settings/FramePlacement.h"
#include "core/SettingsModel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

Q_DECLARE_METATYPE(PlacementBlock)

class TestFramePlacement : public QObject {
    Q_OBJECT

private slots:
    void init();
    void blockHasTheStoredLayout();
    void storedBlockNeverRestoresMinimizedOrShown_data();
    void storedBlockNeverRestoresMinimizedOrShown();
    void roundTripsThroughTheFile();
    void ignoresDamagedEntries_data();
    void ignoresDamagedEntries();
    void refusesUnusableRectangles_data();
    void refusesUnusableRectangles();
    void keepsWindowOnAScreen();
    void frameReopensAtItsNormalRectangle();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    SettingsModel m_settings;
};

namespace {

PlacementBlock withRect(qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    PlacementBlock block;
    block.left = left;
    block.top = top;
    block.right = right;
    block.bottom = bottom;
    return block;
}

} // namespace

void TestFramePlacement::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_settings = SettingsModel();
    m_settings.setUp(m_dir->path());
}

void TestFramePlacement::blockHasTheStoredLayout()
{
    PlacementBlock block = withRect(-8, 16, 0x01020304, -2);
    block.flags = 1;
    block.minX = -32000;
    const QByteArray bytes = block.toBytes();
    QCOMPARE(bytes.size(), 44);
    QCOMPARE(bytes.left(16).toHex(), QByteArray("2c00000001000000000000000083ffff"));
    QCOMPARE(bytes.mid(28).toHex(), QByteArray("f8ffffff1000000004030201feffffff"));
    QCOMPARE(PlacementBlock::fromBytes(bytes)->toBytes(), bytes);
    QVERIFY(!PlacementBlock::fromBytes(bytes.left(40)));
}

void TestFramePlacement::storedBlockNeverRestoresMinimizedOrShown_data()
{
    QTest::addColumn<int>("states");
    QTest::addColumn<quint32>("flags");
    QTest::newRow("normal") << int(Qt::WindowNoState) << 0u;
    QTest::newRow("maximised") << int(Qt::WindowMaximized) << 0u;
    QTest::newRow("minimised") << int(Qt::WindowMinimized) << 0u;
    QTest::newRow("minimised from maximised")
        << int(Qt::WindowMinimized | Qt::WindowMaximized) << PlacementBlock::SetMinPosition;
}

void TestFramePlacement::storedBlockNeverRestoresMinimizedOrShown()
{
    QFETCH(int, states);
    QFETCH(quint32, flags);
    const QRect normal(10, 20, 300, 200);
    const PlacementBlock stored =
        PlacementBlock::fromWindowState(normal, Qt::WindowStates(states)).forStorage();
    QCOMPARE(stored.flags, flags);
    QCOMPARE(stored.showState, PlacementBlock::Hide);
    QCOMPARE(stored.normalRect(), normal);
}

void TestFramePlacement::roundTripsThroughTheFile()
{
    QVERIFY(!m_settings.restoreStep());
    PlacementBlock block = withRect(50, 60, 850, 660);
    block.flags = PlacementBlock::RestoreToMaximized;
    block.showState = PlacementBlock::ShowMaximized;
    QVERIFY(m_settings.saveStep(block));

    SettingsModel next;
    next.setUp(m_dir->path());
    const auto restored = next.restoreStep();
    QVERIFY(restored);
    QCOMPARE(restored->toBytes(), block.forStorage().toBytes());

    const QByteArray shorter(PlacementBlock::Size - 4, '\x11');
    QVERIFY(next.store().SetStruct(shorter.constData(), shorter.size(), QStringLiteral("MDISize")));
    QVERIFY(!next.restoreStep());
}

void TestFramePlacement::ignoresDamagedEntries_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<QByteArray>("replacement");
    QTest::newRow("digit changed") << 20 << QByteArray("7");
    QTest::newRow("check byte changed") << -1 << QByteArray("0");
    QTest::newRow("digit dropped") << 20 << QByteArray();
    QTest::newRow("not hex") << 30 << QByteArray("Z");
    QTest::newRow("emptied") << 0 << QByteArray();
}

void TestFramePlacement::ignoresDamagedEntries()
{
    QFETCH(int, cut);
    QFETCH(QByteArray, replacement);
    QVERIFY(m_settings.saveStep(withRect(50, 60, 850, 660)));
    const QString path = m_settings.store().Path();
    QByteArray file = readBytes(path);
    // The block of withRect(50, 60, 850, 660) ends in the check byte 75.
    const qsizetype digits = file.indexOf("MDISize=") + 8;
    const qsizetype position = cut >= 0 ? digits + cut : digits + 89;
    file.replace(position, cut == 0 ? 90 : 1, replacement);
    writeBytes(path, file);
    QVERIFY(!m_settings.restoreStep());
}

void TestFramePlacement::refusesUnusableRectangles_data()
{
    QTest::addColumn<PlacementBlock>("block");
    QTest::newRow("empty") << withRect(10, 10, 10, 300);
    QTest::newRow("inverted") << withRect(500, 10, 100, 300);
    QTest::newRow("overflowing width") << withRect(-2147483647 - 1, 0, 2147483647, 100);
    QTest::newRow("coordinates out of range") << withRect(2000000000, 0, 2000000100, 100);
}

void TestFramePlacement::refusesUnusableRectangles()
{
    QFETCH(PlacementBlock, block);
    QVERIFY(!block.normalRect());
    QWidget frame;
    frame.setGeometry(1, 2, 300, 200);
    FramePlacement::apply(block, frame);
    QCOMPARE(frame.geometry(), QRect(1, 2, 300, 200));
}

void TestFramePlacement::keepsWindowOnAScreen()
{
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QRect onSecond(2500, 100, 400, 300);
    QCOMPARE(PlacementBlock::keptOnScreen(onSecond, screens), onSecond);
    QCOMPARE(PlacementBlock::keptOnScreen(QRect(4000, -900, 400, 300), screens),
             QRect(0, 0, 400, 300));
    QCOMPARE(PlacementBlock::keptOnScreen(QRect(-5000, 0, 3000, 2000), screens),
             QRect(0, 0, 1920, 1080));
}

void TestFramePlacement::frameReopensAtItsNormalRectangle()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect normal(screen.x() + 40, screen.y() + 30, screen.width() / 2, screen.height() / 2);
    {
        QWidget frame;
        frame.setGeometry(normal);
        frame.show();
        frame.showMaximized();
        QCOMPARE(FramePlacement::capture(frame).normalRect(), normal);
        FramePlacement::save(m_settings, frame);
    }
    SettingsModel nextRun;
    nextRun.setUp(m_dir->path());
    QWidget frame;
    FramePlacement::restore(nextRun, frame);
    QVERIFY(!frame.isVisible());
    QCOMPARE(frame.geometry(), normal);
    QCOMPARE(frame.windowState(), Qt::WindowNoState);
}

QTEST_MAIN(TestFramePlacement)
#include "frame_placement_test.moc"
