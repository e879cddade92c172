// The data inspector's values: the bytes of a typed value are Python's
// struct.pack of it, the value shown of those bytes reads back as them, a
// value reaching into a gap is none, and code page 932 text stops where
// the data or a whole character does.
#include "core/ByteValues.h"

#include <QProcess>
#include <QTest>

using ByteValues::Kind;
using ByteValues::Order;

namespace {

// Python's struct.pack of `typed` as `kind` in `order`, in hexadecimal;
// "none" where struct refuses it. One Python answers every row.
QString packed(Kind kind, Order order, const QString &typed)
{
    static QProcess *python = [] {
        auto *process = new QProcess;
        process->start(QStringLiteral("python3"),
                       {QStringLiteral("-c"),
                        QStringLiteral("import struct,sys\n"
                                       "for line in sys.stdin:\n"
                                       "  k,t=line.rstrip('\\n').split(' ',1)\n"
                                       "  try: print(struct.pack(k,float(t) if k[1] in 'fd' else int(t,0)).hex())\n"
                                       "  except (ValueError,struct.error,OverflowError): print('none')\n"
                                       "  sys.stdout.flush()\n")});
        process->waitForStarted();
        return process;
    }();
    static const char codes[] = "BbHhIiQqfd";
    const QString format = QString(order == Order::Little ? u'<' : u'>') + QChar(codes[int(kind)]);
    python->write((format + u' ' + typed + u'\n').toUtf8());
    while (!python->canReadLine() && python->waitForReadyRead(10000)) {
    }
    return QString::fromLatin1(python->readLine()).trimmed();
}

} // namespace

class ByteValuesTest : public QObject {
    Q_OBJECT

private slots:
    void valuesAreTheirBytes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("big");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // of the bytes; empty: none
        auto row = [](const char *name, Kind kind, bool big, const char *typed, const char *shown) {
            QTest::newRow(name) << int(kind) << big << QString::fromUtf8(typed)
                                << QString::fromLatin1(shown);
        };
        row("u8 highest", Kind::U8, false, "255", "255");
        row("u8 too large", Kind::U8, false, "256", "");
        row("u8 negative", Kind::U8, false, "-1", "");
        row("i8 lowest", Kind::I8, false, "-128", "-128");
        row("i8 too large", Kind::I8, false, "128", "");
        row("u16 little", Kind::U16, false, "513", "513");
        row("u16 big", Kind::U16, true, "513", "513");
        row("i16 big, negative", Kind::I16, true, "-2", "-2");
        row("u32 in hexadecimal", Kind::U32, false, "0xDEADBEEF", "3735928559");
        row("i32 lowest", Kind::I32, false, "-2147483648", "-2147483648");
        row("i32 past lowest", Kind::I32, true, "-2147483649", "");
        row("u64 highest", Kind::U64, true, "18446744073709551615", "18446744073709551615");
        row("u64 past highest", Kind::U64, true, "18446744073709551616", "");
        row("i64 -1", Kind::I64, false, "-1", "-1");
        row("i64 lowest", Kind::I64, true, "-9223372036854775808", "-9223372036854775808");
        row("float", Kind::Float, false, "1.5", "1.5");
        row("float big, -inf", Kind::Float, true, "-inf", "-inf");
        row("float NaN", Kind::Float, false, "nan", "nan");
        row("float 0.1 in fewest digits", Kind::Float, true, "0.1", "0.1");
        row("float too large", Kind::Float, false, "1e40", "");
        row("double big", Kind::Double, true, "0.1", "0.1");
        row("double -0", Kind::Double, false, "-0", "-0");
        row("double subnormal", Kind::Double, false, "5e-324", "5e-324");
        row("double NaN big", Kind::Double, true, "nan", "nan");
        row("double inf", Kind::Double, false, "inf", "inf");
        row("a word for a number", Kind::I32, false, "abc", "");
        row("a fraction for an integer", Kind::U16, false, "1.5", "");
        row("a blank", Kind::U16, false, " ", "");
    }

    void valuesAreTheirBytes()
    {
        QFETCH(int, kind);
        QFETCH(bool, big);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        const auto k = Kind(kind);
        const Order order = big ? Order::Big : Order::Little;
        const std::optional<QByteArray> bytes = ByteValues::bytes(k, order, typed);
        QCOMPARE(bytes ? QString::fromLatin1(bytes->toHex()) : QStringLiteral("none"),
                 packed(k, order, typed));
        if (!bytes) {
            QVERIFY(shown.isEmpty());
            return;
        }
        const auto *data = reinterpret_cast<const std::uint8_t *>(bytes->constData());
        const bool held[8] = {true, true, true, true, true, true, true, true};
        QCOMPARE(ByteValues::text(k, order, data, held, std::size_t(bytes->size())).value_or(""),
                 shown);
        // A byte of the value in a gap, or the value cut short: none.
        bool gap[8] = {true, true, true, true, true, true, true, true};
        gap[bytes->size() - 1] = false;
        QVERIFY(!ByteValues::text(k, order, data, gap, std::size_t(bytes->size())));
        QVERIFY(!ByteValues::text(k, order, data, held, std::size_t(bytes->size()) - 1));
    }

    void charactersStopAtTheData_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("held"); // the first so many
        QTest::addColumn<QString>("shown"); // empty: none
        QTest::newRow("ASCII and hiragana") << QByteArray("Hi\x82\xA0") << 4 << QStringLiteral("Hiあ");
        QTest::newRow("half-width kana") << QByteArray("\xB1\xB2") << 2 << QStringLiteral("ｱｲ");
        QTest::newRow("a lead byte at the end") << QByteArray("A\x82") << 2 << QStringLiteral("A");
        QTest::newRow("a gap after a lead") << QByteArray("A\x82\xA0") << 2 << QStringLiteral("A");
        QTest::newRow("a gap at once") << QByteArray("AB") << 0 << QString();
        QTest::newRow("controls and no character")
            << QByteArray("\x00\x7F\x80", 3) << 3 << QStringLiteral("...");
    }

    void charactersStopAtTheData()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, held);
        QFETCH(QString, shown);
        bool holds[8] = {};
        std::fill_n(holds, held, true);
        const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
        QCOMPARE(ByteValues::characters(data, holds, std::size_t(bytes.size())).value_or(QString()),
                 shown);
    }

    void charactersTypedAreCodePage932()
    {
        QCOMPARE(ByteValues::characterBytes(u"vｱ漢").value_or(""), QByteArray("v\xB1\x8A\xBF"));
        QVERIFY(!ByteValues::characterBytes(u"😀"));
        QVERIFY(!ByteValues::characterBytes(u""));
    }
};

QTEST_GUILESS_MAIN(ByteValuesTest)
#include "byte_values_test.moc"
