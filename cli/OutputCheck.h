// The outputs every kestrun command refuses before it reads anything: a
// binary image on a terminal (unreadable, and it may upset the terminal),
// and a file that is one of the command's inputs (writing it would lose
// the input: the same file by any name, a hard link or a symbolic link
// included, and FILE@ADDR's FILE too).
#ifndef KESTRUN_CLI_OUTPUT_CHECK_H
#define KESTRUN_CLI_OUTPUT_CHECK_H

#include <QString>
#include <QStringList>

namespace OutputCheck {

// Why `output` ("-": standard output) may not be written by a command that
// reads `inputs` ("-": standard input) and writes binary when `binary`;
// empty when it may.
QString refusal(const QString &output, const QStringList &inputs, bool binary);

} // namespace OutputCheck

#endif
