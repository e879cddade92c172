// The image menu's conversion of a document to the other formats the
// library writes (S-records, TI-TXT, VMEM, C arrays, UF2, ...), with the
// VMEM word width and the UF2 family its form asks: kestrun convert DOC
// --to FORMAT [--vmem-width N] [--uf2-family F], the same bytes. A text
// result opens as a new unsaved document; a result of bytes (UF2, binary)
// goes to the file the save dialog names.
#ifndef PELCOR_OTHER_FORMATS_H
#define PELCOR_OTHER_FORMATS_H

#include "convert/ConversionHost.h"

namespace OtherFormats {

bool convert(ConversionHost &host, const HexSource &source);

} // namespace OtherFormats

#endif
