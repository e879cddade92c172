#include "core/CommandLine.h"

#include <QTest>

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void splitsNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("blanks only") << QStringLiteral(" \t  ") << QStringList();
        QTest::newRow("runs of blanks")
            << QStringLiteral("a.hex  \t b.hex") << QStringList{"a.hex", "b.hex"};
        QTest::newRow("quoted path and plain name")
            << QStringLiteral("\"C:\\my files\\rom.hex\" b.txt")
            << QStringList{"C:\\my files\\rom.hex", "b.txt"};
        QTest::newRow("unclosed quote runs to the end")
            << QStringLiteral("\"C:\\my files\\rom.hex b.txt")
            << QStringList{"C:\\my files\\rom.hex b.txt"};
        QTest::newRow("empty quotes give no name")
            << QStringLiteral("\"\" a.hex") << QStringList{"a.hex"};
        QTest::newRow("quote inside a plain name is kept")
            << QStringLiteral("ab\"c d") << QStringList{"ab\"c", "d"};
        QTest::newRow("letter after closing quote starts a name")
            << QStringLiteral("\"a b\"c") << QStringList{"a b", "c"};
        QTest::newRow("ideographic space belongs to the name")
            << QStringLiteral("ａ\u3000ｂ c") << QStringList{"ａ\u3000ｂ", "c"};
        QTest::newRow("quoted tab kept") << QStringLiteral("\"a\tb\"") << QStringList{"a\tb"};
    }

    void splitsNames()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        QStringList found;
        const int count = ParseCommandLine(text, found);
        QCOMPARE(count, names.size());
        QCOMPARE(found.mid(0, count), names);
        // At most one spare, empty slot is left behind the names.
        QVERIFY(found.size() <= count + 1);
        for (int i = count; i < found.size(); ++i)
            QVERIFY(found.at(i).isEmpty());
    }

    void joinedArgumentsSplitBackAlike()
    {
        const QStringList arguments{"plain.hex", "with space.hex", "tab\there.txt", "ｶﾅ.hex"};
        QStringList names;
        const int count = ParseCommandLine(joinArguments(arguments), names);
        QCOMPARE(names.mid(0, count), arguments);
    }
};

QTEST_APPLESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
