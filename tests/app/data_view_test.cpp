// The data view and the checksum command on documents: the rows a text
// shows, bytes typed over the image going into the text as srec_cat would
// write them (srec_cmp against srec_cat -generate), one undo step each,
// the question before data goes into a gap, the carets of the text, the
// data view and the map following one another, and wrong checksums made
// right as objcopy then reads them.
#include "shell/ChecksumTips.h"
#include "shell/DataInspector.h"
#include "shell/DataLink.h"
#include "shell/DataView.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/MemoryMapPanel.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>

namespace {

// How bytes go over the image: typed, committed by an input method, pasted,
// filled or from the inspector.
enum Way { Keys, Commit, Paste, Fill, Inspector };

const QString kText = QStringLiteral(":020000040800F2\r\n"
                                     ":10000000000102030405060748692E0B0C0D0E0FB4\r\n"
                                     ":020010001011CD\r\n"
                                     ":02002400B1B277\r\n"
                                     ":00000001FF\r\n");

const QString kSRecords = QStringLiteral("S00600004844521B\n"
                                         "S215080000000102030405060708093031323334353650\n"
                                         "S804080000F3\n");

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Types `text` into `widget` a character a key, as a keyboard whose keys
// give those characters (QTest's clicks take Latin-1 alone).
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

// The row of `view` whose text starts with `address`; -1 for none.
qint64 rowOf(const DataView *view, const QString &address)
{
    for (std::uint64_t row = 0; row < view->rows().count(); ++row)
        if (view->rowText(row).startsWith(address))
            return qint64(row);
    return -1;
}

} // namespace

class DataViewTest : public QObject, protected FrameFixture {
    Q_OBJECT

    Form1 *open(const QString &text, const QString &name = QStringLiteral("fw.hex"))
    {
        Form1 *window = openText(text, name);
        const bool records = text.startsWith(u':') || text.startsWith(u'S');
        if (records && !QTest::qWaitFor([window] {
                return window->memoryMap().format() != MemoryMap::Format::None;
            }, 5000))
            qWarning("%s was not read", qPrintable(name));
        return window;
    }

    QString statusText() const
    {
        QString text;
        for (QLabel *label : m_frame->statusBar()->findChildren<QLabel *>())
            text += label->text();
        return text;
    }

private slots:
    void init() { openFrame(QSize(1200, 700)); }
    void cleanup() { closeFrame(); }

    void rowsShowTheImage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("HEX: a heading, bytes, a gap left blank, kana")
            << kText
            << QStringList{"ｾｸﾞﾒﾝﾄ 08000000 - 08000011",
                           "08000000  00 01 02 03 04 05 06 07  48 69 2E 0B 0C 0D 0E 0F  ........Hi......",
                           "08000010  10 11                                             ..",
                           "ｾｸﾞﾒﾝﾄ 08000024 - 08000025",
                           "08000020              B1 B2                                     ｱｲ"};
        QTest::newRow("S2 records, ASCII digits")
            << kSRecords
            << QStringList{"ｾｸﾞﾒﾝﾄ 00080000 - 00080010",
                           "00080000  00 01 02 03 04 05 06 07  08 09 30 31 32 33 34 35  ..........012345",
                           "00080010  36                                                6"};
    }

    void rowsShowTheImage()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        Form1 *window = open(text);
        DataView *view = window->dataView();
        QVERIFY(view->isVisible());
        QVERIFY(view->accessibleName().contains(QStringLiteral("データ表示")));
        QStringList shown;
        for (std::uint64_t row = 0; row < view->rows().count(); ++row)
            shown << view->rowText(row);
        QCOMPARE(shown, rows);
    }

    // Typed over the image in the data view, as a user types a new version
    // string, pasted or filled over a selection, or typed as a value in the
    // inspector: the text must hold what srec_cat makes of the old one with
    // those bytes generated over it, with every other line kept, and undo
    // must bring the old text back, a step a byte or character typed, one
    // for the rest.
    void typedBytesGoIntoTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("format"); // srec_cat's
        QTest::addColumn<quint32>("address");
        QTest::addColumn<bool>("characters"); // typed in the character column
        QTest::addColumn<int>("way");
        // Fill: the bytes selected; Inspector: the cell, row * 2 + column.
        QTest::addColumn<int>("extra");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("linesChanged");
        QTest::newRow("HEX, two hex digits") << kText << "-intel" << 0x08000003u << false << int(Keys)
                                             << 0 << "A5" << QByteArray("\xA5") << 1;
        QTest::newRow("HEX, a version string across two records")
            << kText << "-intel" << 0x0800000Eu << true << int(Keys) << 0 << "v2.1"
            << QByteArray("v2.1") << 2;
        QTest::newRow("HEX, kana in code page 932")
            << kText << "-intel" << 0x08000024u << true << int(Keys) << 0 << QStringLiteral("ｳ")
            << QByteArray("\xB3") << 1;
        QTest::newRow("S2, lower-case digits") << kSRecords << "-motorola" << 0x00080010u << false
                                               << int(Keys) << 0 << "7f" << QByteArray("\x7F") << 1;
        QTest::newRow("HEX, kanji an input method commits across two records")
            << kText << "-intel" << 0x0800000Eu << true << int(Commit) << 0 << QStringLiteral("漢字")
            << QByteArray("\x8A\xBF\x8E\x9A") << 2;
        QTest::newRow("HEX, hex bytes pasted across two records")
            << kText << "-intel" << 0x0800000Eu << false << int(Paste) << 0 << "DE AD be\nEF"
            << QByteArray("\xDE\xAD\xBE\xEF") << 2;
        QTest::newRow("S2, text pasted in the character column")
            << kSRecords << "-motorola" << 0x00080002u << true << int(Paste) << 0 << "OK"
            << QByteArray("OK") << 1;
        QTest::newRow("HEX, a selection filled with a pattern")
            << kText << "-intel" << 0x0800000Du << false << int(Fill) << 5 << "A5 5A"
            << QByteArray("\xA5\x5A\xA5\x5A\xA5") << 2;
        QTest::newRow("HEX, i16 big endian from the inspector")
            << kText << "-intel" << 0x0800000Fu << false << int(Inspector) << 3 * 2 + 1 << "-2"
            << QByteArray("\xFF\xFE") << 2;
        QTest::newRow("S2, a float from the inspector")
            << kSRecords << "-motorola" << 0x00080004u << false << int(Inspector) << 8 * 2 << "1.5"
            << QByteArray("\x00\x00\xC0\x3F", 4) << 1;
        QTest::newRow("HEX, CP932 text from the inspector")
            << kText << "-intel" << 0x08000024u << false << int(Inspector)
            << DataInspector::textRow() * 2 << QStringLiteral("ｶﾅ") << QByteArray("\xB6\xC5") << 1;
    }

    void typedBytesGoIntoTheText()
    {
        QFETCH(QString, text);
        QFETCH(QString, format);
        QFETCH(quint32, address);
        QFETCH(bool, characters);
        QFETCH(int, way);
        QFETCH(int, extra);
        QFETCH(QString, typed);
        QFETCH(QByteArray, bytes);
        QFETCH(int, linesChanged);
        Form1 *window = open(text);
        DataView *view = window->dataView();
        view->setFocus();
        view->setCaret(address);
        if (characters)
            QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(view->inCharacters(), characters);
        ScriptedPrompts script;
        if (way == Keys) {
            typeText(view, typed);
            QCOMPARE(view->caret().value_or(0), address + quint32(bytes.size()));
        } else if (way == Commit) {
            QInputMethodEvent commit;
            commit.setCommitString(typed);
            QCoreApplication::sendEvent(view, &commit);
            QCOMPARE(view->caret().value_or(0), address + quint32(bytes.size()));
        } else if (way == Paste) {
            QApplication::clipboard()->setText(typed);
            QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(view->caret().value_or(0), address + quint32(bytes.size()));
        } else if (way == Fill) {
            for (int i = 1; i < extra; ++i)
                QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
            script.expectText(typed);
            m_frame->m_DataFill_Click();
            QVERIFY(script.allAnswered());
        } else {
            auto *inspector = window->findChild<DataInspector *>();
            QVERIFY(inspector->accessibleName().contains(QStringLiteral("データインスペクタ")));
            inspector->item(extra / 2, extra % 2)->setText(typed);
            QTRY_VERIFY(window->documentText() != text);
        }
        const QString now = window->documentText();
        QVERIFY(window->Modified());
        const QStringList before = text.split(u'\n'), after = now.split(u'\n');
        QCOMPARE(after.size(), before.size());
        int changed = 0;
        for (qsizetype i = 0; i < before.size(); ++i)
            changed += before[i] != after[i];
        QCOMPARE(changed, linesChanged);
        QVERIFY(writeAll(path("old.txt"), text.toLatin1()));
        QVERIFY(writeAll(path("new.txt"), now.toLatin1()));
        QStringList data;
        for (const char c : bytes)
            data << QString::number(std::uint8_t(c));
        const QString low = QString::number(address), stop = QString::number(address + bytes.size());
        QVERIFY(run("srec_cat", QStringList{path("old.txt"), format, "-exclude", low, stop,
                                            "-generate", low, stop, "-repeat-data"}
                                    + data + QStringList{"-o", path("want.txt"), format}));
        QVERIFY2(run("srec_cmp", {path("new.txt"), format, path("want.txt"), format}),
                 qPrintable(now));
        // One step a byte typed, or a character.
        const int steps = way != Keys ? 1 : characters ? int(typed.size()) : int(typed.size()) / 2;
        for (int step = 0; step < steps; ++step) {
            QVERIFY(window->documentText() != text);
            m_frame->m_Undo_Click();
        }
        QCOMPARE(window->documentText(), text);
    }

    // The inspector reads the bytes at the data view's caret, whichever view
    // put it there; a value that reaches into a gap is none ("--").
    void inspectorShowsTheBytesAtTheCaret_data()
    {
        QTest::addColumn<quint32>("address");
        QTest::addColumn<int>("cell"); // row * 2 + column
        QTest::addColumn<QString>("shown");
        QTest::newRow("u8") << 0x08000010u << 0 << "16";
        QTest::newRow("u16 little") << 0x08000010u << 2 * 2 << "4368";
        QTest::newRow("u16 big") << 0x08000010u << 2 * 2 + 1 << "4113";
        QTest::newRow("u32 into the gap") << 0x08000010u << 4 * 2 << "--";
        QTest::newRow("i32 across two records") << 0x0800000Eu << 5 * 2 + 1 << "235868177";
        QTest::newRow("text up to the gap") << 0x08000008u << DataInspector::textRow() * 2
                                            << "Hi........";
        QTest::newRow("kana") << 0x08000024u << DataInspector::textRow() * 2 << "ｱｲ";
    }

    void inspectorShowsTheBytesAtTheCaret()
    {
        QFETCH(quint32, address);
        QFETCH(int, cell);
        QFETCH(QString, shown);
        Form1 *window = open(kText);
        auto *inspector = window->findChild<DataInspector *>();
        window->dataLink()->goToAddress(address);
        QCOMPARE(inspector->item(cell / 2, cell % 2)->text(), shown);
    }

    // Bytes typed where no record holds data: asked once for a run typed
    // one after another; No leaves the text as it was, and is not asked
    // again until the caret moves.
    void typingIntoAGapAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("added");
        QTest::newRow("no") << int(QMessageBox::No) << false;
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    }

    void typingIntoAGapAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(bool, added);
        Form1 *window = open(kText);
        DataView *view = window->dataView();
        view->setFocus();
        view->setCaret(0x08000012);
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::StandardButton(answer));
        QTest::keyClicks(view, "ABCD");
        QVERIFY(script.allAnswered());
        QCOMPARE(script.asked().size(), 1);
        QVERIFY(script.texts().value(0).contains(QStringLiteral("08000012")));
        if (!added) {
            QCOMPARE(window->documentText(), kText);
            return;
        }
        // Every line of the old text is still there, in its order.
        const QStringList now = window->documentText().split(u'\n');
        qsizetype at = 0;
        for (const QString &line : kText.split(u'\n')) {
            at = now.indexOf(line, at);
            QVERIFY2(at >= 0, qPrintable(line));
            ++at;
        }
        QVERIFY(writeAll(path("new.hex"), window->documentText().toLatin1()));
        QVERIFY(run("objcopy", {"-I", "ihex", "-O", "binary", path("new.hex"), path("new.bin")}));
        QTRY_VERIFY(view->rowText(quint64(rowOf(view, "08000010"))).startsWith(
            QStringLiteral("08000010  10 11 AB CD")));
    }

    // A byte chosen in one view is chosen in the other, the status bar
    // names it, and the map marks it.
    void caretsFollowEachOther()
    {
        Form1 *window = open(kText);
        DataView *view = window->dataView();
        DocumentView *text = window->Txt();
        text->setFocus();
        text->goToLine(2);
        QTest::keyClick(text, Qt::Key_Home);
        for (int i = 0; i < 9 + 2 * 9; ++i) // the second digit of the tenth byte
            QTest::keyClick(text, Qt::Key_Right);
        QTRY_COMPARE(view->caret().value_or(0), 0x08000009u);
        QCOMPARE(window->mapPanel()->caret().value_or(0), 0x08000009u);
        QVERIFY(!window->mapPanel()->caretRect().isEmpty());
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->caret().value_or(0), 0x08000019u);
        // 08000019 is in the gap: the text keeps its caret; the status
        // names the data view's byte.
        QTRY_VERIFY(statusText().contains(QStringLiteral("08000019")));
        QTest::keyClick(view, Qt::Key_Up);
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(text->caretLine(), 2);
        QCOMPARE(text->selectedText(), QStringLiteral("2E"));
        QCOMPARE(window->textCaretAddress().value_or(0), 0x0800000Au);
        QCOMPARE(window->mapPanel()->caret().value_or(0), 0x0800000Au);
        QTRY_VERIFY(statusText().contains(QStringLiteral("0800000A")));
    }

    void goToAddressPutsBothCaretsOnTheByte_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("digits");
        QTest::newRow("HEX") << kText << "0800000A" << 2 << "2E";
        QTest::newRow("HEX, second record") << kText << "08000011" << 3 << "11";
        QTest::newRow("S2") << kSRecords << "0x0008000C" << 2 << "32";
    }

    void goToAddressPutsBothCaretsOnTheByte()
    {
        QFETCH(QString, text);
        QFETCH(QString, answer);
        QFETCH(int, line);
        QFETCH(QString, digits);
        Form1 *window = open(text);
        ScriptedPrompts script;
        script.expectText(answer);
        m_frame->m_JumpAddress_Click();
        QVERIFY(script.allAnswered());
        const std::uint32_t address = QString(answer).remove(QStringLiteral("0x")).toUInt(nullptr, 16);
        QCOMPARE(window->Txt()->caretLine(), line);
        QCOMPARE(window->Txt()->selectedText(), digits);
        QCOMPARE(window->textCaretAddress().value_or(0), address);
        QCOMPARE(window->dataView()->caret().value_or(0), address);
    }

    void dataViewFollowsTheWindowMenu()
    {
        Form1 *window = open(kText);
        QVERIFY(m_frame->m_DataView->isChecked());
        QVERIFY(window->dataView()->isVisible());
        m_frame->m_DataView->trigger();
        QVERIFY(!window->dataView()->isVisible());
        Form1 *second = open(kSRecords, QStringLiteral("b.mot"));
        QVERIFY(!second->dataView()->isVisible());
        m_frame->m_DataView->trigger();
        QVERIFY(window->dataView()->isVisible() && second->dataView()->isVisible());
        Form1 *plain = openText(QStringLiteral("hello\n"), QStringLiteral("a.txt"));
        QVERIFY(!plain->dataView()->isVisible());
    }

    // Lines (from 1) whose last checksum digit is spoilt; the command says
    // how many it made right, objcopy reads the text after, and one undo
    // brings the broken text back.
    void fixesWrongChecksums_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("spoilt");
        QTest::addColumn<QString>("peerFormat");
        QTest::newRow("HEX, two lines") << kText << QList<int>{2, 4} << "ihex";
        QTest::newRow("HEX, none") << kText << QList<int>{} << "ihex";
        QTest::newRow("S-records, the end record") << kSRecords << QList<int>{3} << "srec";
    }

    void fixesWrongChecksums()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, spoilt);
        QFETCH(QString, peerFormat);
        QStringList lines = text.split(u'\n');
        for (const int line : spoilt) {
            QString &l = lines[line - 1];
            const qsizetype last = l.endsWith(u'\r') ? l.size() - 2 : l.size() - 1;
            l[last] = l[last] == u'0' ? u'1' : u'0';
        }
        const QString broken = lines.join(u'\n');
        Form1 *window = open(broken);
        if (!spoilt.isEmpty()) {
            // The tooltip over the first wrong checksum names the right one.
            DocumentView *view = window->Txt();
            const QByteArray line = view->lineBytes(spoilt[0]).toByteArray();
            const long position = view->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                                      static_cast<unsigned long>(spoilt[0] - 1))
                                  + line.size() - 1;
            const QString right = QString::fromLatin1(text.split(u'\n')[spoilt[0] - 1].trimmed().right(2).toLatin1());
            const QString tip = window->Txt()->findChild<ChecksumTips *>()->tipAt(position);
            QVERIFY2(tip.contains(QStringLiteral("正しくは %1").arg(right)), qPrintable(tip));
            QVERIFY(window->Txt()->findChild<ChecksumTips *>()->tipAt(position - 4).isEmpty());
        }
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        m_frame->m_FixSum_Click();
        QVERIFY(script.allAnswered());
        QVERIFY(script.texts().value(0).contains(spoilt.isEmpty() ? QStringLiteral("ありません")
                                                                  : QString::number(spoilt.size())));
        QCOMPARE(window->documentText(), text);
        QVERIFY(writeAll(path("fixed.txt"), text.toLatin1()));
        QVERIFY(run("objcopy", {"-I", peerFormat, "-O", "binary", path("fixed.txt"), path("f.bin")}));
        if (!spoilt.isEmpty()) {
            m_frame->m_Undo_Click();
            QCOMPARE(window->documentText(), broken);
        }
    }
};

QTEST_MAIN(DataViewTest)
#include "data_view_test.moc"
