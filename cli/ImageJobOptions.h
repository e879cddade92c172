// The options of the commands that work on whole images (merge, crc, cmp,
// info --json), declared beside kestrun's others to the one parser, and
// the values they give.
#ifndef KESTRUN_CLI_IMAGE_JOB_OPTIONS_H
#define KESTRUN_CLI_IMAGE_JOB_OPTIONS_H

#include "core/AddressRange.h"
#include "core/HexText.h"
#include "exports.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <cstdint>
#include <optional>

struct ImageJob {
    std::optional<AddressRange> range;
    // A preset's name; empty for crc-32 or a model given by its parameters.
    QString algorithm;
    std::optional<kestrun_crc_model> model;
    std::optional<std::uint32_t> insertAt;
    std::optional<std::uint32_t> verifyAt;
    std::int32_t endian = KESTRUN_LITTLE_ENDIAN;
    // The byte a gap reads as (--fill-byte, which convert shares): none,
    // for cmp, means a gap is a gap.
    std::optional<std::uint8_t> fillByte;
    std::uint64_t maxShown = 20;
    bool json = false;
};

struct ImageJobOptions {
    explicit ImageJobOptions(QCommandLineParser &parser);

    // Reads the values into `job`; the error, or empty when all are usable.
    // `command` is the command's word, to refuse options it does not take.
    QString read(const QCommandLineParser &parser, const QString &command, ImageJob &job) const;

    QCommandLineOption range{QStringLiteral("range"),
                             QStringLiteral("crc, --insert-crc: the addresses checked (gaps read "
                                            "as --fill-byte); default: the lowest to the highest "
                                            "data address, without the CRC's own bytes."),
                             QStringLiteral("LOW-HIGH")};
    QCommandLineOption algorithm{QStringLiteral("algorithm"),
                                 QStringLiteral("crc, --insert-crc: the check, crc-32 unless "
                                                "given; kestrun crc --algorithm list names them."),
                                 QStringLiteral("NAME")};
    QCommandLineOption width{QStringLiteral("width"),
                             QStringLiteral("A CRC of your own: its bits, 8 to 64 (decimal); "
                                            "with --poly, --init, --refin, --refout, --xorout. "
                                            "After --insert-length or --serial: the value's "
                                            "bytes."),
                             QStringLiteral("BITS")};
    QCommandLineOption poly{QStringLiteral("poly"),
                            QStringLiteral("With --width: the polynomial, unreflected."),
                            QStringLiteral("HEX")};
    QCommandLineOption init{QStringLiteral("init"),
                            QStringLiteral("With --width: the initial value (default 0)."),
                            QStringLiteral("HEX")};
    QCommandLineOption refin{QStringLiteral("refin"),
                             QStringLiteral("With --width: bytes go in least significant bit first.")};
    QCommandLineOption refout{QStringLiteral("refout"),
                              QStringLiteral("With --width: the result is reflected.")};
    QCommandLineOption xorout{QStringLiteral("xorout"),
                              QStringLiteral("With --width: XORed into the result (default 0)."),
                              QStringLiteral("HEX")};
    QCommandLineOption insertCrc{QStringLiteral("insert-crc"),
                                 QStringLiteral("merge, convert: writes the check's value at "
                                                "ADDR, outside its range."),
                                 QStringLiteral("ADDR")};
    QCommandLineOption verifyCrc{QStringLiteral("verify-crc"),
                                 QStringLiteral("crc: compares the value stored at ADDR; "
                                                "exit status 1 when it differs."),
                                 QStringLiteral("ADDR")};
    QCommandLineOption endian{QStringLiteral("endian"),
                              QStringLiteral("--insert-crc, --verify-crc, and after "
                                             "--insert-length or --serial: byte order of the "
                                             "stored value (default little; a digest keeps "
                                             "its own)."),
                              QStringLiteral("little|big")};
    QCommandLineOption max{QStringLiteral("max"),
                           QStringLiteral("cmp: lists at most N differences (default 20)."),
                           QStringLiteral("N")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("info: the facts as one JSON object, with each "
                                           "range's CRC-32, the fill ratio and the overlaps.")};
};

#endif
