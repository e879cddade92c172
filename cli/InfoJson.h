// kestrun info --json: the facts of `info` as one JSON object for CI gates,
// with each range's CRC-32, how much of the lowest-highest span is fill,
// the overlaps met and the start address. Inputs other than HEX give their
// own counts (S-records: records S0 to S9) and their format.
#ifndef KESTRUN_CLI_INFO_JSON_H
#define KESTRUN_CLI_INFO_JSON_H

#include "core/ConversionEngine.h"

#include <QByteArray>
#include <QJsonObject>

namespace InfoJson {

// A HEX input's facts, as the engine read it.
QByteArray text(ConversionEngine &engine);
// The facts of `image` with `counts` (the format's own members) among them.
QByteArray text(const kestrun_image *image, const QJsonObject &counts);

} // namespace InfoJson

#endif
