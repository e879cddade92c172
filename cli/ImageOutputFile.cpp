#include "ImageOutputFile.h"

#include "CancelSignal.h"
#include "ErrorLine.h"
#include "Invocation.h"
#include "LinkedLibrary.h"
#include "MessageLanguage.h"
#include "StreamingOutput.h"
#include "core/FormatList.h"
#include "core/HexNumber.h"

namespace {

std::uint32_t lineEndOf(const Invocation &invocation)
{
    switch (invocation.newLine.value_or(0)) {
    case 1:
        return KESTRUN_NEWLINE_CR;
    case 2:
        return KESTRUN_NEWLINE_LF;
    default:
        return KESTRUN_NEWLINE_CRLF;
    }
}

ImageOutput outputOf(const Invocation &invocation, OutputFormat format)
{
    ImageOutput out;
    out.format = format;
    if (invocation.recordLength)
        out.layout.recordLength =
            std::uint32_t(HexNumber::read(*invocation.recordLength).value_or(0x20));
    out.layout.lineEnd = lineEndOf(invocation);
    out.layout.addressRecords = invocation.addressRecords;
    out.layout.addressSize = invocation.addressSize;
    out.layout.startAddress = invocation.startAddress;
    out.fillByte = invocation.fillByte.value_or(0xFF);
    out.layout.wordWidth = invocation.vmemWidth.value_or(32);
    out.layout.family = invocation.uf2Family.value_or(0);
    return out;
}

std::int32_t sink(const char *bytes, std::uint64_t length, std::intptr_t user)
{
    auto *output = reinterpret_cast<StreamingOutput *>(user);
    if (CancelSignal::requested() || !output->put(QByteArrayView(bytes, qsizetype(length))))
        return ResultCancelled;
    return ResultOk;
}

} // namespace

namespace ImageOutputFile {

std::optional<OutputFormat> formatOf(const Invocation &invocation)
{
    const ImageCalls &calls = *LinkedLibrary::calls().image();
    if (invocation.to)
        return outputFormatNamed(calls, *invocation.to);
    if (const auto format = outputFormatOfFile(calls, invocation.output))
        return format;
    if (invocation.command == Invocation::Command::Merge)
        return OutputFormat::IntelHex;
    return std::nullopt;
}

QString check(const Invocation &invocation)
{
    const std::optional<OutputFormat> format = formatOf(invocation);
    if (!format)
        return MessageLanguage::text("convert needs --to %1, or an output name with a known extension")
            .arg(FormatList::words(*LinkedLibrary::calls().image(), KESTRUN_FORMAT_FLAG_WRITE));
    if (*format == OutputFormat::SRecord && invocation.recordLength) {
        const std::uint32_t longest =
            ImageOutput::longestSRecord(invocation.addressSize.value_or(KESTRUN_SREC_S37));
        if (HexNumber::read(*invocation.recordLength).value_or(0) > longest)
            return MessageLanguage::text(
                       "--record-length %1: S-records of this address size hold at "
                       "most %2 bytes")
                .arg(*invocation.recordLength, QString::number(longest, 16).toUpper());
    }
    if (invocation.addressRecords && *format != OutputFormat::IntelHex)
        return MessageLanguage::text("--address-records is for HEX output");
    if (invocation.addressSize && *format != OutputFormat::SRecord)
        return MessageLanguage::text("--address-size is for S-record output");
    if (invocation.vmemWidth && std::int32_t(*format) != KESTRUN_FORMAT_VMEM)
        return MessageLanguage::text("--vmem-width is for VMEM output");
    if (invocation.uf2Family && std::int32_t(*format) != KESTRUN_FORMAT_UF2)
        return MessageLanguage::text("--uf2-family is for UF2 output");
    return QString();
}

int write(const Invocation &invocation, const ImageCalls &calls, const kestrun_image *image)
{
    const QString path = invocation.output.isEmpty() ? QStringLiteral("-") : invocation.output;
    const QString where = path == u"-" ? MessageLanguage::text("standard output") : path;
    StreamingOutput output(path);
    QString error;
    if (output.open(error) != OutputTarget::Outcome::Written) {
        printErrorLine(where + QStringLiteral(": ") + error);
        return 1;
    }
    const ImageOutput out = outputOf(invocation, formatOf(invocation).value_or(OutputFormat::IntelHex));
    const std::int32_t rc = out.write(calls, image, sink, std::intptr_t(&output));
    if (rc < 0) {
        if (output.failed(error))
            printErrorLine(where + QStringLiteral(": ") + error);
        else if (rc == ResultAddressFault)
            printErrorLine(
                where
                + MessageLanguage::text(": the image's addresses do not fit the output's "
                                        "address records or size"));
        else if (rc == ResultCancelled || CancelSignal::requested())
            printErrorLine(where + QStringLiteral(": ") + LinkedLibrary::message(ResultCancelled));
        else
            printErrorLine(where + QStringLiteral(": ")
                           + LinkedLibrary::message(rc).replace(u'\n', u' '));
        return 1;
    }
    if (output.finish(error) != OutputTarget::Outcome::Written) {
        printErrorLine(where + QStringLiteral(": ") + error);
        return 1;
    }
    return 0;
}

} // namespace ImageOutputFile
