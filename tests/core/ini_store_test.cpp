#include "support/test_files.h"

#include "core/ClsIniApi.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

class TestIniStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void readsProfileSyntax_data();
    void readsProfileSyntax();
    void writesOnlyItsOwnLine_data();
    void writesOnlyItsOwnLine();
    void utf8FileStaysUtf8();
    void refusesTextsThatWouldBreakLines();
    void storesStructsWithCheckByte();
    void rejectsDamagedStructs_data();
    void rejectsDamagedStructs();
    void cutsValuesToBufferSize_data();
    void cutsValuesToBufferSize();
    void writesAllKeysInOrder();
    void reportsEveryFailedBulkWrite();
    void keepsSectionArgumentForLaterCalls();
    void enumValuesFillsSlots();
    void enumeratesSectionsAndEntries();
    void cutsEnumeratedListsToBufferSize();
    void replacesListsAndReportsCallerErrors();
    void failedWriteKeepsOldFile();
    void unwritablePlacesReportFalse();

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("t.ini")); }
    std::unique_ptr<QTemporaryDir> m_dir;
    ClsIniApi m_ini;
};

void TestIniStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ini = ClsIniApi();
    m_ini.setPath(iniPath());
    m_ini.setSection(QStringLiteral("S"));
}

void TestIniStore::readsProfileSyntax_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("names ignore ASCII case")
        << QByteArray("[vAnTrEl]\r\nFONTSIZE=9\r\n") << "Vantrel"
        << "FontSize"
        << "9";
    QTest::newRow("blanks trimmed") << QByteArray("[ S ]\r\n \tKey \t=  a b \t\r\n") << "S"
                                    << "Key"
                                    << "a b";
    QTest::newRow("one pair of quotes goes") << QByteArray("[S]\r\nKey=\"  a \"\r\n") << "S"
                                             << "Key"
                                             << "  a ";
    QTest::newRow("only one pair") << QByteArray("[S]\r\nKey=\"\"a\"\"\r\n") << "S"
                                   << "Key"
                                   << "\"a\"";
    QTest::newRow("LF lines") << QByteArray("[S]\nA=1\nKey=2\n") << "S"
                              << "Key"
                              << "2";
    QTest::newRow("CR lines") << QByteArray("[S]\rA=1\rKey=2") << "S"
                              << "Key"
                              << "2";
    QTest::newRow("comment is no key") << QByteArray("[S]\r\n;Key=no\r\nKey=yes\r\n") << "S"
                                       << "Key"
                                       << "yes";
    QTest::newRow("first of two") << QByteArray("[S]\r\nKey=1\r\nkey=2\r\n") << "S"
                                  << "Key"
                                  << "1";
    QTest::newRow("present but empty") << QByteArray("[S]\r\nKey=\r\n") << "S"
                                       << "Key"
                                       << "";
    QTest::newRow("other section") << QByteArray("[S]\r\n[T]\r\nKey=1\r\n") << "S"
                                   << "Key"
                                   << "dflt";
    QTest::newRow("before any section") << QByteArray("Key=1\r\n[S]\r\n") << "S"
                                        << "Key"
                                        << "dflt";
    QTest::newRow("double-byte names are not case-folded")
        << sjis("[S]\r\nア=1\r\n") << "S" << QString::fromUtf8("ヂ") << "dflt";
    QTest::newRow("bracket as second byte")
        << sjis("[ゾ]\r\nKey=ゾ]\r\n") << QString::fromUtf8("ゾ") << "Key"
        << QString::fromUtf8("ゾ]");
    QTest::newRow("section behind a UTF-8 mark")
        << QByteArray("\xEF\xBB\xBF[Vantrel]\r\nFontSize=9\r\n") << "Vantrel"
        << "FontSize"
        << "9";
    QTest::newRow("UTF-8 text behind the mark")
        << QByteArray("\xEF\xBB\xBF[S]\r\nKey=ＭＳ ゴシック\r\n") << "S"
        << "Key" << QString::fromUtf8("ＭＳ ゴシック");
    QTest::newRow("no UTF-8 after all") << QByteArray("\xEF\xBB\xBF[S]\r\nKey=\xB1\xB2\r\n") << "S"
                                        << "Key" << QString::fromUtf8("ｱｲ");
    QTest::newRow("a mark later is no mark")
        << QByteArray("\r\n\xEF\xBB\xBF[S]\r\nKey=1\r\n") << "S"
        << "Key"
        << "dflt";
}

void TestIniStore::readsProfileSyntax()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    writeBytes(iniPath(), file);
    QCOMPARE(m_ini.GetValue(key, QStringLiteral("dflt"), section), expected);
}

void TestIniStore::writesOnlyItsOwnLine_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("after");

    const QByteArray other = sjis("; 表示\n[T]\nX=1\r\n");
    QTest::newRow("replaced in place, spelling kept")
        << QByteArray("[s]\r\nA=1\r\nkEy = old \r\nB=2\r\n") + other << "KEY"
        << QByteArray("[s]\r\nA=1\r\nkEy=new\r\nB=2\r\n") + other;
    QTest::newRow("appended after the section's last key")
        << QByteArray("[S]\r\nA=1\r\n\r\n; next\r\n") + other << "Key"
        << QByteArray("[S]\r\nA=1\r\nKey=new\r\n\r\n; next\r\n") + other;
    QTest::newRow("a section without keys") << QByteArray("[S]\r\n\r\n") + other << "Key"
                                            << QByteArray("[S]\r\nKey=new\r\n\r\n") + other;
    QTest::newRow("section created at the end") << other + "Y"
                                                << "Key" << other + "Y\r\n[S]\r\nKey=new\r\n";
    QTest::newRow("file created") << QByteArray() << "Key" << QByteArray("[S]\r\nKey=new\r\n");
    QTest::newRow("behind a UTF-8 mark, which stays")
        << QByteArray("\xEF\xBB\xBF[S]\r\nKey=old\r\n") << "Key"
        << QByteArray("\xEF\xBB\xBF[S]\r\nKey=new\r\n");
}

void TestIniStore::writesOnlyItsOwnLine()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        writeBytes(iniPath(), before);
    QVERIFY(m_ini.SetValue(QStringLiteral("new"), key));
    QCOMPARE(readBytes(iniPath()), after);
}

// Behind a UTF-8 mark the text goes in as UTF-8 too, and reads back.
void TestIniStore::utf8FileStaysUtf8()
{
    const QByteArray mark("\xEF\xBB\xBF");
    writeBytes(iniPath(), mark + "[S]\r\nOld=ｱ\r\n");
    const QString face = QString::fromUtf8("ＭＳ ゴシック");
    QVERIFY(m_ini.SetValue(face, QStringLiteral("Face")));
    QCOMPARE(readBytes(iniPath()), mark + "[S]\r\nOld=ｱ\r\nFace=" + face.toUtf8() + "\r\n");
    QCOMPARE(m_ini.GetValue(QStringLiteral("Face")), face);
}

void TestIniStore::refusesTextsThatWouldBreakLines()
{
    const QByteArray before("[S]\r\nKey=1\r\n");
    writeBytes(iniPath(), before);
    QVERIFY(!m_ini.SetValue(QStringLiteral("2\r\n[Evil]"), QStringLiteral("Key")));
    QVERIFY(!m_ini.SetValue(QStringLiteral("2"), QStringLiteral("K=ey")));
    QVERIFY(!m_ini.SetValue(QStringLiteral("2"), QStringLiteral("Key"), QStringLiteral("A\nB")));
    QCOMPARE(readBytes(iniPath()), before);
}

void TestIniStore::storesStructsWithCheckByte()
{
    const unsigned char data[] = {0x01, 0xAB, 0xFF};
    QVERIFY(m_ini.SetStruct(data, 3, QStringLiteral("Blk")));
    QCOMPARE(readBytes(iniPath()), QByteArray("[S]\r\nBlk=01ABFFAB\r\n"));
    unsigned char back[3] = {};
    QVERIFY(m_ini.GetStruct(back, 3, QStringLiteral("Blk")));
    QCOMPARE(QByteArray(reinterpret_cast<char *>(back), 3), QByteArray("\x01\xAB\xFF", 3));
}

void TestIniStore::rejectsDamagedStructs_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("intact, lower case") << QByteArray("Blk=01abffab") << true;
    QTest::newRow("missing") << QByteArray("Other=01ABFFAB") << false;
    QTest::newRow("check byte wrong") << QByteArray("Blk=01ABFFAC") << false;
    QTest::newRow("data changed") << QByteArray("Blk=02ABFFAB") << false;
    QTest::newRow("one digit short") << QByteArray("Blk=01ABFFA") << false;
    QTest::newRow("one digit more") << QByteArray("Blk=01ABFFAB0") << false;
    QTest::newRow("sound block of another size") << QByteArray("Blk=01ABFF00AB") << false;
    QTest::newRow("not hex") << QByteArray("Blk=01ABFG0B") << false;
}

void TestIniStore::rejectsDamagedStructs()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);
    writeBytes(iniPath(), "[S]\r\n" + line + "\r\n");
    unsigned char back[3] = {0x55, 0x55, 0x55};
    QCOMPARE(m_ini.GetStruct(back, 3, QStringLiteral("Blk")), accepted);
    const QByteArray expected = accepted ? QByteArray("\x01\xAB\xFF", 3) : QByteArray(3, 0x55);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(back), 3), expected);
}

void TestIniStore::cutsValuesToBufferSize_data()
{
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    const QString face = QString::fromUtf8("ＭＳ ゴシック");
    QTest::newRow("fresh store: 1023 bytes") << 1024 << QString(1100, u'a') << QString(1023, u'a');
    QTest::newRow("bytes, not characters") << 5 << face << QString::fromUtf8("ＭＳ");
    QTest::newRow("no half character") << 4 << face << QString::fromUtf8("Ｍ");
    QTest::newRow("room for the NUL only") << 1 << face << QString();
    QTest::newRow("no buffer") << 0 << face << QString();
}

void TestIniStore::cutsValuesToBufferSize()
{
    QFETCH(int, bufferSize);
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QVERIFY(m_ini.SetValue(stored, QStringLiteral("Key")));
    m_ini.setBufferSize(bufferSize);
    QCOMPARE(m_ini.GetValue(QStringLiteral("Key")), expected);
    QCOMPARE(m_ini.GetValue(QStringLiteral("Absent"), stored), expected);
}

void TestIniStore::writesAllKeysInOrder()
{
    QVariantList keys, values;
    for (int i = 0; i < 10; ++i) {
        keys << QStringLiteral("K%1").arg(i);
        values << i - 5;
    }
    m_ini.SetArrayKey(10, keys);
    m_ini.SetArrayValue(10, values);
    QVERIFY(m_ini.SetValue());
    QCOMPARE(readBytes(iniPath()), QByteArray("[S]\r\nK0=-5\r\nK1=-4\r\nK2=-3\r\nK3=-2\r\nK4=-1\r\n"
                                              "K5=0\r\nK6=1\r\nK7=2\r\nK8=3\r\nK9=4\r\n"));

    QFile::remove(iniPath());
    m_ini.SetArrayValue(9, values);
    QVERIFY(!m_ini.SetValue());
    QVERIFY(readBytes(iniPath()).endsWith("K8=3\r\n"));

    QFile::remove(iniPath());
    m_ini.SetArrayKey(0, keys);
    QVERIFY(!m_ini.SetValue());
    QVERIFY(!QFile::exists(iniPath()));
}

void TestIniStore::reportsEveryFailedBulkWrite()
{
    m_ini.SetArrayKey(3, {"A", "B;=", "C"});
    m_ini.SetArrayValue(3, {"1", "2", "3"});
    QVERIFY(!m_ini.SetValue());
    QCOMPARE(readBytes(iniPath()), QByteArray("[S]\r\nA=1\r\nC=3\r\n"));

    m_ini.SetArrayKey(1, {"A"});
    m_ini.SetArrayValue(1, {"1"});
    QVERIFY(!m_ini.SetValue({}, {}, {}, m_dir->filePath(QStringLiteral("no/such/dir.ini"))));
}

void TestIniStore::keepsSectionArgumentForLaterCalls()
{
    writeBytes(iniPath(), "[S]\r\nKey=s\r\n[Other]\r\nKey=other\r\n");
    QCOMPARE(m_ini.GetValue(QStringLiteral("Key"), {}, QStringLiteral("Other")), "other");
    QCOMPARE(m_ini.Section(), "Other");
    m_ini.SetArrayKey(1, {"Key"});
    m_ini.SetArrayDefault(1, {"d"});
    QStringList values(1);
    m_ini.EnumValues(1, values);
    QCOMPARE(values.at(0), "other");
}

void TestIniStore::enumValuesFillsSlots()
{
    writeBytes(iniPath(), "[S]\r\nA=1\r\nB=\r\nD=4\r\n");
    m_ini.SetArrayKey(6, {"A", "B", "C", "D", "E", "F"});
    m_ini.SetArrayDefault(6, {"da", "db", "dc", "dd", "de", "df"});
    QStringList values(6);
    QCOMPARE(m_ini.EnumValues(6, values), qint16(5));
    QCOMPARE(values, QStringList({"1", "", "dc", "4", "de", "df"}));
    QCOMPARE(m_ini.EnumValues(0, values), qint16(-1));

    m_ini.setBufferSize(0);
    QStringList untouched = {"x"};
    m_ini.EnumValues(1, untouched);
    QCOMPARE(untouched, QStringList({"x"}));

    m_ini.setBufferSize(1024);
    QStringList tooFew(2);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_ini.EnumValues(3, tooFew));
    QCOMPARE(tooFew, QStringList({"1", ""}));
    m_ini.SetArrayDefault(2, {"da", "db"});
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_ini.EnumValues(3, values));
}

void TestIniStore::enumeratesSectionsAndEntries()
{
    QStringList sections = {"kept"};
    QCOMPARE(m_ini.EnumSections(sections), 0);
    QCOMPARE(sections, QStringList({"kept"}));

    writeBytes(iniPath(), sjis("[A]\r\nk=v=w\r\n; c\r\nx = \"y\"\r\n[表示]\r\n"));
    QCOMPARE(m_ini.EnumSections(sections), 2);
    QCOMPARE(sections, QStringList({"A", QString::fromUtf8("表示")}));

    QStringList values = {"old", "old", "old"}, keys;
    QCOMPARE(m_ini.EnumKeyAndValue(values, keys, QStringLiteral("A")), 2);
    QCOMPARE(keys, QStringList({"k", "x"}));
    QCOMPARE(values, QStringList({"v=w", "y"}));
    QCOMPARE(m_ini.EnumKeyAndValue(values, keys, QString::fromUtf8("表示")), 0);
    QCOMPARE(keys, QStringList({"k", "x"}));
}

void TestIniStore::cutsEnumeratedListsToBufferSize()
{
    writeBytes(iniPath(), "[Alpha]\r\nkey=value\r\n[B]\r\n");
    QStringList names;
    m_ini.setBufferSize(6);
    QCOMPARE(m_ini.EnumSections(names), 1);
    QCOMPARE(names, QStringList({"Alph"}));
    m_ini.setBufferSize(9);
    QCOMPARE(m_ini.EnumSections(names), 2);
    QCOMPARE(names, QStringList({"Alpha", "B"}));

    QStringList values, keys;
    m_ini.setBufferSize(5);
    QCOMPARE(m_ini.EnumKeyAndValue(values, keys, QStringLiteral("Alpha")), 1);
    QCOMPARE(keys, QStringList({"key"}));
    QCOMPARE(values, QStringList({QString()}));

    m_ini.setBufferSize(-1);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_ini.EnumSections(names));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_ini.GetValue(QStringLiteral("key")));
}

void TestIniStore::replacesListsAndReportsCallerErrors()
{
    m_ini.SetArrayDefault(3, {"a", -7, 42, "ignored"});
    QCOMPARE(m_ini.GetArrayDefault(), QStringList({"a", "-7", "42"}));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_ini.SetArrayDefault(3, {"x", "y"}));
    QCOMPARE(m_ini.GetArrayDefault(), QStringList({"x", "y"}));
    m_ini.SetArrayDefault(-1, {"z"});
    QVERIFY(m_ini.GetArrayDefault().isEmpty());
}

void TestIniStore::failedWriteKeepsOldFile()
{
    const QByteArray before = "[S]\r\nKey=" + QByteArray(200, 'o') + "\r\n";
    writeBytes(iniPath(), before);
    {
        FileSizeLimit diskFull(16);
        QVERIFY(!m_ini.SetValue(QString(100, u'n'), QStringLiteral("Key")));
        const unsigned char data[4] = {};
        QVERIFY(!m_ini.SetStruct(data, 4, QStringLiteral("Blk")));
    }
    QCOMPARE(readBytes(iniPath()), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({"t.ini"}));
}

void TestIniStore::unwritablePlacesReportFalse()
{
    // A folder that is really a file defeats root, unlike permissions.
    const QString notAFolder = m_dir->filePath(QStringLiteral("plain"));
    writeBytes(notAFolder, "x");
    QVERIFY(!m_ini.SetValue(QStringLiteral("1"), QStringLiteral("Key"), {}, notAFolder + "/t.ini"));
    QCOMPARE(m_ini.GetValue(QStringLiteral("Key"), QStringLiteral("d"), {}, notAFolder + "/t.ini"),
             "d");

    // A file that cannot be read must not be replaced by one holding only
    // the new key.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("t.ini")));
    QVERIFY(!m_ini.SetValue(QStringLiteral("1"), QStringLiteral("Key")));
    QCOMPARE(m_ini.GetValue(QStringLiteral("Key"), QStringLiteral("d")), "d");
    QVERIFY(QFileInfo(iniPath()).isDir());
}

QTEST_GUILESS_MAIN(TestIniStore)
#include "ini_store_test.moc"
