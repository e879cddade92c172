// kestrun: Pelcor's conversions from the command line, for build scripts.
#include "CommandRunner.h"
#include "Invocation.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Invocation invocation = Invocation::parse(QCoreApplication::arguments().mid(1));
    return CommandRunner(invocation).run();
}
