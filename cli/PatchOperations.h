// What kestrun patch is asked to change, read from its command line in the
// order given (each applied over what the ones before it made):
//
//     --set ADDR=BYTES              the hex bytes at ADDR
//     --string ADDR=TEXT            the text's bytes (no NUL) at ADDR;
//       --encoding ascii|utf-8|cp932  after it: how (default ascii)
//     --fill LOW-HIGH BYTES         BYTES over and over, where data is;
//       --into-gaps                 after it: into the gaps too
//
// and the two switches --fix-checksums and --in-place.
#ifndef KESTRUN_CLI_PATCH_OPERATIONS_H
#define KESTRUN_CLI_PATCH_OPERATIONS_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct PatchOperation {
    enum class Kind { Set, Fill };
    Kind kind = Kind::Set;
    std::uint32_t low = 0;
    std::uint32_t high = 0; // Fill: the last address
    QByteArray bytes;       // Set: the bytes; Fill: the pattern
    bool intoGaps = false;
    // --string: its text and encoding, made bytes once all words are read.
    bool isString = false;
    QString text;
    QString encoding = QStringLiteral("ascii");
    QString given; // the option as given, for messages
};

struct PatchRequest {
    std::vector<PatchOperation> operations;
    bool fixChecksums = false;
    bool inPlace = false;
};

// Moves patch's options out of `arguments` into `request`, leaving the
// other words. Returns the usage error, or empty.
QString takePatchOperations(QStringList &arguments, PatchRequest &request);

#endif
