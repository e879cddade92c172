#include "shell/LocalPath.h"
#include "shell/SafeFileWriter.h"
#include "shell/Startup.h"
#include "shell/allocator_tuning.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    SafeFileWriter::protectProcess();
    restartWithHugePages(argv);
    QApplication app(argc, argv);
    prepareApplication(app);
    // File names keep their bytes; QApplication has taken its own options.
    Main(LocalPath::arguments(argc, argv));
    return QApplication::exec();
}
