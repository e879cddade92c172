#include "shell/Startup.h"
#include "shell/AllocatorTuning.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    restartWithHugePages(argv);
    QApplication app(argc, argv);
    prepareApplication(app);
    Main(QCoreApplication::arguments().mid(1));
    return QApplication::exec();
}
