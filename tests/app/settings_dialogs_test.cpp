// The dump settings and display font dialogs as a user meets them: keys and
// pasted text into every box, then confirming or cancelling, and what the
// settings and the open documents look like afterwards.
#include "settings/Frm_Font.h"
#include "settings/Frm_Set.h"
#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/FileRoutines.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

int g_beeps = 0;

void countBeep()
{
    ++g_beeps;
}

// Types `text` key by key; a backspace character presses Backspace, and
// characters outside ASCII arrive as keys that carry them.
void type(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c == u'\b')
            QTest::keyClick(widget, Qt::Key_Backspace);
        else if (c.unicode() < 0x80)
            QTest::keyClicks(widget, QString(c));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Clicks a check box on its caption, where the user does.
void tick(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// Pastes the clipboard through the box's own context menu.
void pasteFromContextMenu(QLineEdit *box)
{
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(2, 2),
                              box->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(box, &request);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    const QList<QAction *> actions = menu->actions();
    const auto paste = std::find_if(actions.begin(), actions.end(), [](const QAction *action) {
        return action->text().startsWith(QStringLiteral("&Paste"));
    });
    QVERIFY(paste != actions.end());
    (*paste)->trigger();
    menu->close();
}

DumpSettings storedSample()
{
    DumpSettings settings;
    settings.StartAddress = QStringLiteral("1000");
    settings.EndAddress = QStringLiteral("1FFF");
    settings.AutoAddress = QStringLiteral("0");
    settings.RecordLength = QStringLiteral("10");
    settings.BlankChar = QStringLiteral("00");
    settings.Scope = QStringLiteral("04");
    settings.NoDump = 1;
    settings.NewLine = 2;
    return settings;
}

bool sameSettings(const DumpSettings &a, const DumpSettings &b)
{
    return a.StartAddress == b.StartAddress && a.EndAddress == b.EndAddress
           && a.AutoAddress == b.AutoAddress && a.RecordLength == b.RecordLength
           && a.BlankChar == b.BlankChar && a.Scope == b.Scope && a.NoDump == b.NoDump
           && a.NewLine == b.NewLine;
}

} // namespace

class SettingsDialogsTest : public QObject, protected FrameFixture {
    Q_OBJECT

private:
    Frm_Set *openSettings()
    {
        m_frame->m_Setting->trigger();
        auto *dialog = m_frame->findChild<Frm_Set *>();
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }

    Frm_Font *openFont()
    {
        m_frame->m_Font->trigger();
        auto *dialog = m_frame->findChild<Frm_Font *>();
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        refusalBeep = &countBeep;
    }

    void init()
    {
        openFrame();
        SettingsModel::program().setDumpSettings(DumpSettings{});
        SettingsModel::program().setDisplayFont(DisplayFont{});
        g_beeps = 0;
    }

    // Deleted rather than closed: closing would save the settings the test
    // left behind.
    void cleanup()
    {
        delete m_frame;
        setFrameWindow(nullptr);
        QTRY_COMPARE(Form1::DocumentCount(), 0);
    }

    void keyFilters_data()
    {
        QTest::addColumn<bool>("sizeBox");
        QTest::addColumn<QChar>("typed");
        QTest::addColumn<QString>("taken"); // empty: refused
        QTest::newRow("hex: lower-case f") << false << QChar(u'f') << "F";
        QTest::newRow("hex: g") << false << QChar(u'g') << "";
        QTest::newRow("hex: backspace") << false << QChar(u'\b') << "\b";
        QTest::newRow("hex: full stop") << false << QChar(u'.') << ".";
        QTest::newRow("hex: full-width a") << false << QChar(u'ａ') << "";
        QTest::newRow("hex: NUL") << false << QChar(u'\0') << "";
        QTest::newRow("size: 9") << true << QChar(u'9') << "9";
        QTest::newRow("size: backspace") << true << QChar(u'\b') << "\b";
        QTest::newRow("size: a stays refused") << true << QChar(u'a') << "";
        QTest::newRow("size: minus") << true << QChar(u'-') << "";
    }

    void keyFilters()
    {
        QFETCH(bool, sizeBox);
        QFETCH(QChar, typed);
        QFETCH(QString, taken);
        const std::optional<QChar> result = sizeBox ? sizeKeyFilter(typed) : hexKeyFilter(typed);
        QCOMPARE(result ? QString(*result) : QString(), taken);
    }

    void pastedControlCharactersNeverReachTheBox()
    {
        bool refused = false;
        QCOMPARE(filterText(QStringLiteral("1\b2\t3"), hexKeyFilter, &refused),
                 QStringLiteral("123"));
        QVERIFY(refused);
        QCOMPARE(filterText(QStringLiteral("ab"), hexKeyFilter, &refused), QStringLiteral("AB"));
        QVERIFY(!refused);
    }

    void typedKeysAreFiltered_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        QTest::newRow("lower case is raised") << "txtBlk"
                                              << "a1"
                                              << "A1" << 0;
        QTest::newRow("G") << "txtAdr0"
                           << "G"
                           << "" << 1;
        QTest::newRow("space") << "txtLen"
                               << " "
                               << "" << 1;
        QTest::newRow("Japanese") << "txtScp"
                                  << "あ"
                                  << "" << 1;
        QTest::newRow("full-width digit") << "txtAdr1"
                                          << "１"
                                          << "" << 1;
        QTest::newRow("full stop") << "txtAdr1"
                                   << "1.f"
                                   << "1.F" << 0;
        QTest::newRow("refusals inside a run") << "txtAdr0"
                                               << "1x2-3"
                                               << "123" << 2;
        QTest::newRow("backspace erases") << "txtLen"
                                          << "1\b2"
                                          << "2" << 0;
        QTest::newRow("ninth address digit") << "txtAdr0"
                                             << "123456789"
                                             << "12345678" << 0;
        QTest::newRow("third blank digit") << "txtBlk"
                                           << "abc"
                                           << "AB" << 0;
        QTest::newRow("third length digit") << "txtLen"
                                            << "abc"
                                            << "AB" << 0;
        QTest::newRow("third factor digit") << "txtScp"
                                            << "abc"
                                            << "AB" << 0;
    }

    void typedKeysAreFiltered()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        SettingsModel::program().setDumpSettings(storedSample());
        Frm_Set *dialog = openSettings();
        QVERIFY(dialog);
        auto *edit = dialog->findChild<QLineEdit *>(box);
        QVERIFY(edit);
        edit->clear();
        type(edit, typed);
        QTEST(edit->text(), "shown");
        QTEST(g_beeps, "beeps");
    }

    void pastedTextIsFiltered_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("contextMenu");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        QTest::newRow("Ctrl+V, clean") << "txtBlk"
                                       << "1f" << false << "1F" << 0;
        QTest::newRow("Ctrl+V, prefix and letters") << "txtAdr0"
                                                    << "0x1fg" << false << "01F" << 1;
        QTest::newRow("Ctrl+V, line end") << "txtLen"
                                          << "AB\r\n"
                                          << false << "AB" << 1;
        // Filtered first, cut to length after: the refused x takes no room.
        QTest::newRow("Ctrl+V, too long") << "txtScp"
                                          << "x1234" << false << "12" << 1;
        QTest::newRow("Ctrl+V, nothing usable") << "txtAdr1"
                                                << "ｘｙ" << false << "" << 1;
        QTest::newRow("menu, prefix") << "txtAdr0"
                                      << "0x7" << true << "07" << 1;
    }

    void pastedTextIsFiltered()
    {
        QFETCH(QString, box);
        QFETCH(QString, clipboard);
        QFETCH(bool, contextMenu);
        Frm_Set *dialog = openSettings();
        QVERIFY(dialog);
        auto *edit = dialog->findChild<QLineEdit *>(box);
        QVERIFY(edit);
        edit->clear();
        QApplication::clipboard()->setText(clipboard);
        if (contextMenu)
            pasteFromContextMenu(edit);
        else
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QTEST(edit->text(), "shown");
        QTEST(g_beeps, "beeps");
    }

    void openingShowsStoredSettings_data()
    {
        QTest::addColumn<QString>("autoAddress");
        QTest::addColumn<int>("noDump");
        QTest::addColumn<int>("newLine");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("checkSumOnly");
        QTest::addColumn<int>("option");
        QTest::newRow("defaults") << "1" << 0 << 0 << true << false << 0;
        QTest::newRow("given range, CR") << "0" << 1 << 1 << false << true << 1;
        QTest::newRow("LF") << "0" << 0 << 2 << false << false << 2;
        QTest::newRow("hand-edited") << "yes" << 5 << 7 << true << true << -1;
        QTest::newRow("negative line end") << "00" << 0 << -1 << true << false << -1;
    }

    void openingShowsStoredSettings()
    {
        QFETCH(QString, autoAddress);
        QFETCH(int, noDump);
        QFETCH(int, newLine);
        QFETCH(bool, ticked);
        QFETCH(int, option);
        DumpSettings stored = storedSample();
        stored.AutoAddress = autoAddress;
        stored.NoDump = qint16(noDump);
        stored.NewLine = qint16(newLine);
        SettingsModel::program().setDumpSettings(stored);

        Frm_Set *dialog = openSettings();
        QVERIFY(dialog);
        QCOMPARE(dialog->chkAdr()->isChecked(), ticked);
        QCOMPARE(dialog->txtAdr(0)->isEnabled(), !ticked);
        QCOMPARE(dialog->txtAdr(1)->isEnabled(), !ticked);
        QTEST(dialog->chkCheckSum()->isChecked(), "checkSumOnly");
        for (int i = 0; i < 3; ++i)
            QCOMPARE(dialog->opt(i)->isChecked(), i == option);
        const QStringList texts{dialog->txtAdr(0)->text(), dialog->txtAdr(1)->text(),
                                dialog->txtLen()->text(), dialog->txtBlk()->text(),
                                dialog->txtScp()->text()};
        QCOMPARE(texts, QStringList({"1000", "1FFF", "10", "00", "04"}));

        // Confirming untouched keeps a line end no button stands for.
        dialog->cmdOk()->click();
        QCOMPARE(SettingsModel::program().dumpSettings().NewLine, qint16(newLine));
        QCOMPARE(SettingsModel::program().dumpSettings().AutoAddress, ticked ? "1" : "0");
    }

    void overlongStoredTextsSurviveConfirming()
    {
        DumpSettings stored = storedSample();
        stored.StartAddress = QStringLiteral("000010000");
        stored.Scope = QStringLiteral("00A");
        SettingsModel::program().setDumpSettings(stored);
        Frm_Set *dialog = openSettings();
        QVERIFY(dialog);
        QCOMPARE(dialog->txtAdr(0)->text(), stored.StartAddress);
        type(dialog->txtBlk(), QStringLiteral("\bF"));
        dialog->cmdOk()->click();
        QCOMPARE(SettingsModel::program().dumpSettings().StartAddress, stored.StartAddress);
        QCOMPARE(SettingsModel::program().dumpSettings().Scope, stored.Scope);
        QCOMPARE(SettingsModel::program().dumpSettings().BlankChar, QStringLiteral("0F"));
    }

    void checkBoxSwitchesTheAddressBoxes()
    {
        Frm_Set *dialog = openSettings();
        QVERIFY(dialog);
        QVERIFY(dialog->chkAdr()->isChecked());
        for (const bool enabled : {true, false, true}) {
            tick(dialog->chkAdr());
            QCOMPARE(dialog->txtAdr(0)->isEnabled(), enabled);
            QCOMPARE(dialog->txtAdr(1)->isEnabled(), enabled);
        }
    }

    void confirmingEmptiedBoxesStoresTheReplacements()
    {
        SettingsModel::program().setDumpSettings(storedSample());
        QPointer<Frm_Set> dialog = openSettings();
        QVERIFY(dialog);
        // An emptied record length is refused (below).
        for (QLineEdit *box :
             {dialog->txtAdr(0), dialog->txtAdr(1), dialog->txtBlk(), dialog->txtScp()})
            box->clear();
        // Enter in a box presses the default button.
        QTest::keyClick(dialog->txtScp(), Qt::Key_Return);

        const DumpSettings stored = SettingsModel::program().dumpSettings();
        QCOMPARE(QStringList({stored.StartAddress, stored.EndAddress, stored.RecordLength,
                              stored.BlankChar, stored.Scope}),
                 QStringList({"0", "0", "10", "FF", "1"}));
        QCOMPARE(stored.AutoAddress, QStringLiteral("0"));
        QCOMPARE(stored.NoDump, qint16(1));
        QCOMPARE(stored.NewLine, qint16(2));
        QTRY_VERIFY(dialog.isNull());
    }

    void unusableRecordLengthIsRefusedWhereTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        QTest::newRow("0") << "0" << true;
        QTest::newRow("00") << "00" << true;
        QTest::newRow("emptied") << "" << true;
        QTest::newRow("full stop") << "." << true;
        QTest::newRow("1") << "1" << false;
        QTest::newRow("FF") << "ff" << false;
    }

    // Binary to HEX would make nothing of a length of 0; the dialog stays
    // open on the box, and nothing of what it shows is stored.
    void unusableRecordLengthIsRefusedWhereTyped()
    {
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        SettingsModel::program().setDumpSettings(storedSample());
        QPointer<Frm_Set> dialog = openSettings();
        QVERIFY(dialog);
        dialog->txtLen()->clear();
        type(dialog->txtLen(), typed);
        type(dialog->txtBlk(), QStringLiteral("\b\b01"));
        ScriptedPrompts script;
        if (refused)
            script.expectMessage(QMessageBox::Ok);
        dialog->cmdOk()->click();
        QVERIFY(script.allAnswered());
        const DumpSettings stored = SettingsModel::program().dumpSettings();
        if (!refused) {
            QCOMPARE(stored.RecordLength, typed.toUpper());
            QCOMPARE(stored.BlankChar, QStringLiteral("01"));
            QTRY_VERIFY(dialog.isNull());
            return;
        }
        QVERIFY(sameSettings(stored, storedSample()));
        QVERIFY(dialog && dialog->isVisible());
        const AskedPrompt &asked = script.asked().constFirst();
        QCOMPARE(asked.owner, dialog.data());
        QCOMPARE(asked.title, QStringLiteral("ダンプ設定"));
        QVERIFY(asked.text.startsWith(u"最大ﾃﾞｰﾀ長は"));
        QCOMPARE(dialog->txtLen()->selectedText(), typed);
    }

    void confirmingStoresWhatTheControlsShow()
    {
        Frm_Set *dialog = openSettings();
        QVERIFY(dialog);
        tick(dialog->chkAdr());
        dialog->txtAdr(0)->clear();
        type(dialog->txtAdr(0), QStringLiteral("8000"));
        type(dialog->txtAdr(1), QStringLiteral("\bff"));
        // The range is kept even while the box says it is not used.
        tick(dialog->chkAdr());
        QVERIFY(!dialog->txtAdr(0)->isEnabled());
        tick(dialog->chkCheckSum());
        dialog->opt(1)->click();
        dialog->cmdOk()->click();

        const DumpSettings stored = SettingsModel::program().dumpSettings();
        QCOMPARE(stored.StartAddress, QStringLiteral("8000"));
        QCOMPARE(stored.EndAddress, QStringLiteral("FF"));
        QCOMPARE(stored.AutoAddress, QStringLiteral("1"));
        QCOMPARE(stored.NoDump, qint16(1));
        QCOMPARE(stored.NewLine, qint16(1));
    }

    void cancellingKeepsEverything_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("取消") << false;
        QTest::newRow("Esc") << true;
    }

    void cancellingKeepsEverything()
    {
        QFETCH(bool, escape);
        const DumpSettings before = storedSample();
        SettingsModel::program().setDumpSettings(before);
        QPointer<Frm_Set> dialog = openSettings();
        QVERIFY(dialog);
        type(dialog->txtBlk(), QStringLiteral("\b\b12"));
        type(dialog->txtAdr(0), QStringLiteral("\b\b\b\b"));
        tick(dialog->chkAdr());
        dialog->opt(0)->click();
        if (escape)
            QTest::keyClick(dialog->txtBlk(), Qt::Key_Escape);
        else
            dialog->cmdCancel()->click();
        QVERIFY(sameSettings(SettingsModel::program().dumpSettings(), before));
        QTRY_VERIFY(dialog.isNull());

        Frm_Set *again = openSettings();
        QVERIFY(again);
        QCOMPARE(again->txtBlk()->text(), QStringLiteral("00"));
        QCOMPARE(again->txtAdr(0)->text(), QStringLiteral("1000"));
        QVERIFY(!again->chkAdr()->isChecked());
        QVERIFY(again->opt(2)->isChecked());
    }

    void theCommandBringsTheOpenDialogForward()
    {
        Frm_Set *first = openSettings();
        QVERIFY(first);
        QCOMPARE(first->parentWidget(), m_frame.data());
        QVERIFY(!first->isModal());
        type(first->txtBlk(), QStringLiteral("\b\b7"));
        QCOMPARE(openSettings(), first);
        QCOMPARE(m_frame->findChildren<Frm_Set *>().size(), 1);
        QCOMPARE(first->txtBlk()->text(), QStringLiteral("7"));
    }

    void fontSizeFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size"); // 0: the previous size stays
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("whole") << "14" << 14;
        QTest::newRow("leading zeros") << "009" << 9;
        QTest::newRow("half to even, down") << "10.5" << 10;
        QTest::newRow("half to even, up") << "11.5" << 12;
        QTest::newRow("half with trailing zeros") << "12.500" << 12;
        QTest::newRow("just above a half") << "10.5000001" << 11;
        QTest::newRow("below a half") << "10.4999" << 10;
        QTest::newRow("trailing full stop") << "8." << 8;
        QTest::newRow("fraction only") << ".6" << 1;
        QTest::newRow("largest") << "1000" << 1000;
        QTest::newRow("largest, half") << "1000.4" << 1000;
        QTest::newRow("rounds past the largest") << "1000.6" << 0;
        QTest::newRow("too large") << "1001" << 0;
        QTest::newRow("too large to be shown") << "32767" << 0;
        QTest::newRow("far too large") << "99999999999999999999" << 0;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("rounds to zero") << "0.5" << 0;
        QTest::newRow("two full stops") << "1.2.3" << 0;
        QTest::newRow("full stop alone") << "." << 0;
        QTest::newRow("sign") << "-5" << 0;
    }

    void fontSizeFromText()
    {
        QFETCH(QString, text);
        QFETCH(int, size);
        const std::optional<qint16> result = ::fontSizeFromText(text);
        QCOMPARE(result.has_value(), size != 0);
        if (result)
            QCOMPARE(int(*result), size);
    }

    void sizeBoxTakesDigitsAndFullStop_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        QTest::newRow("digits and a full stop") << "10.5"
                                                << "10.5" << 0;
        QTest::newRow("letters are not raised") << "1a"
                                                << "1" << 1;
        QTest::newRow("upper-case letter") << "F"
                                           << "" << 1;
        QTest::newRow("comma and space") << "9, 5"
                                         << "95" << 2;
        QTest::newRow("backspace") << "12\b4"
                                   << "14" << 0;
    }

    void sizeBoxTakesDigitsAndFullStop()
    {
        QFETCH(QString, typed);
        Frm_Font *dialog = openFont();
        QVERIFY(dialog);
        dialog->txtSize()->clear();
        type(dialog->txtSize(), typed);
        QTEST(dialog->txtSize()->text(), "shown");
        QTEST(g_beeps, "beeps");
    }

    void confirmingReachesEveryDocumentBeforeClosing_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("applied");
        QTest::newRow("rounded") << "10.5" << 10;
        QTest::newRow("empty box") << "" << 1;
        QTest::newRow("no size") << "1.2.3" << 14;
    }

    void confirmingReachesEveryDocumentBeforeClosing()
    {
        QFETCH(QString, size);
        QFETCH(int, applied);
        QList<Form1 *> documents;
        for (const char *name : {"a.hex", "b.hex", "c.txt"})
            documents.append(
                m_frame->openDocument(QStringLiteral("x"), QString::fromLatin1(name), true));
        QPointer<Frm_Font> dialog = openFont();
        QVERIFY(dialog);
        const QString face = dialog->cmFont()->itemText(dialog->cmFont()->count() - 1);
        dialog->cmFont()->setCurrentIndex(dialog->cmFont()->count() - 1);
        dialog->txtSize()->clear();
        type(dialog->txtSize(), size);

        QList<QFont> seenAtClose;
        connect(dialog, &QDialog::finished, this, [&] {
            for (Form1 *document : documents)
                seenAtClose.append(document->Txt()->font());
        });
        QTest::keyClick(dialog->cmFont(), Qt::Key_Return);

        QCOMPARE(seenAtClose.size(), 3);
        for (const QFont &font : seenAtClose) {
            QCOMPARE(font.family(), face);
            QCOMPARE(font.pointSize(), applied);
        }
        QCOMPARE(SettingsModel::program().displayFont().FontFace, face);
        QCOMPARE(int(SettingsModel::program().displayFont().FontSize), applied);
        QTRY_VERIFY(dialog.isNull());
    }

    void cancellingChangesNoDocument()
    {
        Form1 *document = m_frame->openDocument(QStringLiteral("x"), QStringLiteral("a.hex"), true);
        const QFont before = document->Txt()->font();
        Frm_Font *dialog = openFont();
        QVERIFY(dialog);
        dialog->cmFont()->setCurrentIndex(0);
        type(dialog->txtSize(), QStringLiteral("\b\b30"));
        dialog->cmb(1)->click();
        QCOMPARE(document->Txt()->font(), before);
        QCOMPARE(SettingsModel::program().displayFont().FontSize, qint16(14));
        QCOMPARE(SettingsModel::program().displayFont().FontFace, DisplayFont{}.FontFace);
    }

    void theStoredFaceIsSelectedWhenInstalled()
    {
        Frm_Font *dialog = openFont();
        QVERIFY(dialog);
        QStringList faces;
        for (int i = 0; i < dialog->cmFont()->count(); ++i)
            faces.append(dialog->cmFont()->itemText(i));
        QVERIFY(!faces.isEmpty());
        QStringList sorted = faces;
        sorted.sort(Qt::CaseInsensitive);
        QCOMPARE(faces, sorted);
        // The default face is not installed here: nothing is selected and
        // the size shows the first-run default.
        QCOMPARE(dialog->cmFont()->currentIndex(), -1);
        QCOMPARE(dialog->txtSize()->text(), QStringLiteral("14"));
        dialog->cmb(1)->click();

        const auto withLowerCase = std::find_if(
            faces.begin(), faces.end(), [](const QString &face) { return face != face.toUpper(); });
        QVERIFY(withLowerCase != faces.end());
        const QString installed = *withLowerCase;
        SettingsModel::program().setDisplayFont({installed, 11});
        QTRY_VERIFY(!m_frame->findChild<Frm_Font *>());
        dialog = openFont();
        QVERIFY(dialog);
        QCOMPARE(dialog->cmFont()->currentText(), installed);
        QCOMPARE(dialog->cmFont()->currentIndex(), int(faces.indexOf(installed)));
        QCOMPARE(dialog->txtSize()->text(), QStringLiteral("11"));
        dialog->cmb(1)->click();

        // A face differing only in case is another face.
        SettingsModel::program().setDisplayFont({installed.toUpper(), 11});
        QTRY_VERIFY(!m_frame->findChild<Frm_Font *>());
        dialog = openFont();
        QVERIFY(dialog);
        QCOMPARE(dialog->cmFont()->currentIndex(), -1);
    }

    void anEmptiedFaceKeepsThePreviousOne()
    {
        SettingsModel::program().setDisplayFont({QStringLiteral("IPAGothic"), 12});
        Frm_Font *dialog = openFont();
        QVERIFY(dialog);
        dialog->cmFont()->setEditText(QStringLiteral("  "));
        dialog->cmb(0)->click();
        QCOMPARE(SettingsModel::program().displayFont().FontFace, QStringLiteral("IPAGothic"));
        QCOMPARE(SettingsModel::program().displayFont().FontSize, qint16(12));
    }
};

QTEST_MAIN(SettingsDialogsTest)
#include "settings_dialogs_test.moc"
