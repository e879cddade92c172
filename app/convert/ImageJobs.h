// The image menu's jobs, each the frame's form of a kestrun command and
// giving its bytes: the choices come from a form through the prompts, the
// work runs under the progress window with Cancel, and the result opens as
// a new unsaved document. Each returns whether it made its result.
#ifndef PELCOR_IMAGE_JOBS_H
#define PELCOR_IMAGE_JOBS_H

#include "convert/ConversionHost.h"

// The document (Intel HEX or S-records) as S-records: kestrun convert
// --to srec.
bool ConvertToSRecords(ConversionHost &host, const HexSource &source);
// The document and the files the form lists, under the overlap rule it
// chooses: kestrun merge DOC FILE... --overlap RULE.
bool MergeWithFiles(ConversionHost &host, const HexSource &source);
// The document with a check value written in: kestrun convert DOC
// --insert-crc ADDR --algorithm NAME [--range LOW-HIGH] --endian ORDER
// --fill-byte XX -o DOC_crc.EXT, S-records for a document of S-records
// (EXT its own extension, or srec), Intel HEX otherwise.
bool InsertCrc(ConversionHost &host, const HexSource &source);
// The document with a number written in: kestrun convert DOC --serial
// ADDR=NUMBER --width BYTES --endian ORDER -o DOC_sn.EXT, in the form
// InsertCrc gives back.
bool InsertSerial(ConversionHost &host, const HexSource &source);
// Two images, each an open document (the active one by default) or a file:
// kestrun cmp A B [--fill-byte XX], its listing under a line counting each
// kind of difference; the differing ranges are marked in the documents
// compared.
bool CompareWithOther(ConversionHost &host, const HexSource &source);
// A binary file at a base address as HEX: kestrun convert FILE@ADDR.
bool BinaryToHexAt(ConversionHost &host);

// The rows in which CompareWithOther lists differences, as cmp --max.
constexpr std::uint64_t kComparedShown = 1000;

#endif
