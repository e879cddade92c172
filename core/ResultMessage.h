// The library's message for a result, as the front ends print it. The
// library's texts are Japanese; they pass through Qt's translation
// (context KestrunResult), so that kestrun's English catalogue gives them
// in English, while Pelcor, which installs no catalogue, shows them as
// they are.
#ifndef PELCOR_RESULT_MESSAGE_H
#define PELCOR_RESULT_MESSAGE_H

#include "exports.h"

#include <QString>

#include <cstdint>

using ErrorStringCall = decltype(&::GetErrorString);

// The message for `code` on one line; empty when the library has none.
QString resultMessage(ErrorStringCall getErrorString, std::int32_t code);

// The message for the failure at `place`, with what was found and what was
// expected when the library knows both (a checksum: "ﾁｪｯｸｻﾑ値が異常です
// (F3、正しくは F2)", in English "checksum F3, expected F2").
QString placeMessage(ErrorStringCall getErrorString, const kestrun_place &place);

#endif
