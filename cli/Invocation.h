// What the user asked kestrun to do, read from its command line with
// QCommandLineParser: one command, its input and output, and the settings
// the options give.
#ifndef KESTRUN_CLI_INVOCATION_H
#define KESTRUN_CLI_INVOCATION_H

#include "core/ConversionPlan.h"
#include "core/DumpSettings.h"
#include "core/ImageInput.h"
#include "core/ImageMerge.h"
#include "ImageOperations.h"
#include "ImageJobOptions.h"
#include "PatchOperations.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

struct Invocation {
    enum class Command { HexToBinary, BinaryToHex, Dump, HexDump, Sum, Info, Convert, Merge, Crc,
                         Compare, Patch };
    // Help and Version carry nothing else; Usage only the error.
    enum class Request { Convert, Help, Version, Usage };

    // Reads the arguments after the program's name.
    static Invocation parse(const QStringList &arguments);

    Request request = Request::Convert;
    Command command = Command::HexToBinary;
    QString input;
    // Every input, for the commands that take several (merge, cmp).
    QStringList inputs;
    // Empty when -o was not given.
    QString output;
    // Empty when --settings was not given.
    QString settingsFile;
    // --sync: an output file reaches the disk before it replaces the old one.
    bool sync = false;

    // The settings options; an unset one leaves the file's or default value.
    std::optional<QString> start;
    std::optional<QString> end;
    bool automaticRange = false;
    std::optional<QString> fill;
    std::optional<QString> recordLength;
    std::optional<QString> scope;
    std::optional<qint16> newLine;
    bool checksumOnly = false;
    bool fromLowest = false;
    std::optional<std::uint32_t> base;
    std::optional<std::uint32_t> addressRecords;
    std::optional<std::uint32_t> startAddress;
    // merge's --start-address: first, last, none or an address.
    std::optional<StartChoice> startChoice;
    std::int32_t overlap = KESTRUN_OVERLAP_LAST;
    bool overlapGiven = false;
    // The options of merge, crc, cmp and info --json.
    ImageJob job;

    // convert: the image operations in their order, the output format
    // (--to; else the output's extension), the input format, the
    // S-records' address size and the byte of gaps in binary and dumps.
    std::vector<ImageOperation> operations;
    std::optional<QString> to;
    InputFormat inputFormat = InputFormat::Detect;
    std::optional<std::uint32_t> addressSize;
    std::optional<std::uint8_t> fillByte;
    // VMEM's bits a word and UF2's family ID.
    std::optional<std::uint32_t> vmemWidth;
    std::optional<std::uint32_t> uf2Family;
    // patch: its changes in their order and its switches.
    PatchRequest patch;

    // The settings as the options change `base` (the file's, or defaults).
    DumpSettings applyTo(DumpSettings base) const;
    // What the options add beyond Pelcor's settings: an end given on the
    // command line is that end, 0 included; the window from the lowest
    // data; the base address of HEX output.
    void refine(ConversionSettings &settings) const;
    bool takesHexText() const
    {
        return command == Command::HexToBinary || command == Command::HexDump
               || command == Command::Info;
    }
    bool makesBinary() const { return command == Command::HexToBinary; }
    // merge, crc and cmp: whole images, run apart from the conversions.
    bool isImageJob() const
    {
        return command == Command::Merge || command == Command::Crc || command == Command::Compare;
    }

    // Why the command line is not a valid one (Usage), or the help text.
    QString usageError;
    QString helpText;
};

#endif
