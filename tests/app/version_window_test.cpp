// The version window: its text line by line, the links' hover and clicks,
// and the menu command that shows it modally.
#include "core/SettingsModel.h"
#include "shell/FrmMDI.h"
#include "base/AppState.h"
#include "shell/Frm_Ver.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

int g_beeps = 0;
QList<QUrl> g_opened;

void countBeep()
{
    ++g_beeps;
}

void recordLink(const QUrl &address)
{
    g_opened.append(address);
}

QPoint centreOf(const QWidget *child)
{
    return child->mapTo(child->window(), child->rect().center());
}

// Where the window shows its own background: no control under the point.
QPoint backgroundOf(const QWidget *window)
{
    for (int y = 2; y < window->height(); y += 2)
        for (int x = 2; x < window->width(); x += 2)
            if (!window->childAt(x, y))
                return {x, y};
    return {};
}

bool underlined(const QLabel *label)
{
    return label->font().underline();
}

} // namespace

class VersionWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        // The program does this at start-up; the icon and pointer live in
        // the static core library.
        Q_INIT_RESOURCE(pelcor);
        QVERIFY(m_dir.isValid());
        SettingsModel::program().setUp(m_dir.path());
        appState().openingBeep = &countBeep;
        appState().openLink = &recordLink;
    }

    void init()
    {
        g_beeps = 0;
        g_opened.clear();
    }

    void textLineByLine()
    {
        const QStringList lines = versionText(203).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(0), QStringLiteral("Vantrel"));
        QCOMPARE(lines.at(1), QString());
        QCOMPARE(lines.at(2), QStringLiteral("User Interface Ver 201"));
        QCOMPARE(lines.at(3), QStringLiteral("Library        Ver 203"));
        QCOMPARE(lines.at(4), QString());
        QVERIFY(!lines.at(5).isEmpty());
        QVERIFY(!lines.at(6).isEmpty());
        QVERIFY(!versionText(203).endsWith(u'\n'));
        QCOMPARE(lines.at(2).indexOf(QStringLiteral("Ver")),
                 lines.at(3).indexOf(QStringLiteral("Ver")));
        QVERIFY(!versionText(std::nullopt).split(QStringLiteral("\r\n")).at(3).contains(u'0'));
    }

    void eachOpeningBeepsAndShowsTheRunningLibrary()
    {
        QString first;
        for (int opening = 1; opening <= 2; ++opening) {
            Frm_Ver window;
            QCOMPARE(g_beeps, opening);
            QCOMPARE(window.windowTitle(), QStringLiteral("Pelcor のバージョン情報"));
            const QString text = window.Text1()->toPlainText();
            QCOMPARE(text.split(u'\n').at(3), QStringLiteral("Library        Ver 203"));
            if (opening == 2)
                QCOMPARE(text, first);
            first = text;
            QCOMPARE(window.Label4()->text(), QStringLiteral("https://pelcor.dev/"));
            QCOMPARE(window.Label5()->text(), QStringLiteral("support@pelcor.dev"));
            QVERIFY(!window.Image1()->pixmap().isNull());
            QVERIFY(window.Text1()->isReadOnly());
        }
    }

    void hoverMovesTheUnderlineAndThePointer()
    {
        Frm_Ver window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!underlined(window.Label4()) && !underlined(window.Label5()));

        QTest::mouseMove(&window, centreOf(window.Label4()));
        QVERIFY(underlined(window.Label4()));
        QVERIFY(!underlined(window.Label5()));
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(window.cursor().hotSpot(), QPoint(5, 0));

        QTest::mouseMove(&window, centreOf(window.Label5()));
        QVERIFY(!underlined(window.Label4()));
        QVERIFY(underlined(window.Label5()));
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);

        // The controls that are not links leave the hover as it is.
        for (const QWidget *control :
             {static_cast<QWidget *>(window.Text1()), static_cast<QWidget *>(window.Image1()),
              static_cast<QWidget *>(window.Command1())}) {
            QTest::mouseMove(&window, centreOf(control));
            QVERIFY2(underlined(window.Label5()), qPrintable(control->objectName()));
            QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
        }

        const QPoint background = backgroundOf(&window);
        QVERIFY(!background.isNull());
        QTest::mouseMove(&window, background);
        QVERIFY(!underlined(window.Label4()) && !underlined(window.Label5()));
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    void linksOpenTheirAddresses()
    {
        Frm_Ver window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.Label4(), Qt::LeftButton);
        QTest::mouseClick(window.Label5(), Qt::LeftButton);
        QCOMPARE(g_opened, QList<QUrl>({QUrl(QStringLiteral("https://pelcor.dev/")),
                                        QUrl(QStringLiteral("mailto:support@pelcor.dev"))}));
        QTest::mouseClick(window.Command1(), Qt::LeftButton);
        QVERIFY(!window.isVisible());
    }

    void theCommandShowsTheWindowModally()
    {
        QPointer<FrmMDI> frame = new FrmMDI;
        frame->show();
        QPointer<Frm_Ver> seen;
        bool modal = false;
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            seen = qobject_cast<Frm_Ver *>(QApplication::activeModalWidget());
            if (seen) {
                modal = seen->isModal();
                seen->Command1()->click();
            }
        });
        frame->m_Help->trigger();
        QVERIFY(modal);
        // Created for one showing and gone once it closed.
        QVERIFY(seen.isNull());
        QCOMPARE(g_beeps, 1);
        delete frame;
    }
};

QTEST_MAIN(VersionWindowTest)
#include "version_window_test.moc"
