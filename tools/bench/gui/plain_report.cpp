// The baseline of the outside benchmark: a window that, on F5, reads a
// report (code page 932, as Pelcor's files) and shows it in a
// QPlainTextEdit, as a program built on Qt's own editor would.
//
//     pelcor_plain_report REPORT.txt
#include "core/Cp932.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QShortcut>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: pelcor_plain_report REPORT.txt\n", stderr);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("plain report"));
    auto *edit = new QPlainTextEdit(&window);
    edit->setReadOnly(true);
    window.setCentralWidget(edit);
    QShortcut show(QKeySequence(Qt::Key_F5), &window);
    QObject::connect(&show, &QShortcut::activated, &window, [&] {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            edit->setPlainText(decodeCp932(file.readAll()));
        window.setWindowTitle(QFileInfo(path).fileName());
    });
    window.resize(1000, 700);
    window.show();
    return QApplication::exec();
}
