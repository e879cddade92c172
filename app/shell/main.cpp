#include "shell/Startup.h"
#include "shell/allocator_tuning.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    restartWithHugePages(argv);
    QApplication app(argc, argv);
    prepareApplication(app);
    Main(QCoreApplication::arguments().mid(1));
    return QApplication::exec();
}
