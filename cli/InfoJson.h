// kestrun info --json: the facts of `info` as one JSON object for CI gates,
// with each range's CRC-32, how much of the lowest-highest span is fill,
// the overlaps met and the start address.
#ifndef KESTRUN_CLI_INFO_JSON_H
#define KESTRUN_CLI_INFO_JSON_H

#include "core/ConversionEngine.h"

#include <QByteArray>

namespace InfoJson {

QByteArray text(ConversionEngine &engine);

} // namespace InfoJson

#endif
