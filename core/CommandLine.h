// Splitting the command line into file names.
#ifndef PELCOR_COMMAND_LINE_H
#define PELCOR_COMMAND_LINE_H

#include <QString>
#include <QStringList>

// Splits `text` into names at spaces and tabs; a name that begins with a
// double quote runs to the next double quote (or the end of the text) and
// loses both quotes. Fills `names` from index 0 and returns the number of
// non-empty names; `names` may hold one further, empty entry, so callers
// use the count, not the list's length.
int ParseCommandLine(const QString &text, QStringList &names);

// The command-line text for arguments that arrive already split: joined by
// single spaces, each argument holding a space or tab put in double quotes,
// so that ParseCommandLine gives the same names back.
QString joinArguments(const QStringList &arguments);

#endif
