// Every option kestrun knows, declared to one parser, with the help text
// that --help prints from them.
#ifndef KESTRUN_CLI_INVOCATION_OPTIONS_H
#define KESTRUN_CLI_INVOCATION_OPTIONS_H

#include <QCommandLineOption>
#include <QCommandLineParser>

struct InvocationOptions {
    // Declares the options, the commands and the description to `parser`.
    explicit InvocationOptions(QCommandLineParser &parser);

    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Shows this help.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Shows the program's and the library's versions.")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("Writes the result to FILE."),
                              QStringLiteral("FILE")};
    QCommandLineOption start{QStringLiteral("start"),
                             QStringLiteral("First address of the range (StartAddress)."),
                             QStringLiteral("HEX")};
    QCommandLineOption end{QStringLiteral("end"),
                           QStringLiteral("Last address of the range (EndAddress)."),
                           QStringLiteral("HEX")};
    QCommandLineOption automatic{
        QStringLiteral("auto-range"),
        QStringLiteral("Finds the range itself, whatever --settings says.")};
    QCommandLineOption fill{QStringLiteral("fill"),
                            QStringLiteral("Byte where no data lies, 0 to FF (BlankChar). "
                                           "convert: --fill LOW-HIGH BYTES writes BYTES (a byte or "
                                           "a pattern) over and over into the gaps of that range."),
                            QStringLiteral("HEX")};
    QCommandLineOption recordLength{
        QStringLiteral("record-length"),
        QStringLiteral("Data bytes per HEX record, 1 to FF (RecordLength)."),
        QStringLiteral("HEX")};
    QCommandLineOption lineEnd{QStringLiteral("line-end"),
                               QStringLiteral("Line end of HEX text and reports (NewLine)."),
                               QStringLiteral("crlf|cr|lf")};
    QCommandLineOption checksumOnly{
        QStringLiteral("checksum-only"),
        QStringLiteral("Reports the checksum without dump lines (NoDump).")};
    QCommandLineOption scope{QStringLiteral("scope"),
                             QStringLiteral("First guess of the output size, times the input's, "
                                            "1 or more (Scope); outputs grow as they need."),
                             QStringLiteral("HEX")};
    QCommandLineOption fromLowest{QStringLiteral("from-lowest"),
                                  QStringLiteral("hex2bin, hexdump: the range runs from the lowest "
                                                 "to the highest data address (objcopy's image).")};
    QCommandLineOption base{QStringLiteral("base"),
                            QStringLiteral("bin2hex: the HEX address of the first byte; extended "
                                           "linear address records as needed."),
                            QStringLiteral("ADDR")};
    QCommandLineOption addressRecords{
        QStringLiteral("address-records"),
        QStringLiteral("bin2hex: extended address records: auto (02 below 1 MiB, then 04; "
                       "04 with --base), none, 02 or 04."),
        QStringLiteral("KIND")};
    QCommandLineOption startAddress{
        QStringLiteral("start-address"),
        QStringLiteral("bin2hex, convert, merge: writes a start linear address record "
                       "(05) of ADDR. merge: or keeps the first (default, with a note when "
                       "another input's differs) or last input's start address, or none."),
        QStringLiteral("first|last|none|ADDR")};
    QCommandLineOption overlap{
        QStringLiteral("overlap"),
        QStringLiteral("HEX input: records that write an address twice with other bytes: last "
                       "(the later win, with a warning), first, identical (only equal bytes may "
                       "overlap) or error (no overlap at all)."),
        QStringLiteral("RULE")};
    QCommandLineOption to{QStringLiteral("to"),
                          QStringLiteral("convert, merge: the output format, ihex, srec, bin, dump, "
                                         "ti-txt, vmem, c-array or uf2 (else from the output's "
                                         "extension: .hex .ihex .ihx, .srec .s19 .s28 .s37 .mot, "
                                         ".bin, .txt, .mem .vmem, .uf2, .c)."),
                          QStringLiteral("FORMAT")};
    QCommandLineOption inputFormat{
        QStringLiteral("input-format"),
        QStringLiteral("convert, info, merge, crc, cmp: the inputs' format, auto, ihex, srec, elf, "
                       "bin, ti-txt, vmem or uf2, instead of finding it from the content."),
        QStringLiteral("FORMAT")};
    QCommandLineOption vmemWidth{
        QStringLiteral("vmem-width"),
        QStringLiteral("convert, merge: bits a VMEM word (default 32); a word data fills only in "
                       "part gets the fill byte in the rest."),
        QStringLiteral("8|16|32|64")};
    QCommandLineOption uf2Family{
        QStringLiteral("uf2-family"),
        QStringLiteral("convert, merge: the family of every UF2 block, by name (RP2040, SAMD21, "
                       "SAMD51, NRF52840, STM32F4, ...) or hexadecimal ID (default none)."),
        QStringLiteral("NAME|ID")};
    QCommandLineOption addressSize{
        QStringLiteral("address-size"),
        QStringLiteral("convert, merge: S-record addresses of 16, 24 or 32 bits, or the smallest that "
                       "holds the highest address (auto)."),
        QStringLiteral("auto|s19|s28|s37")};
    QCommandLineOption fillByte{
        QStringLiteral("fill-byte"),
        QStringLiteral("convert, merge: the byte of the gaps in binary and dump output, 0 to FF "
                       "(default FF); crc, merge: the byte gaps read as in a check (FF); "
                       "cmp: a gap equals this byte (default: a gap equals nothing)."),
        QStringLiteral("HEX")};
    QCommandLineOption crop{QStringLiteral("crop"),
                            QStringLiteral("convert: keeps only the data of LOW-HIGH."),
                            QStringLiteral("LOW-HIGH")};
    QCommandLineOption exclude{QStringLiteral("exclude"),
                               QStringLiteral("convert: drops the data of LOW-HIGH (repeatable)."),
                               QStringLiteral("LOW-HIGH")};
    QCommandLineOption offset{QStringLiteral("offset"),
                              QStringLiteral("convert: moves the data by N (hexadecimal, - for "
                                             "down); refused when an address would leave 32 "
                                             "bits."),
                              QStringLiteral("[-]N")};
    QCommandLineOption byteSwap{QStringLiteral("byte-swap"),
                                QStringLiteral("convert, merge: reverses the bytes of each "
                                               "aligned word of 2, 4 or 8 bytes."),
                                QStringLiteral("2|4|8")};
    QCommandLineOption split{QStringLiteral("split"),
                             QStringLiteral("convert, merge: of every MULTIPLE bytes keeps the "
                                            "WIDTH (default 1) at OFFSET, closed up: one of "
                                            "interleaved memories."),
                             QStringLiteral("MULTIPLE OFFSET [WIDTH]")};
    QCommandLineOption unsplit{QStringLiteral("unsplit"),
                               QStringLiteral("convert, merge: puts such a lane back, each WIDTH "
                                              "bytes at OFFSET of every MULTIPLE."),
                               QStringLiteral("MULTIPLE OFFSET [WIDTH]")};
    QCommandLineOption insertLength{
        QStringLiteral("insert-length"),
        QStringLiteral("convert: writes the length in bytes of the data outside it at ADDR "
                       "(srec_cat's -Exclusive_Length); --width 1|2|4 (default 4) and --endian "
                       "may follow."),
        QStringLiteral("ADDR")};
    QCommandLineOption serial{
        QStringLiteral("serial"),
        QStringLiteral("convert: writes image i's number FIRST + (i - 1) * STEP (hexadecimal, "
                       "STEP 1 unless given) at ADDR; --width 1-8 (default 4), --endian and "
                       "--count N (default 1; above 1, -o names a pattern with %u or %0Nu, "
                       "the image's number) may follow."),
        QStringLiteral("ADDR=FIRST[+STEP]")};
    QCommandLineOption count{QStringLiteral("count"),
                             QStringLiteral("After --serial: the images made, decimal."),
                             QStringLiteral("N")};
    QCommandLineOption replace{
        QStringLiteral("replace"),
        QStringLiteral("convert: writes REPLACE over every occurrence of FIND in the data "
                       "(hexadecimal bytes of one length) and says how many."),
        QStringLiteral("FIND=REPLACE")};
    QCommandLineOption set{QStringLiteral("set"),
                           QStringLiteral("patch: writes the hex BYTES at ADDR."),
                           QStringLiteral("ADDR=BYTES")};
    QCommandLineOption string{QStringLiteral("string"),
                              QStringLiteral("patch: writes the text's bytes (no NUL) at ADDR."),
                              QStringLiteral("ADDR=TEXT")};
    QCommandLineOption encoding{QStringLiteral("encoding"),
                                QStringLiteral("patch: after --string, how its text is written "
                                               "(default ascii)."),
                                QStringLiteral("ascii|utf-8|cp932")};
    QCommandLineOption intoGaps{QStringLiteral("into-gaps"),
                                QStringLiteral("patch: after --fill LOW-HIGH BYTES, fills the "
                                               "gaps too (else only the data there).")};
    QCommandLineOption fixChecksums{QStringLiteral("fix-checksums"),
                                    QStringLiteral("patch: makes every wrong checksum right, "
                                                   "naming each line.")};
    QCommandLineOption inPlace{QStringLiteral("in-place"),
                               QStringLiteral("patch: replaces IN (atomically, no backup) "
                                              "instead of -o.")};
    QCommandLineOption sync{QStringLiteral("sync"),
                            QStringLiteral("Waits until the output is on the disk before it "
                                           "replaces the old file (fdatasync); without it the "
                                           "system writes it back later, as for objcopy.")};
    QCommandLineOption settings{
        QStringLiteral("settings"),
        QStringLiteral("Takes the settings from a Pelcor.ini; options win.\n"
                       "Without it: Pelcor's defaults, no file."),
        QStringLiteral("FILE")};
};

// Gives `option` its description in the user's language.
void translateDescription(QCommandLineOption &option);

#endif
