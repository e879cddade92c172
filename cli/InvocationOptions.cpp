#include "InvocationOptions.h"

#include "MessageLanguage.h"

#include <QCoreApplication>

namespace {

const char *const kDescription = (
    "Converts Intel HEX text and binary images and makes dump reports, as Pelcor does.\n"
    "\n"
    "Commands:\n"
    "  hex2bin IN.hex [-o OUT.bin]  HEX text to a binary image (default OUT: IN with .bin)\n"
    "  bin2hex IN.bin [-o OUT.hex]  binary image to HEX text\n"
    "  dump IN.bin [-o OUT.txt]     dump report of a binary image\n"
    "  hexdump IN.hex [-o OUT.txt]  dump report of the image a HEX file describes\n"
    "  sum IN.bin                   eight-digit byte sum of a binary image\n"
    "  info IN                      where the data of an image lie, one fact a line\n"
    "  convert IN -o OUT            any image to Intel HEX, S-records, binary or dump lines\n"
    "                               (IN: HEX, S-records, ELF, binary; FILE@ADDR: binary at ADDR),\n"
    "                               the operations --crop, --exclude, --fill, --offset,\n"
    "                               --insert-length, --serial, --replace in order\n"
    "                               (also --byte-swap, --split, --unsplit; merge takes them too)\n"
    "  merge IN... [-o OUT]         the inputs as one image (no overlap unless --overlap),\n"
    "                               written as convert writes it (HEX without -o)\n"
    "  crc IN                       the CRC or sum of a range (--algorithm, default crc-32)\n"
    "  cmp A B                      the images address by address; status 1 when they differ\n"
    "  patch IN -o OUT|--in-place   bytes changed in HEX or S-record text, only the records\n"
    "                               that hold them rewritten: --set ADDR=BYTES, --string\n"
    "                               ADDR=TEXT [--encoding ascii|utf-8|cp932], --fill LOW-HIGH\n"
    "                               BYTES [--into-gaps] in order, --fix-checksums\n"
    "\n"
    "IN or OUT \"-\" is standard input or output; text results go to standard output\n"
    "when -o is absent. Addresses and bytes are hexadecimal, 0x optional. Reports are\n"
    "code page 932 text, as Pelcor saves them (on a terminal: UTF-8). Without --start and --end the address range is automatic:\n"
    "from address 0 (as Pelcor does) or, with --from-lowest, from the lowest data\n"
    "address (as objcopy does); --start and --end always mean that range.\n"
    "Exit status: 0 done, 1 conversion failed (cmp: the images differ), 2 usage error\n"
    "(cmp: also an input that cannot be read).");

} // namespace

InvocationOptions::InvocationOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(MessageLanguage::text(kDescription));
    const QList<QCommandLineOption *> all{
        &help,      &version,      &output,      &start,          &end,
        &automatic, &fromLowest,   &base,        &fill,           &recordLength,
        &lineEnd,   &checksumOnly, &scope,       &addressRecords, &startAddress,
        &overlap,   &to,           &inputFormat, &addressSize,    &vmemWidth,
        &uf2Family, &fillByte,     &crop,        &exclude,        &offset,
        &byteSwap,  &split,        &unsplit,     &insertLength,   &serial,
        &count,     &replace,      &set,         &string,
        &encoding,  &intoGaps,     &fixChecksums, &inPlace,       &sync,
        &settings};
    for (QCommandLineOption *option : all) {
        translateDescription(*option);
        parser.addOption(*option);
    }
    parser.addPositionalArgument(
        QStringLiteral("command"),
        MessageLanguage::text("hex2bin, bin2hex, dump, hexdump, sum, info, "
                              "convert, merge, crc, cmp or patch."));
    parser.addPositionalArgument(QStringLiteral("input"),
                                 MessageLanguage::text("The input file, or -."));
}

void translateDescription(QCommandLineOption &option)
{
    // The descriptions are written in English where the options are
    // declared; the catalogue has them under "options".
    option.setDescription(
        QCoreApplication::translate("options", option.description().toUtf8().constData()));
}
