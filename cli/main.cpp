// kestrun: Pelcor's conversions from the command line, for build scripts.
#include "CommandRunner.h"
#include "Invocation.h"
#include "MessageLanguage.h"

#include "core/LocalPath.h"
#include "core/SafeFileWriter.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // Before anything opens a file that could take a standard stream's place.
    SafeFileWriter::protectProcess();
    QCoreApplication app(argc, argv);
    MessageLanguage::install();
    // File names keep their bytes, UTF-8 or not.
    const Invocation invocation = Invocation::parse(LocalPath::arguments(argc, argv));
    return CommandRunner(invocation).run();
}
