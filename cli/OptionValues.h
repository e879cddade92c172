// The values of kestrun's command line read into an Invocation: the
// command and its inputs, the file names, the settings options, and the
// output options of convert and merge. Each reader gives the usage error
// of the first value that cannot be used, or nothing.
#ifndef KESTRUN_CLI_OPTION_VALUES_H
#define KESTRUN_CLI_OPTION_VALUES_H

#include "Invocation.h"
#include "InvocationOptions.h"

#include <QString>
#include <QStringList>

namespace OptionValues {

QString readPositional(const QStringList &positional, Invocation &invocation);
QString readFiles(const QCommandLineParser &parser, const InvocationOptions &o,
                  Invocation &invocation);
QString readSettings(const QCommandLineParser &parser, const InvocationOptions &o,
                     Invocation &invocation);
QString readOutputs(const QCommandLineParser &parser, const InvocationOptions &o,
                    Invocation &invocation);

} // namespace OptionValues

#endif
