// The four conversions as the user starts them from the Dump menu: each
// reads the settings afresh, shows the progress window while the library
// works, reports failures, and hands its result back to the host that
// started it: a file for HEX to binary, a new unsaved document for the
// other three.
#ifndef PELCOR_CONVERSIONS_H
#define PELCOR_CONVERSIONS_H

#include "convert/ConversionHost.h"

// A HEX document to a binary file, named in a save dialog.
bool ConvertHexToBinary(ConversionHost &host, const HexSource &source);
// A binary file, chosen in an open dialog, to HEX text.
bool ConvertBinaryToHex(ConversionHost &host);
// A binary file, chosen in an open dialog, to a dump report.
bool ConvertBinaryToDump(ConversionHost &host);
// A HEX document to a dump report.
bool ConvertHexToDump(ConversionHost &host, const HexSource &source);

#endif
