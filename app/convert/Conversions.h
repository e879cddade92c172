// The four conversions as the user starts them from the Dump menu: each
// reads the settings afresh, shows the progress window while the library
// works, reports failures, and hands over its result: a file for HEX to
// binary, a new unsaved document window for the other three.
#ifndef PELCOR_CONVERSIONS_H
#define PELCOR_CONVERSIONS_H

class Form1;

// The active document's HEX text to a binary file, named in a save dialog.
bool ConvertHexToBinary(Form1 *window);
// A binary file, chosen in an open dialog, to HEX text.
bool ConvertBinaryToHex();
// A binary file, chosen in an open dialog, to a dump report.
bool ConvertBinaryToDump();
// The active document's HEX text to a dump report.
bool ConvertHexToDump(Form1 *window);

#endif
