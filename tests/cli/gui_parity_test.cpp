// kestrun against Pelcor's own conversions: for the same input and the
// same settings, the bytes kestrun writes must be those Pelcor saves or
// shows (a report as Pelcor saves it: code page 932), and a conversion
// that fails in one fails in the other with the same message.
#include "convert/Conversions.h"
#include "core/SettingsModel.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "core/Cp932.h"
#include "shell/FileRoutines.h"
#include "support/kestrun_process.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QFile>
#include <QMdiArea>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(DumpSettings)

namespace {

enum class Command { HexToBinary, BinaryToHex, Dump, HexDump, Sum };

const char *commandName(Command command)
{
    constexpr const char *names[] = {"hex2bin", "bin2hex", "dump", "hexdump", "sum"};
    return names[int(command)];
}

DumpSettings settingsWith(const std::function<void(DumpSettings &)> &change)
{
    DumpSettings settings;
    change(settings);
    return settings;
}

} // namespace

class GuiParityTest : public QObject, protected FrameFixture {
    Q_OBJECT

private:
    // Names in Japanese, so the reports' FileName line is code page 932.
    const QString m_binary = m_dir.filePath(QStringLiteral("ロム.bin"));
    const QString m_contiguous = m_dir.filePath(QStringLiteral("連続.hex"));
    const QString m_scattered = m_dir.filePath(QStringLiteral("散在.hex"));
    const QString m_emptyHex = m_dir.filePath(QStringLiteral("空.hex"));
    const QString m_emptyBinary = m_dir.filePath(QStringLiteral("空.bin"));

    Form1 *openHex(const QString &source)
    {
        // A file already open comes forward rather than opening again.
        m_frame->openFileAsDocument(source);
        return m_frame->activeDocument();
    }

    // Runs `command` in Pelcor, answering its dialogs as kestrun's outcome
    // predicts (はい where kestrun noted a range of fill alone); the bytes it
    // saves or shows, empty when it failed.
    QByteArray runInPelcor(Command command, const QString &source, bool succeeds, bool asked,
                           ScriptedPrompts &script)
    {
        const QString saved = path(QStringLiteral("pelcor.bin"));
        QFile::remove(saved);
        if (asked)
            script.expectMessage(QMessageBox::Yes);
        if (command == Command::HexToBinary && succeeds)
            script.expectSave(saved);
        if (command != Command::HexToBinary && command != Command::HexDump)
            script.expectOpen(source);
        if (!succeeds)
            script.expectMessage(QMessageBox::Ok);

        switch (command) {
        case Command::HexToBinary:
            return m_frame->convertHexToBinary(openHex(source)) ? readBytes(saved) : QByteArray();
        case Command::HexDump:
            return m_frame->convertHexToDump(openHex(source)) ? encodeCp932(newestText())
                                                              : QByteArray();
        case Command::BinaryToHex:
            return m_frame->convertBinaryToHex() ? encodeCp932(newestText()) : QByteArray();
        case Command::Dump:
        case Command::Sum:
            return m_frame->convertBinaryToDump() ? encodeCp932(newestText()) : QByteArray();
        }
        return QByteArray();
    }

    // kestrun's output of `command` on `source` with `options`.
    KestrunRun runInKestrun(Command command, const QString &source, const QStringList &options)
    {
        const QString written = path(QStringLiteral("kestrun.bin"));
        QFile::remove(written);
        QStringList arguments{QString::fromLatin1(commandName(command)), source};
        if (command == Command::HexToBinary)
            arguments << QStringLiteral("-o") << written;
        KestrunRun result = runKestrun(arguments + options);
        if (command == Command::HexToBinary) {
            if (result.exitCode == 0)
                result.out = readBytes(written);
            else
                [&] { QVERIFY2(!QFile::exists(written), "a failed run left its output"); }();
        }
        return result;
    }

    // The end of kestrun's error line for Pelcor's message: the library's
    // message, and the line that Pelcor names below it, if any, where
    // kestrun names it after the file.
    static QString kestrunError(const QString &pelcor)
    {
        static const QRegularExpression where(
            QStringLiteral("^(.*)\\n\\((\\d+) 行目(?:: (.*))?\\)$"),
            QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch match = where.match(pelcor);
        if (!match.hasMatch())
            return ": " + pelcor + '\n';
        const QString note = match.captured(3);
        return ':' + match.captured(2) + ": " + match.captured(1)
               + (note.isEmpty() ? QString() : " (" + note + ')') + '\n';
    }

    void compare(Command command, const QString &source, const QStringList &options,
                 const DumpSettings &settings)
    {
        const QByteArray what = QByteArray(commandName(command)) + ' ' + source.toUtf8();
        const KestrunRun kestrun = runInKestrun(command, source, options);
        QVERIFY2(kestrun.exitCode == 0 || kestrun.exitCode == 1, kestrun.err.constData());

        DumpSettings pelcorSettings = settings;
        if (command == Command::Sum)
            pelcorSettings.NoDump = 1;
        SettingsModel::program().setDumpSettings(pelcorSettings);
        ScriptedPrompts script;
        const bool succeeds = kestrun.exitCode == 0;
        const bool asked = kestrun.errorText().contains(u"にはデータがありません。");
        QByteArray pelcor = runInPelcor(command, source, succeeds, asked, script);
        QVERIFY2(script.allAnswered(), what.constData());
        if (asked)
            QVERIFY(script.texts().constFirst().startsWith(u"ﾃﾞｰﾀのない範囲です"));
        if (!succeeds) {
            QCOMPARE(script.texts().size(), 1);
            QVERIFY2(kestrun.errorText().endsWith(kestrunError(script.texts().constFirst())),
                     kestrun.err.constData());
            return;
        }
        if (command == Command::Sum) {
            const auto match = QRegularExpression(QStringLiteral("CheckSum :  (\\w{8})"))
                                   .match(QString::fromLatin1(pelcor));
            QVERIFY(match.hasMatch());
            pelcor = match.captured(1).toLatin1() + '\n';
        }
        QVERIFY2(kestrun.out == pelcor, what.constData());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Past 64 KiB, so that HEX text gets extended address records.
        writeBytes(m_binary, sampleImage(0x10015, 1));
        writeBytes(m_contiguous, contiguousHex(sampleImage(0x10030, 2)));
        writeBytes(m_scattered, scatteredHex());
        writeBytes(m_emptyHex, QByteArray());
        writeBytes(m_emptyBinary, QByteArray());
    }

    void init() { openFrame(); }
    void cleanup() { closeFrame(); }

    void everyCommandGivesPelcorsBytes_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<DumpSettings>("settings");
        QTest::newRow("defaults") << QStringList() << DumpSettings();
        QTest::newRow("range past the data, fill 00")
            << QStringList{"--start", "10", "--end", "1004F", "--fill", "00"}
            << settingsWith([](DumpSettings &s) {
                   s.AutoAddress = "0";
                   s.StartAddress = "10";
                   s.EndAddress = "1004F";
                   s.BlankChar = "00";
               });
        QTest::newRow("LF, records of 10, checksum only")
            << QStringList{"--line-end", "lf", "--record-length", "10", "--checksum-only"}
            << settingsWith([](DumpSettings &s) {
                   s.NewLine = 2;
                   s.RecordLength = "10";
                   s.NoDump = 1;
               });
        QTest::newRow("CR, fill 20, scope 400")
            << QStringList{"--line-end", "cr", "--fill", "20", "--scope", "400"}
            << settingsWith([](DumpSettings &s) {
                   s.NewLine = 1;
                   s.BlankChar = "20";
                   s.Scope = "400";
               });
        QTest::newRow("range beyond the binary")
            << QStringList{"--start", "20000", "--end", "2FFFF"}
            << settingsWith([](DumpSettings &s) {
                   s.AutoAddress = "0";
                   s.StartAddress = "20000";
                   s.EndAddress = "2FFFF";
               });
        QTest::newRow("scope 1") << QStringList{"--scope", "1"}
                                 << settingsWith([](DumpSettings &s) { s.Scope = "1"; });
        QTest::newRow("given end only")
            << QStringList{"--end", "FFFF", "--scope", "40"} << settingsWith([](DumpSettings &s) {
                   s.AutoAddress = "0";
                   s.EndAddress = "FFFF";
                   s.Scope = "40";
               });
    }

    void everyCommandGivesPelcorsBytes()
    {
        QFETCH(QStringList, options);
        QFETCH(DumpSettings, settings);
        const struct {
            Command command;
            QString source;
        } runs[] = {
            {Command::HexToBinary, m_contiguous},
            {Command::HexToBinary, m_scattered},
            {Command::HexDump, m_contiguous},
            {Command::HexDump, m_scattered},
            {Command::BinaryToHex, m_binary},
            {Command::Dump, m_binary},
            {Command::Sum, m_binary},
            {Command::HexToBinary, m_emptyHex},
            {Command::HexDump, m_emptyHex},
            {Command::BinaryToHex, m_emptyBinary},
            {Command::Dump, m_emptyBinary},
            {Command::Sum, m_emptyBinary},
        };
        for (const auto &run : runs) {
            compare(run.command, run.source, options, settings);
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_MAIN(GuiParityTest)
#include "gui_parity_test.moc"
