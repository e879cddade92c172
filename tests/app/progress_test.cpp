#include "base/AppState.h"
#include "convert/Form2.h"
#include "convert/KestrunBinding.h"
#include "convert/LibraryBinding.h"
#include "convert/PictureBox.h"
#include "convert/Progress.h"
#include "support/scripted_prompts.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

const QColor barColour(0x80, 0x80, 0xFF);

// Columns of the picture's top and bottom row that hold the bar colour,
// counted from the left; the bar must be one solid block.
int barWidth(const QImage &image)
{
    int width = 0;
    while (width < image.width() && image.pixelColor(width, 0) == barColour
           && image.pixelColor(width, image.height() - 1) == barColour)
        ++width;
    for (int x = width; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixelColor(x, y) != Qt::white)
                return -1;
        }
    }
    return width;
}

// The smallest rectangle holding every dark pixel.
QRect inkBounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

} // namespace

class ProgressTest : public QObject {
    Q_OBJECT

private slots:
    void init() { appState().continueConversion = 1; }

    void cleanup() { closeProgressWindow(); }

    void windowLayout()
    {
        Form2 &window = loadProgressWindow();
        QCOMPARE(window.windowTitle(), QStringLiteral("                  進行状況"));
        QCOMPARE(window.size(), QSize(200, 71));
        QCOMPARE(window.font().family(), QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(window.font().pointSize(), 9);
        QCOMPARE(window.Pic()->geometry(), QRect(8, 8, 185, 25));
        QCOMPARE(window.Cmd()->geometry(), QRect(64, 40, 73, 25));
        QCOMPARE(window.Cmd()->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QVERIFY(window.Cmd()->isEnabled());
        QVERIFY(!window.isVisible());
        QCOMPARE(barWidth(window.Pic()->image()), 0);
    }

    void barWidths_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("width");
        QTest::newRow("nothing done") << 0 << 74 << 0;
        QTest::newRow("all done") << 74 << 74 << 185;
        QTest::newRow("half rounds to even below") << 37 << 74 << 92;
        QTest::newRow("half rounds to even above") << 3 << 74 << 8;
        QTest::newRow("rounds to nearest") << 1 << 3 << 62;
        QTest::newRow("beyond the total is clipped") << 75 << 74 << 185;
        QTest::newRow("huge done") << INT32_MAX << 1 << 185;
        QTest::newRow("negative done") << -5 << 10 << 0;
        QTest::newRow("zero total") << 0 << 0 << 185;
        QTest::newRow("negative total") << 3 << -1 << 185;
    }

    void barWidths()
    {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(int, width);
        QCOMPARE(progressBarWidth(done, total), width);

        Form2 &window = loadProgressWindow();
        window.showOwnedBy(nullptr);
        QCOMPARE(DrawProgress(done, total, window.deviceContext()), 1);
        QCOMPARE(barWidth(window.Pic()->image()), width);
    }

    // Reports that keep the width are skipped without working it out; the
    // picture must still show every new width the moment it is reported,
    // and a new window (even at the old one's address) its first report.
    void everyNewWidthReachesThePicture()
    {
        for (std::int32_t total : {7, 74, 185, 1000, 99991, 2000000011}) {
            Form2 &window = loadProgressWindow();
            window.showOwnedBy(nullptr);
            // Growing dones, closely around each width's edge.
            const std::int64_t step = std::max<std::int64_t>(1, total / 5000);
            std::int64_t reported = -1;
            for (int width = 0; width <= 185; ++width) {
                const std::int64_t edge = (2 * width - 1) * std::int64_t(total) / 370;
                for (std::int64_t done = std::max(reported + 1, edge - 3 * step);
                     done <= std::min<std::int64_t>(total, edge + 3 * step); done += step) {
                    reported = done;
                    DrawProgress(std::int32_t(done), total, window.deviceContext());
                    QCOMPARE(barWidth(window.Pic()->image()),
                             progressBarWidth(std::int32_t(done), total));
                }
            }
            closeProgressWindow();
            Form2 &next = loadProgressWindow();
            DrawProgress(total, total, next.deviceContext());
            QCOMPARE(barWidth(next.Pic()->image()), 185);
            closeProgressWindow();
        }
    }

    void barShowsOnScreen()
    {
        Form2 &window = loadProgressWindow();
        window.showOwnedBy(nullptr);
        DrawProgress(37, 74, window.deviceContext());
        // Covering and uncovering the window repaints it from the kept image.
        const QImage shown = window.grab().toImage();
        QCOMPARE(shown.pixelColor(8 + 91, 8 + 24), barColour);
        QCOMPARE(shown.pixelColor(8 + 92, 8 + 12), QColor(Qt::white));
        QCOMPARE(shown.pixelColor(8, 8), barColour);
    }

    void statusTextIsBlackAtItsPlace()
    {
        Form2 &window = loadProgressWindow();
        window.clearPicture();
        window.drawStatus(QStringLiteral("初期化してるよ"), QPoint(40, 5));
        const QRect ink = inkBounds(window.Pic()->image());
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.left() >= 40 && ink.top() >= 5, qPrintable(QString::number(ink.left())));

        window.restoreColour();
        DrawProgress(185, 185, window.deviceContext());
        QCOMPARE(barWidth(window.Pic()->image()), 185);
    }

    void cmdStopsTheConversion()
    {
        Form2 &window = loadProgressWindow();
        window.showOwnedBy(nullptr);
        QTest::mouseClick(window.Cmd(), Qt::LeftButton);
        QCOMPARE(appState().continueConversion, 0);
        QVERIFY(window.isVisible());
        QCOMPARE(DrawProgress(1, 2, window.deviceContext()), 0);
    }

    void clickWaitingInTheQueueIsHandledByTheFirstReport()
    {
        Form2 &window = loadProgressWindow();
        window.showOwnedBy(nullptr);
        QMetaObject::invokeMethod(window.Cmd(), &QPushButton::click, Qt::QueuedConnection);
        QCOMPARE(DrawProgress(0, 10, window.deviceContext()), 0);
    }

    // Reports that leave the bar as it is still let events run now and
    // then, so that Cmd stops a conversion whose bar does not move: one
    // whose done creeps on, and one whose done stands still.
    void cmdIsHeardWhileTheBarStands()
    {
        for (const std::int32_t creep : {1, 0}) {
            Form2 &window = loadProgressWindow();
            window.showOwnedBy(nullptr);
            appState().continueConversion = 1;
            std::int32_t done = 1000;
            QCOMPARE(DrawProgress(done, INT32_MAX, window.deviceContext()), 1);
            QMetaObject::invokeMethod(window.Cmd(), &QPushButton::click, Qt::QueuedConnection);
            QElapsedTimer waited;
            waited.start();
            while (DrawProgress(done += creep, INT32_MAX, window.deviceContext()) != 0)
                QVERIFY2(waited.elapsed() < 5000, "the click was never heard");
            QCOMPARE(progressBarWidth(done, INT32_MAX), 0);
            closeProgressWindow();
        }
    }

    void closeBoxActsAsCmd()
    {
        Form2 &window = loadProgressWindow();
        window.showOwnedBy(nullptr);
        QVERIFY(!window.close());
        QCOMPARE(appState().continueConversion, 0);
        QVERIFY(window.isVisible());

        appState().continueConversion = 1;
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(appState().continueConversion, 0);
        QVERIFY(window.isVisible());
    }

    // The window never takes the focus, so Esc is heard wherever it is.
    void escapeInAnyWindowCancels()
    {
        QWidget elsewhere;
        elsewhere.show();
        Form2 &window = loadProgressWindow();
        window.showOwnedBy(nullptr);
        QTest::keyClick(&elsewhere, Qt::Key_Escape);
        QCOMPARE(appState().continueConversion, 0);
        closeProgressWindow();
        appState().continueConversion = 1;
        QTest::keyClick(&elsewhere, Qt::Key_Escape);
        QCOMPARE(appState().continueConversion, 1);
    }

    void percentages_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("shown");
        QTest::newRow("start") << 1 << 1000 << "0%";
        QTest::newRow("rounded down") << 999 << 1000 << "99%";
        QTest::newRow("all") << 74 << 74 << "100%";
        QTest::newRow("beyond the total") << 80 << 74 << "100%";
        QTest::newRow("no total") << 0 << 0 << "100%";
        QTest::newRow("near the largest") << INT32_MAX - 1 << INT32_MAX << "99%";
    }

    void percentages()
    {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(QString, shown);
        Form2 &window = loadProgressWindow();
        window.showOwnedBy(nullptr);
        DrawProgress(done, total, window.deviceContext());
        QCOMPARE(window.percent()->text(), shown);
        window.clearPicture();
        QVERIFY(window.percent()->text().isEmpty());
    }

    void lockedWindowCannotCancel()
    {
        Form2 &window = loadProgressWindow();
        window.showOwnedBy(nullptr);
        window.lock();
        QTest::mouseClick(window.Cmd(), Qt::LeftButton);
        window.close();
        QCOMPARE(appState().continueConversion, 1);
        QVERIFY(window.isVisible());
    }

    void nextConversionGetsAFreshWindow()
    {
        Form2 &first = loadProgressWindow();
        DrawProgress(5, 10, first.deviceContext());
        first.lock();
        closeProgressWindow();
        QCOMPARE(progressWindow(), nullptr);

        Form2 &second = loadProgressWindow();
        QCOMPARE(barWidth(second.Pic()->image()), 0);
        QVERIFY(second.Cmd()->isEnabled());
        QCOMPARE(second.Pic()->foreColor(), barColour);
    }

    void drawingNeedsTheLiveWindow()
    {
        const std::intptr_t stale = loadProgressWindow().deviceContext();
        closeProgressWindow();
        QCOMPARE(DrawProgress(1, 2, stale), 1);
        QCOMPARE(DrawProgress(1, 2, 0), 1);
    }

    void libraryErrors_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("overflow") << -5 << QStringLiteral("ｵｰﾊﾞｰﾌﾛｰです");
        QTest::newRow("cancelled") << -4 << QStringLiteral("中止しました");
        QTest::newRow("two lines")
            << -7
            << QStringLiteral("例外が発生しました\nﾍｷｻﾌｧｲﾙのｱﾄﾞﾚｽ指定が不正な可能性があります");
    }

    void libraryErrors()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        ShowLibraryError(code);
        QVERIFY(script.allAnswered());
        const AskedPrompt &box = script.asked().constFirst();
        QCOMPARE(box.text, text);
        QCOMPARE(box.title, QStringLiteral("エラー"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void codesWithoutMessageShowNothing()
    {
        ScriptedPrompts script;
        ShowLibraryError(-8);
        ShowLibraryError(1);
        ShowLibraryError(KestrunBinding::NotBound);
        QVERIFY(script.asked().isEmpty());
    }

    void cancelBeforeTheFirstReportStopsTheLibrary()
    {
        Form2 &window = loadProgressWindow();
        window.showOwnedBy(nullptr);
        QTest::mouseClick(window.Cmd(), Qt::LeftButton);
        const char text[] = ":0100000055AA\r\n:00000001FF\r\n";
        std::uint8_t image[16] = {};
        std::uint32_t size = 0, start = 0, end = 0;
        const std::int32_t rc =
            KestrunBinding::HexToBinary(text, image, sizeof text - 1, sizeof image, &size, &start,
                                        &end, 0xFF, window.deviceContext(), DrawProgress);
        QCOMPARE(rc, std::int32_t(ResultCancelled));
    }

    void libraryIsFoundBesideTheProgram()
    {
        std::int32_t version = 0;
        QCOMPARE(KestrunBinding::DllGetVersion(&version), 1);
        QCOMPARE(version, 203);
        char digits[9] = {};
        const std::uint8_t data[] = {1, 2, 3};
        QCOMPARE(KestrunBinding::CheckSum(data, 3, 0, 2, 0, digits),
                 std::optional<std::uint32_t>(6));
        QCOMPARE(QByteArray(digits), QByteArray("00000006"));
    }

    void missingLibraryIsReported()
    {
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        const QString path = QCoreApplication::applicationDirPath() + "/no/libKestrun.so";
        LibraryBinding binding(path);
        QVERIFY(!binding.resolve("HexToBinary"));
        QVERIFY(script.allAnswered());
        QVERIFY(script.texts().constFirst().contains(path));
        QVERIFY(script.texts().constFirst().contains("HexToBinary"));
        QCOMPARE(script.titles(), QStringList{"Pelcor"});
    }

    void missingExportIsReported()
    {
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        LibraryBinding binding(KestrunBinding::libraryPath());
        QVERIFY(!binding.resolve("HexToBinaryEx"));
        QVERIFY(script.allAnswered());
        QVERIFY(script.texts().constFirst().contains(KestrunBinding::libraryPath()));
        QVERIFY(script.texts().constFirst().contains("HexToBinaryEx"));
        QVERIFY(binding.resolve("HexToBinary") != nullptr);
    }
};

QTEST_MAIN(ProgressTest)
#include "progress_test.moc"
