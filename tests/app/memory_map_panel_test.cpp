#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/MapPicture.h"
#include "shell/MemoryMapPanel.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"

#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>
#include <QXmlStreamReader>

#include <Qsci/qscicommandset.h>

namespace {

// Data at 08000000 (line 2) and 08004000 (line 3), the end on line 4.
const QString kFlash = QStringLiteral(":020000040800F2\r\n"
                                      ":10000000000102030405060708090A0B0C0D0E0F78\r\n"
                                      ":10400000000102030405060708090A0B0C0D0E0F38\r\n"
                                      ":00000001FF\r\n");
// The second record writes 0004-0007 again with other bytes.
const QString kOverlap = QStringLiteral(":10000000000102030405060708090A0B0C0D0E0F78\r\n"
                                        ":04000400FFFFFFFFFC\r\n"
                                        ":00000001FF\r\n");
const QString kSRecords = QStringLiteral("S1130000000102030405060708090A0B0C0D0E0F74\n"
                                         "S1130010000102030405060708090A0B0C0D0E0F64\n"
                                         "S9030000FC\n");
// A bad checksum on line 3.
const QString kBroken = QStringLiteral(":10000000000102030405060708090A0B0C0D0E0F78\r\n"
                                       ":10400000000102030405060708090A0B0C0D0E0F38\r\n"
                                       ":10500000000102030405060708090A0B0C0D0E0F00\r\n"
                                       ":00000001FF\r\n");

// Whether any pixel of `image` has about `colour`.
bool holds(const QImage &image, QColor colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

} // namespace

class MemoryMapPanelTest : public QObject, protected FrameFixture {
    Q_OBJECT

    Form1 *open(const QString &text)
    {
        Form1 *window = m_frame->openDocument(text, QStringLiteral("fw.hex"), true);
        window->resize(700, 500);
        QSignalSpy read(window, &Form1::addressesRead);
        if (!read.wait(5000))
            qFatal("the text was not read");
        return window;
    }

private slots:
    void init() { openFrame({1000, 700}); }
    void cleanup() { closeFrame(); }

    void segmentsAreAccessibleChildren_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("ranges");
        QTest::addColumn<QString>("nameHas");
        QTest::newRow("flash") << kFlash
                               << QStringList{"08000000-0800000F", "08004000-0800400F"}
                               << "セグメント 2 個";
        QTest::newRow("overlap") << kOverlap << QStringList{"00000000-0000000F"} << "重複 1";
        QTest::newRow("S-records") << kSRecords << QStringList{"00000000-0000001F"} << "メモリマップ";
        QTest::newRow("bad record") << kBroken
                                    << QStringList{"00000000-0000000F", "00004000-0000400F"}
                                    << "3 行目から先";
    }

    void segmentsAreAccessibleChildren()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, ranges);
        QFETCH(QString, nameHas);
        MemoryMapPanel *panel = open(text)->mapPanel();
        QVERIFY(panel->isVisible());
        QAccessibleInterface *map = QAccessible::queryAccessibleInterface(panel);
        QVERIFY(map);
        QVERIFY2(map->text(QAccessible::Name).contains(u"メモリマップ"), qPrintable(map->text(QAccessible::Name)));
        QVERIFY2(map->text(QAccessible::Name).contains(nameHas), qPrintable(map->text(QAccessible::Name)));
        QCOMPARE(map->childCount(), ranges.size());
        for (int i = 0; i < ranges.size(); ++i) {
            QAccessibleInterface *segment = map->child(i);
            QVERIFY(segment && segment->parent() == map);
            QVERIFY2(segment->text(QAccessible::Name).contains(ranges[i]),
                     qPrintable(segment->text(QAccessible::Name)));
            QCOMPARE(map->indexOfChild(segment), i);
            QVERIFY(!segment->rect().isEmpty());
            QCOMPARE(map->childAt(segment->rect().center().x(), segment->rect().center().y()),
                     segment);
        }
    }

    // What hovering says at the middle of each band, from the top.
    void tooltipsNameTheRange()
    {
        MemoryMapPanel *panel = open(kFlash)->mapPanel();
        const MapPicture picture(panel->map(), panel->markedRanges(), panel->size(), panel->font());
        QStringList said;
        for (std::size_t i = 0; i < picture.layout().bands().size(); ++i)
            said << picture.describeAt(picture.bandRect(i).center());
        QCOMPARE(said, (QStringList{
                           "ﾃﾞｰﾀなし 00000000-07FFFFFF (128 MiB) (縮めて表示)",
                           "ｾｸﾞﾒﾝﾄ 08000000-0800000F (16 ﾊﾞｲﾄ), 2 行目から",
                           "ﾃﾞｰﾀなし 08000010-08003FFF (16 KiB) (縮めて表示)",
                           "ｾｸﾞﾒﾝﾄ 08004000-0800400F (16 ﾊﾞｲﾄ), 3 行目から",
                           "ﾃﾞｰﾀなし 08004010-FFFFFFFF (3.9 GiB) (縮めて表示)"}));
    }

    // A comparison's marks show at any size of range and panel, and
    // hovering one names what it is, its range and its size.
    void marksShowAndNameTheirDifference_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<quint32>("low");
        QTest::addColumn<quint32>("high");
        QTest::addColumn<QString>("said");
        QTest::newRow("one byte, a tall panel")
            << 500 << 0x08000004u << 0x08000004u
            << "a.hex と b.hex で違う 08000004-08000004 (1 ﾊﾞｲﾄ)";
        QTest::newRow("one byte, a short panel")
            << 120 << 0x0800400Fu << 0x0800400Fu << "b.hex だけにある 0800400F-0800400F (1 ﾊﾞｲﾄ)";
        QTest::newRow("a whole segment")
            << 300 << 0x08004000u << 0x0800400Fu << "a.hex だけにある 08004000-0800400F (16 ﾊﾞｲﾄ)";
    }

    void marksShowAndNameTheirDifference()
    {
        QFETCH(int, height);
        QFETCH(quint32, low);
        QFETCH(quint32, high);
        QFETCH(QString, said);
        Form1 *window = open(kFlash);
        window->resize(700, height);
        window->setMarkedRanges({{{low, high}, said.section(u' ', 0, -4)}});
        MemoryMapPanel *panel = window->mapPanel();
        const MapPicture picture(panel->map(), panel->markedRanges(), panel->size(), panel->font());
        const QRect mark = picture.markRect({low, high});
        QVERIFY2(mark.height() >= 7 && mark.width() >= 8,
                 qPrintable(QStringLiteral("%1x%2").arg(mark.width()).arg(mark.height())));
        QVERIFY(QRect(QPoint(0, 0), panel->size()).contains(mark));
        QCOMPARE(picture.describeAt(mark.topLeft()), said);
        QCOMPARE(picture.describeAt(mark.bottomRight()), said);
        QImage image(panel->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        picture.paint(painter);
        painter.end();
        QCOMPARE(image.pixelColor(mark.center()), QColor(0xf0, 0x9a, 0x00));
    }

    // Marks too close to tell apart are named together, a few and a count.
    void crowdedMarksAreNamedTogether()
    {
        Form1 *window = open(kFlash);
        std::vector<MarkedRange> marks;
        for (quint32 at = 0x08001000; at < 0x08001800; at += 0x100)
            marks.push_back({{at, at}, QStringLiteral("a.hex と b.hex で違う")});
        window->setMarkedRanges(marks);
        MemoryMapPanel *panel = window->mapPanel();
        const MapPicture picture(panel->map(), panel->markedRanges(), panel->size(), panel->font());
        const QStringList said =
            picture.describeAt(picture.markRect({0x08001000, 0x08001000}).center()).split(u'\n');
        QCOMPARE(said.size(), 4);
        QCOMPARE(said[0], QStringLiteral("a.hex と b.hex で違う 08001000-08001000 (1 ﾊﾞｲﾄ)"));
        QCOMPARE(said[3], QStringLiteral("ほか 5 ヶ所"));
    }

    // Not a record text, as the library's detection finds it: it is
    // neither read nor mapped.
    void plainTextHasNoMap()
    {
        Form1 *window =
            m_frame->openDocument(QStringLiteral("Some notes\r\n"), QStringLiteral("n.txt"), true);
        QSignalSpy read(window, &Form1::addressesRead);
        QVERIFY(!read.wait(300));
        QVERIFY(!window->mapPanel()->isVisible());
    }

    void clickGoesToTheSegmentsFirstRecord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("lines"); // of each segment's first record
        QTest::newRow("CR LF") << kFlash << QList<int>{2, 3};
        // An editor shows a line between each two records.
        QTest::newRow("LF CR") << QString(kFlash).replace(u"\r\n"_qs, u"\n\r"_qs)
                               << QList<int>{3, 5};
        QTest::newRow("S-records") << QStringLiteral("S00600004844521B\n") + kSRecords
                                   << QList<int>{2};
    }

    void clickGoesToTheSegmentsFirstRecord()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, lines);
        Form1 *window = open(text);
        MemoryMapPanel *panel = window->mapPanel();
        for (int segment = 0; segment < int(lines.size()); ++segment) {
            window->Txt()->goToLine(1);
            QTest::mouseClick(panel, Qt::LeftButton, {}, panel->segmentRect(segment).center());
            QCOMPARE(window->Txt()->caretLine(), lines[segment]);
            window->Txt()->goToLine(4);
            QAccessible::queryAccessibleInterface(panel)->child(segment)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
            QCOMPARE(window->Txt()->caretLine(), lines[segment]);
        }
    }

    void nextAndPreviousSegment_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("next");
        QTest::addColumn<int>("line");
        QTest::newRow("next from the base record") << 1 << true << 2;
        QTest::newRow("next from the first") << 2 << true << 3;
        QTest::newRow("next from the last stays") << 3 << true << 3;
        QTest::newRow("previous from the end record") << 4 << false << 2;
        QTest::newRow("previous from the first stays") << 2 << false << 2;
    }

    // Pressed in the editor, as the user steps: the keys reach the
    // commands, not the editor.
    void nextAndPreviousSegment()
    {
        QFETCH(int, from);
        QFETCH(bool, next);
        QFETCH(int, line);
        Form1 *window = open(kFlash);
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame));
        window->Txt()->setFocus();
        window->Txt()->goToLine(from);
        QTest::keyClick(window->Txt(), next ? Qt::Key_PageDown : Qt::Key_PageUp, Qt::AltModifier);
        QCOMPARE(window->Txt()->caretLine(), line);
    }

    // The segment keys are the commands' alone: no other command of the
    // frame or a document takes them, and the editor binds nothing to them.
    void segmentKeysAreFree()
    {
        Form1 *window = open(kFlash);
        for (QAction *command : {m_frame->m_NextSegment, m_frame->m_PrevSegment}) {
            const QKeySequence key = command->shortcut();
            QVERIFY2(!key.isEmpty(), qPrintable(command->objectName()));
            QVERIFY2(!window->Txt()->standardCommands()->boundTo(key[0].toCombined()),
                     qPrintable(key.toString()));
            QList<QAction *> others = m_frame->findChildren<QAction *>();
            others += window->findChildren<QAction *>();
            for (const QAction *other : others)
                QVERIFY2(other == command || !other->shortcuts().contains(key),
                         qPrintable(other->objectName() + u' ' + key.toString()));
        }
    }

    void followsEditsAfterThePause()
    {
        Form1 *window = open(kFlash);
        window->Txt()->goToLine(4);
        window->Txt()->setFocus();
        QTest::keyClicks(window->Txt(), QStringLiteral(":0420000001020304D2"));
        QTest::keyClick(window->Txt(), Qt::Key_Return);
        QTRY_COMPARE(window->memoryMap().segments().size(), std::size_t(3));
        QCOMPARE(window->memoryMap().segments()[1].low, 0x08002000u);
        QCOMPARE(QAccessible::queryAccessibleInterface(window->mapPanel())->childCount(), 3);
        // A second edit, after the first was read, is followed as well.
        QTest::keyClicks(window->Txt(), QStringLiteral(":0430000001020304C2"));
        QTest::keyClick(window->Txt(), Qt::Key_Return);
        QTRY_COMPARE(window->memoryMap().segments().size(), std::size_t(4));
    }

    void hidesWithTheWindowMenu()
    {
        Form1 *window = open(kFlash);
        m_frame->m_MemoryMap->setChecked(false);
        QVERIFY(!window->mapPanel()->isVisible());
        m_frame->m_MemoryMap->setChecked(true);
        QVERIFY(window->mapPanel()->isVisible());
    }

    // The exports are the panel's picture: overlaps red, marked ranges
    // orange, each only when there are some; the SVG parses as XML and
    // as a drawing.
    void exportsPngAndSvg_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("marked");
        QTest::newRow("flash") << kFlash << false;
        QTest::newRow("flash with a marked range") << kFlash << true;
        QTest::newRow("overlap") << kOverlap << false;
    }

    void exportsPngAndSvg()
    {
        QFETCH(QString, text);
        QFETCH(bool, marked);
        Form1 *window = open(text);
        if (marked)
            window->setMarkedRanges(
                {{{0x08000004, 0x08000007}, QStringLiteral("a.hex と b.hex で違う")}});
        const QString png = m_dir.filePath(QStringLiteral("map.png"));
        const QString svg = m_dir.filePath(QStringLiteral("map.svg"));
        ScriptedPrompts script;
        script.expectSave(png);
        script.expectSave(svg);
        window->mapPanel()->findChild<QAction *>(QStringLiteral("m_MapPng"))->trigger();
        window->mapPanel()->findChild<QAction *>(QStringLiteral("m_MapSvg"))->trigger();
        QVERIFY(script.allAnswered());
        const QImage image(png, "PNG");
        QVERIFY(!image.isNull());
        QCOMPARE(holds(image, QColor(0xe0, 0x1b, 0x1b)), !window->memoryMap().overlaps().empty());
        QCOMPARE(holds(image, QColor(0xf0, 0x9a, 0x00)), marked);
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(QSvgRenderer(svg).isValid());
    }
};

QTEST_MAIN(MemoryMapPanelTest)
#include "memory_map_panel_test.moc"
