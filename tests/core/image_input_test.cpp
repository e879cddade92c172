// How an input argument names its file and address: FILE@ADDR places a
// binary, unless the whole argument is the name of a file that exists.
#include "core/ImageInput.h"
#include "core/LinkedLibraryCalls.h"

#include "support/test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class ImageInputTest : public QObject {
    Q_OBJECT

private slots:
    void argumentNamesFileAndAddress_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("address"); // -1: none
        QTest::newRow("binary at an address") << "app.bin@08004000" << "app.bin" << qint64(0x08004000);
        QTest::newRow("a file whose name has the @") << "odd@100.bin" << "odd@100.bin" << qint64(-1);
        QTest::newRow("no address after the @") << "app.bin@zz" << "app.bin@zz" << qint64(-1);
        QTest::newRow("an address past 32 bits") << "app.bin@100000000" << "app.bin@100000000"
                                                 << qint64(-1);
        QTest::newRow("no @") << "app.bin" << "app.bin" << qint64(-1);
    }
    void argumentNamesFileAndAddress()
    {
        QFETCH(QString, argument);
        QFETCH(QString, file);
        QFETCH(qint64, address);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        writeBytes(dir.filePath("app.bin"), "\x01\x02\x03");
        writeBytes(dir.filePath("odd@100.bin"), "\x04");
        const InputArgument split = splitInputArgument(dir.filePath(argument));
        QCOMPARE(split.file, dir.filePath(file));
        QCOMPARE(split.address ? qint64(*split.address) : qint64(-1), address);

        // The bytes land where the argument says.
        const ImageCalls &calls = *linkedImageCalls();
        kestrun_image *image = calls.kestrun_image_new();
        const ImageInput in = readImageInput(calls, image, dir.filePath(argument));
        std::uint32_t lowest = 0, highest = 0;
        if (QFile::exists(split.file)) {
            QCOMPARE(in.result, std::int32_t(ResultOk));
            QCOMPARE(in.format, InputFormat::Binary);
            QCOMPARE(calls.kestrun_image_bounds(image, &lowest, &highest), std::int32_t(ResultOk));
            QCOMPARE(qint64(lowest), std::max<qint64>(address, 0));
        } else {
            QVERIFY(in.result < 0);
            QVERIFY(in.error.startsWith(split.file + QStringLiteral(": ")));
        }
        calls.kestrun_image_free(image);
    }

    // Content that shows no format is read as the format the name gives,
    // whose reader refuses it, rather than as binary at 0.
    void extensionNamesTheFormatContentDoesNotShow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("result");
        const QByteArray pointer = "version https://git-lfs.github.com/v1\n"
                                   "oid sha256:4d7a\nsize 12345\n";
        QTest::newRow("a Git LFS pointer named .elf")
            << "fw.elf" << pointer << int(InputFormat::Elf) << int(ResultNotElf);
        QTest::newRow("a Git LFS pointer named .HEX")
            << "FW.HEX" << pointer << int(InputFormat::IntelHex) << int(ResultNotIntelHex);
        QTest::newRow("text named .mot")
            << "fw.mot" << QByteArray("notes\n") << int(InputFormat::SRecord)
            << int(ResultNotSRecord);
        QTest::newRow("text named .axf")
            << "fw.axf" << QByteArray("notes\n") << int(InputFormat::Elf) << int(ResultNotElf);
        QTest::newRow("text named .bin is binary")
            << "fw.bin" << QByteArray("notes\n") << int(InputFormat::Binary) << int(ResultOk);
        QTest::newRow("a folder's extension is not the file's")
            << "out.hex/fw" << QByteArray("notes\n") << int(InputFormat::Binary) << int(ResultOk);
        QTest::newRow("S-records named .hex are S-records")
            << "fw.hex" << QByteArray("S1050000AA55FB\nS9030000FC\n")
            << int(InputFormat::SRecord) << int(ResultOk);
    }
    void extensionNamesTheFormatContentDoesNotShow()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, format);
        QFETCH(int, result);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path()));
        writeBytes(dir.filePath(name), content);
        const ImageCalls &calls = *linkedImageCalls();
        kestrun_image *image = calls.kestrun_image_new();
        const ImageInput in = readImageInput(calls, image, dir.filePath(name));
        calls.kestrun_image_free(image);
        QCOMPARE(int(in.format), format);
        QCOMPARE(in.result, std::int32_t(result));
        QCOMPARE(in.error.isEmpty(), result == ResultOk);
    }
};

QTEST_GUILESS_MAIN(ImageInputTest)
#include "image_input_test.moc"
