#include "support/test_files.h"

#include "core/SettingsModel.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestSettingsModel : public QObject {
    Q_OBJECT

private slots:
    void init();
    void loadsFileWrittenOnWindows();
    void resavesFileWrittenOnWindowsUnchanged();
    void firstRunWritesKeysInOrder();
    void missingKeysTakeDefaults();
    void handEditedIntegersFallBack_data();
    void handEditedIntegersFallBack();
    void unreadableFileNeverStopsStartUp();
    void fileStateOfWhatLiesThere_data();
    void fileStateOfWhatLiesThere();
    void failedSaveLeavesOldFile();

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("Pelcor.ini")); }
    std::unique_ptr<QTemporaryDir> m_dir;
    SettingsModel m_settings;
};

namespace {

QByteArray fixture()
{
    return readBytes(QStringLiteral(PELCOR_TEST_DATA "/settings/windows.ini"));
}

PlacementBlock fixturePlacement()
{
    PlacementBlock block;
    block.left = 120;
    block.top = 90;
    block.right = 920;
    block.bottom = 690;
    return block;
}

} // namespace

void TestSettingsModel::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_settings = SettingsModel();
    m_settings.setUp(m_dir->path());
}

void TestSettingsModel::loadsFileWrittenOnWindows()
{
    writeBytes(iniPath(), fixture());
    const auto placement = m_settings.restoreStep();

    const DumpSettings dump = m_settings.dumpSettings();
    QCOMPARE(dump.StartAddress, "8000");
    QCOMPARE(dump.EndAddress, "FFFF");
    QCOMPARE(dump.AutoAddress, "0");
    QCOMPARE(dump.RecordLength, "10");
    QCOMPARE(dump.BlankChar, "00");
    QCOMPARE(dump.Scope, "0C");
    QCOMPARE(dump.NoDump, 1);
    QCOMPARE(dump.NewLine, 2);
    QCOMPARE(m_settings.displayFont().FontFace, QString::fromUtf8("ＭＳ 明朝"));
    QCOMPARE(m_settings.displayFont().FontSize, 11);
    QVERIFY(placement);
    QCOMPARE(placement->toBytes(), fixturePlacement().toBytes());
}

void TestSettingsModel::resavesFileWrittenOnWindowsUnchanged()
{
    writeBytes(iniPath(), fixture());
    const auto placement = m_settings.restoreStep();
    QVERIFY(placement);
    QVERIFY(m_settings.saveStep(*placement));
    QCOMPARE(readBytes(iniPath()), fixture());

    DisplayFont font = m_settings.displayFont();
    font.FontSize = 12;
    m_settings.setDisplayFont(font);
    QVERIFY(m_settings.saveStep(*placement));
    QByteArray expected = fixture();
    expected.replace("FontSize=11\r\n", "FontSize=12\r\n");
    QCOMPARE(readBytes(iniPath()), expected);
}

void TestSettingsModel::firstRunWritesKeysInOrder()
{
    QVERIFY(!m_settings.restoreStep());
    QVERIFY(m_settings.saveStep(fixturePlacement()));
    const QList<QByteArray> lines = readBytes(iniPath()).split('\n');
    QCOMPARE(lines.size(), 13);
    QCOMPARE(
        lines.mid(0, 11),
        QList<QByteArray>({"[Vantrel]\r", "StartAddress=0\r", "EndAddress=0\r", "AutoAddress=1\r",
                           "RecordLength=20\r", "BlankChar=FF\r", "Scope=0A\r", "NoDump=0\r",
                           "NewLine=0\r", sjis("FontFace=ＭＳ ゴシック\r"), "FontSize=14\r"}));
    QVERIFY(lines.at(11).startsWith("MDISize=2C000000"));
    QCOMPARE(lines.at(11).size(), 8 + 2 * PlacementBlock::Size + 2 + 1);
    QCOMPARE(lines.at(12), QByteArray());
}

void TestSettingsModel::missingKeysTakeDefaults()
{
    writeBytes(iniPath(), "[Vantrel]\r\nFontSize=9\r\nAutoAddress=yes\r\nScope=\r\nFontFace=\r\n");
    m_settings.load();
    const DumpSettings dump = m_settings.dumpSettings();
    QCOMPARE(m_settings.displayFont().FontSize, 9);
    QCOMPARE(dump.AutoAddress, "yes");
    QCOMPARE(dump.Scope, "");
    QCOMPARE(m_settings.displayFont().FontFace, "");
    QCOMPARE(dump.StartAddress, DumpSettings().StartAddress);
    QCOMPARE(dump.BlankChar, DumpSettings().BlankChar);
    QCOMPARE(dump.NoDump, DumpSettings().NoDump);
}

void TestSettingsModel::handEditedIntegersFallBack_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("integer");
    // What the documents are shown in: a size past the font dialog's
    // largest is that largest.
    QTest::addColumn<int>("fontSize");
    QTest::newRow("plain") << QByteArray("9") << 9 << 9;
    QTest::newRow("blanks around") << QByteArray(" 12 ") << 12 << 12;
    QTest::newRow("signed") << QByteArray("+7") << 7 << 7;
    QTest::newRow("lowest") << QByteArray("-32768") << -32768 << -32768;
    QTest::newRow("highest") << QByteArray("32767") << 32767 << 1000;
    QTest::newRow("past the font dialog") << QByteArray("1001") << 1001 << 1000;
    QTest::newRow("too high") << QByteArray("32768") << 14 << 14;
    QTest::newRow("too low") << QByteArray("-32769") << 14 << 14;
    QTest::newRow("far too high") << QByteArray("99999999999999999999") << 14 << 14;
    QTest::newRow("empty") << QByteArray("") << 14 << 14;
    QTest::newRow("word") << QByteArray("big") << 14 << 14;
    QTest::newRow("hex") << QByteArray("0x10") << 14 << 14;
    QTest::newRow("fraction") << QByteArray("10.5") << 14 << 14;
    QTest::newRow("sign alone") << QByteArray("-") << 14 << 14;
    QTest::newRow("full-width digits") << sjis("１２") << 14 << 14;
}

void TestSettingsModel::handEditedIntegersFallBack()
{
    QFETCH(QByteArray, text);
    QFETCH(int, integer);
    QFETCH(int, fontSize);
    writeBytes(iniPath(), "[Vantrel]\r\nFontSize=" + text + "\r\nNoDump=" + text
                              + "\r\nNewLine=" + text + "\r\n");
    m_settings.load();
    QCOMPARE(m_settings.displayFont().FontSize, fontSize);
    const int fallback = integer == 14 ? 0 : integer;
    QCOMPARE(m_settings.dumpSettings().NoDump, fallback);
    QCOMPARE(m_settings.dumpSettings().NewLine, fallback);
}

void TestSettingsModel::unreadableFileNeverStopsStartUp()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Pelcor.ini")));
    QVERIFY(!m_settings.restoreStep());
    QCOMPARE(m_settings.displayFont().FontSize, DisplayFont().FontSize);
    QVERIFY(!m_settings.saveStep(PlacementBlock()));

    SettingsModel nowhere;
    nowhere.setUp(m_dir->filePath(QStringLiteral("gone")));
    QVERIFY(!nowhere.restoreStep());
    QVERIFY(!nowhere.saveStep(PlacementBlock()));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("gone"))));
}

void TestSettingsModel::fileStateOfWhatLiesThere_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("state");
    using State = SettingsModel::FileState;
    const QByteArray small = "[Vantrel]\r\nFontSize=9\r\n";
    QTest::newRow("nothing") << "none" << QByteArray() << int(State::Missing);
    QTest::newRow("section") << "file" << small << int(State::Read);
    QTest::newRow("section behind a UTF-8 mark") << "file"
                                                 << "\xEF\xBB\xBF" + small << int(State::Read);
    QTest::newRow("empty") << "file" << QByteArray() << int(State::WithoutSection);
    QTest::newRow("other sections only")
        << "file" << QByteArray("[Other]\r\nFontSize=9\r\n") << int(State::WithoutSection);
    QTest::newRow("folder") << "folder" << QByteArray() << int(State::Unreadable);
    QTest::newRow("FIFO") << "fifo" << QByteArray() << int(State::Unreadable);
    QTest::newRow("link to /dev/zero") << "zero" << QByteArray() << int(State::Unreadable);
    QTest::newRow("larger than any settings file") << "large" << small << int(State::Unreadable);
}

// Whatever lies where the settings file should be, reading it neither
// waits nor takes the memory it claims, and a file that cannot be read is
// never replaced.
void TestSettingsModel::fileStateOfWhatLiesThere()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(int, state);
    const QByteArray local = QFile::encodeName(iniPath());
    if (kind == u"file" || kind == u"large")
        writeBytes(iniPath(), content);
    if (kind == u"large")
        QVERIFY(::truncate(local.constData(), 64 << 20) == 0);
    if (kind == u"folder")
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Pelcor.ini")));
    if (kind == u"fifo")
        QVERIFY(::mkfifo(local.constData(), 0600) == 0);
    if (kind == u"zero")
        QVERIFY(::symlink("/dev/zero", local.constData()) == 0);

    m_settings.restoreStep();
    QCOMPARE(int(m_settings.fileState()), state);
    const bool read = state == int(SettingsModel::FileState::Read);
    QCOMPARE(m_settings.displayFont().FontSize, read ? 9 : DisplayFont().FontSize);
    if (state == int(SettingsModel::FileState::Unreadable)) {
        QVERIFY(!m_settings.saveStep(PlacementBlock()));
        m_settings.load();
        QCOMPARE(int(m_settings.fileState()), state);
    }
}

void TestSettingsModel::failedSaveLeavesOldFile()
{
    writeBytes(iniPath(), fixture());
    m_settings.load();
    m_settings.setDisplayFont(DisplayFont());
    {
        FileSizeLimit diskFull(64);
        QVERIFY(!m_settings.saveStep(PlacementBlock()));
    }
    QCOMPARE(readBytes(iniPath()), fixture());
}

QTEST_GUILESS_MAIN(TestSettingsModel)
#include "settings_model_test.moc"
