#include "core/LocalPath.h"
#include "core/SafeFileWriter.h"
#include "shell/Startup.h"
#include "shell/AllocatorTuning.h"

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
