#include "CommandChecks.h"

#include "ImageOutputFile.h"
#include "Invocation.h"
#include "StampOperations.h"
#include "MessageLanguage.h"

#include <QCoreApplication>

namespace {

// What convert does not take, and an output format it can find.
QString checkConvertOptions(const Invocation &invocation)
{
    if (invocation.start || invocation.end || invocation.automaticRange || invocation.fromLowest
        || invocation.scope || invocation.checksumOnly || invocation.base || invocation.fill
        || !invocation.settingsFile.isEmpty())
        return MessageLanguage::text("convert takes no --start, --end, --auto-range, --from-lowest, "
                                     "--scope, --checksum-only, --base or --settings; "
                                     "its --fill is LOW-HIGH BYTES");
    if (imageCount(invocation.operations) > 1
        && StampOperations::outputName(invocation.output, 1).isEmpty())
        return QCoreApplication::translate("CommandChecks",
                                           "--serial --count が 2 以上のときは -o に %u か %0Nu "
                                           "(画像の番号) の入った名前を指定してください");
    return ImageOutputFile::check(invocation);
}

// Options that only some commands take.
QString checkCommandOptions(const Invocation &invocation)
{
    using Command = Invocation::Command;
    const Command command = invocation.command;
    if (invocation.fromLowest && command != Command::HexToBinary && command != Command::HexDump)
        return MessageLanguage::text("--from-lowest is for hex2bin and hexdump");
    if (invocation.base && command != Command::BinaryToHex)
        return MessageLanguage::text("--base is for bin2hex");
    if ((invocation.addressRecords || invocation.startAddress || invocation.startChoice)
        && command != Command::BinaryToHex
        && command != Command::Convert && command != Command::Merge)
        return MessageLanguage::text(
            "--address-records and --start-address are for bin2hex, convert "
            "and merge");
    if (invocation.overlapGiven && !invocation.takesHexText() && command != Command::Convert
        && !invocation.isImageJob())
        return MessageLanguage::text("--overlap is for the commands that read HEX text");
    if (command == Command::Convert)
        return checkConvertOptions(invocation);
    if (command == Command::Merge)
        return ImageOutputFile::check(invocation);
    return QString();
}

// FILE@ADDR with an ADDR that is no address, in the commands that read
// images: said as such, rather than as a file that does not exist.
QString checkInputAddresses(const Invocation &invocation)
{
    using Command = Invocation::Command;
    if (!invocation.isImageJob() && invocation.command != Command::Convert
        && invocation.command != Command::Info)
        return QString();
    for (const QString &input : invocation.inputs) {
        if (splitInputArgument(input).badAddress)
            return QCoreApplication::translate(
                       "CommandChecks",
                       "%1: @ の後の %2 はアドレスではありません (16 進数、0x は省略可、FFFFFFFF まで)")
                .arg(input, input.mid(input.lastIndexOf(u'@') + 1));
    }
    return QString();
}

} // namespace

namespace CommandChecks {

QString check(const Invocation &invocation)
{
    for (const auto &check : {checkCommandOptions, checkInputAddresses}) {
        if (const QString error = check(invocation); !error.isEmpty())
            return error;
    }
    return QString();
}

} // namespace CommandChecks
