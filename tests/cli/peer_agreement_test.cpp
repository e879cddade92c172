// GNU objcopy, srec_cat and Python's intelhex as judges of what kestrun
// reads: a file that all three refuse, kestrun refuses, naming the line
// that objcopy names; a file that all three read, kestrun reads to the
// same bytes. Each case first checks that the peers still agree, so that
// a case never stands on a verdict the peers do not give.
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

const char kIntelHexToBinary[] = "import sys, intelhex\n"
                                 "intelhex.IntelHex(sys.argv[1]).tobinfile(sys.argv[2])\n";

QByteArray lowerCase(QByteArray text)
{
    for (char &c : text) {
        if (c >= 'A' && c <= 'F')
            c = char(c - 'A' + 'a');
    }
    return text;
}

} // namespace

class PeerAgreementTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Each peer's binary of `hex` (all padded with FF from the lowest
    // address), or false for a peer that refuses it; objcopy's complaint
    // comes back in `objcopyErr`.
    QList<std::optional<QByteArray>> peersRead(const QByteArray &hex,
                                               QByteArray *objcopyErr = nullptr)
    {
        writeBytes(path("in.hex"), hex);
        QList<std::optional<QByteArray>> results;
        const QList<std::pair<QString, QStringList>> peers = {
            {QStringLiteral("objcopy"),
             {"-I", "ihex", "-O", "binary", "--gap-fill", "0xFF", path("in.hex"),
              path("peer.bin")}},
            {QStringLiteral("srec_cat"),
             {path("in.hex"), "-intel", "-o", path("peer.bin"), "-binary"}},
            {peerPython(), {"-c", kIntelHexToBinary, path("in.hex"), path("peer.bin")}},
        };
        for (const auto &[program, arguments] : peers) {
            QFile::remove(path("peer.bin"));
            const KestrunRun run = runPeer(program, arguments);
            if (objcopyErr && results.isEmpty())
                *objcopyErr = run.err;
            results.append(run.exitCode == 0 ? std::optional(readBytes(path("peer.bin"))) : std::nullopt);
        }
        return results;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char *peer : {"objcopy", "srec_cat"})
            QVERIFY2(!QStandardPaths::findExecutable(peer).isEmpty(), peer);
        QVERIFY2(runPeer(peerPython(), {"-c", "import intelhex"}).exitCode == 0,
                 "Python's intelhex is missing (tools/setup.sh installs it)");
    }

    void whatEveryPeerRefusesIsRefusedAtTheirLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray good = hexRecord(0x00, 0, "\x41");
        const QByteArray end = hexRecord(0x01, 0, QByteArray());
        const auto file = [&](const QByteArray &bad) {
            return good + "\n" + good + "\n" + bad + "\n" + end + "\n";
        };
        QTest::newRow("length byte above the pairs") << file(":040000000102F9");
        QTest::newRow("length byte below the pairs") << file(":0100000041427C");
        QTest::newRow("a letter that is no digit") << file(":010000004xBF");
        QTest::newRow("a digit lost") << file(":1000000000010203040506070809"
                                              "0A0B0C0D0E078");
        QTest::newRow("a pair after the checksum") << file(good + "00");
        QTest::newRow("a digit after the checksum") << file(good + "0");
        QTest::newRow("a space after the checksum") << file(good + " ");
        QTest::newRow("a linear record without its bytes") << file(":00000004FC");
    }

    void whatEveryPeerRefusesIsRefusedAtTheirLine()
    {
        QFETCH(QByteArray, text);
        QByteArray objcopyErr;
        for (const auto &result : peersRead(text, &objcopyErr))
            QVERIFY2(!result, "a peer reads it");
        const QRegularExpressionMatch line = QRegularExpression(QStringLiteral("in\\.hex:(\\d+):"))
                                                 .match(QString::fromUtf8(objcopyErr));
        QVERIFY2(line.hasMatch(), objcopyErr.constData());

        const KestrunRun run = runKestrun({"hex2bin", path("in.hex"), "-o", path("ours.bin")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errorText().startsWith(path("in.hex") + u':' + line.captured(1) + u':'),
                 run.err.constData());
    }

    void whatEveryPeerReadsGivesTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("image");
        const QByteArray image = sampleImage(0x10100, 11);
        const QByteArray hex = contiguousHex(image);
        QTest::newRow("upper case, CR LF") << hex << image;
        QTest::newRow("lower case, CR LF") << lowerCase(hex) << image;
        QTest::newRow("lower case, LF") << lowerCase(hex).replace("\r\n", "\n") << image;
        QTest::newRow("mixed case, blank lines")
            << lowerCase(hex.left(hex.size() / 2)).replace("\r\n", "\r\n\r\n")
                   + hex.mid(hex.size() / 2)
            << image;
    }

    void whatEveryPeerReadsGivesTheirBytes()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, image);
        for (const auto &result : peersRead(text)) {
            QVERIFY2(result, "a peer refuses it");
            QVERIFY(*result == image);
        }
        const KestrunRun run = runKestrun({"hex2bin", path("in.hex"), "-o", path("ours.bin")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(readBytes(path("ours.bin")) == image);
    }
    // A file output takes records in address order straight through, the
    // standard output always goes through the image: both must give the
    // bytes objcopy gives, whatever the order, and a record out of order
    // must still meet the overlap rule.
    void recordOrderNeverChangesTheBytes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("window");
        QTest::addColumn<int>("exitCode");
        const QByteArray hex = contiguousHex(sampleImage(0x20040, 5));
        QList<QByteArray> lines = hex.split('\n');
        lines.removeAll(QByteArray());
        const QByteArray end = lines.takeLast();
        QList<QByteArray> reversed(lines.rbegin(), lines.rend());
        QList<QByteArray> gapped = lines;
        gapped.remove(40, 300);
        const auto join = [&](const QList<QByteArray> &body) { return body.join('\n') + '\n' + end + '\n'; };
        const QByteArray twice = join(lines.mid(0, 20) + lines.mid(10, 20));
        const QByteArray clash = join(lines.mid(0, 20) + QList<QByteArray>{hexRecord(0, 0x10, "\x99")});
        const QStringList lowest{"--from-lowest"};
        QTest::newRow("in order") << hex << lowest << 0;
        QTest::newRow("backwards") << join(reversed) << lowest << 0;
        QTest::newRow("a gap") << join(gapped) << lowest << 0;
        QTest::newRow("a gap, window over it")
            << join(gapped) << QStringList{"--start", "100", "--end", "1FFF"} << 0;
        QTest::newRow("window past the data, fixed end")
            << join(gapped) << QStringList{"--start", "1FF00", "--end", "2FFFF"} << 0;
        QTest::newRow("window from inside, automatic end")
            << join(reversed) << QStringList{"--start", "FFF0"} << 0;
        QTest::newRow("records written twice alike") << twice << lowest << 0;
        QTest::newRow("a record out of order that clashes")
            << clash << QStringList{"--overlap", "error"} << 1;
    }

    void recordOrderNeverChangesTheBytes()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, window);
        QFETCH(int, exitCode);
        writeBytes(path("in.hex"), text);
        QFile::remove(path("ours.bin"));
        const KestrunRun toFile =
            runKestrun(QStringList{"hex2bin", path("in.hex"), "-o", path("ours.bin")} + window);
        const KestrunRun toPipe = runKestrun(QStringList{"hex2bin", path("in.hex"), "-o", "-"} + window);
        QCOMPARE(toFile.exitCode, exitCode);
        QCOMPARE(toPipe.exitCode, exitCode);
        if (exitCode != 0) {
            QCOMPARE(toFile.err, toPipe.err);
            QVERIFY(!QFile::exists(path("ours.bin")));
            return;
        }
        QVERIFY(readBytes(path("ours.bin")) == toPipe.out);
        if (window.first() == u"--from-lowest") {
            QVERIFY(runPeer(QStringLiteral("objcopy"), {"-I", "ihex", "-O", "binary", "--gap-fill",
                                                        "0xFF", path("in.hex"), path("peer.bin")})
                        .exitCode == 0);
            QVERIFY(toPipe.out == readBytes(path("peer.bin")));
        }
    }
};

QTEST_GUILESS_MAIN(PeerAgreementTest)
#include "peer_agreement_test.moc"
