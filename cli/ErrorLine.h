// A line on standard error, file names in it keeping their own bytes.
#ifndef KESTRUN_CLI_ERROR_LINE_H
#define KESTRUN_CLI_ERROR_LINE_H

#include "core/LocalPath.h"

#include <QString>

#include <cstdio>

inline void printErrorLine(const QString &text)
{
    std::fputs(LocalPath::encode(text).append('\n').constData(), stderr);
}

#endif
