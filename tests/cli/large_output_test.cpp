// Results far larger than the pieces kestrun writes while the library is
// still making them: every command, to a file and to standard output, must
// give exactly what Pelcor's conversion engine gives for the same input.
#include "core/ConversionEngine.h"
#include "convert/KestrunBinding.h"
#include "core/Cp932.h"
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// The library as Pelcor binds it.
const LibraryCalls kPelcorsLibrary{KestrunBinding::CheckSum, KestrunBinding::HexToBinary,
                                   KestrunBinding::BinaryToHex, KestrunBinding::DumpFormat,
                                   KestrunBinding::imageCalls};

// What Pelcor's engine makes of `input` for `command`, with default
// settings; a report as Pelcor saves it.
QByteArray engineResult(const QString &command, QByteArray input, const QString &name)
{
    ConversionEngine engine(kPelcorsLibrary, readConversionSettings(DumpSettings()));
    std::int32_t result = ResultNotIntelHex;
    if (command == u"hex2bin")
        result = engine.hexToBinary(input);
    else if (command == u"bin2hex")
        result = engine.binaryToHex(input);
    else if (command == u"dump")
        result = engine.binaryToDump(
            std::span(reinterpret_cast<std::uint8_t *>(input.data()), input.size()));
    else if (command == u"hexdump")
        result = engine.hexToDump(input);
    if (result < 0)
        return QByteArray();
    const QByteArray output = engine.output().toByteArray();
    return command.endsWith(u"dump") ? encodeCp932(engine.reportHead(name)) + output : output;
}

} // namespace

class LargeOutputTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QByteArray image = sampleImage((3 << 20) + 5, 11);
        writeBytes(path("large.bin"), image);
        writeBytes(path("large.hex"), contiguousHex(image));
    }

    void everyCommandMatchesTheEngine_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("input");
        QTest::newRow("hex2bin") << "hex2bin"
                                 << "large.hex";
        QTest::newRow("bin2hex") << "bin2hex"
                                 << "large.bin";
        QTest::newRow("dump") << "dump"
                              << "large.bin";
        QTest::newRow("hexdump") << "hexdump"
                                 << "large.hex";
    }

    void everyCommandMatchesTheEngine()
    {
        QFETCH(QString, command);
        QFETCH(QString, input);
        const QByteArray expected = engineResult(command, readBytes(path(input)), input);
        QVERIFY(expected.size() > (3 << 20));

        const KestrunRun toFile = runKestrun({command, input, "-o", "out"}, {}, m_dir.path());
        QVERIFY2(toFile.exitCode == 0, toFile.err.constData());
        QVERIFY(readBytes(path("out")) == expected);

        const KestrunRun toPipe = runKestrun({command, input, "-o", "-"}, {}, m_dir.path());
        QVERIFY2(toPipe.exitCode == 0, toPipe.err.constData());
        QVERIFY(toPipe.out == expected);
    }
};

QTEST_GUILESS_MAIN(LargeOutputTest)
#include "large_output_test.moc"
