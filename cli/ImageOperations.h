// The image operations of kestrun convert (and of any command that edits
// an image before writing it): read from the command line in the order
// given, applied in that order through the library.
//
//     --crop LOW-HIGH          keep only that range
//     --exclude LOW-HIGH       drop that range (may repeat)
//     --fill LOW-HIGH BYTES    the gaps of that range, BYTES over and over
//     --offset [-]N            move everything by N
//     --byte-swap 2|4|8        reverse the bytes of each word
//     --split M O [W]          keep the W bytes at O of every M, closed up
//     --unsplit M O [W]        put such a lane back in its place
//     --insert-length ADDR     the length of the data outside it, at ADDR
//     --serial ADDR=FIRST[+STEP]  image i's number FIRST + (i - 1) * STEP
//     --replace FIND=REPLACE   every occurrence of FIND's bytes
//
// An operation is one row of kOperations (ImageOperations.cpp): its name,
// how many words it takes and how it reads and applies them, and the
// modifiers (--width, --endian, --count) that may follow it.
#ifndef KESTRUN_CLI_IMAGE_OPERATIONS_H
#define KESTRUN_CLI_IMAGE_OPERATIONS_H

#include "core/LibraryCalls.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct ImageOperation {
    enum class Kind {
        Crop,
        Exclude,
        Fill,
        Offset,
        ByteSwap,
        Split,
        Unsplit,
        InsertLength,
        Serial,
        Replace
    };
    Kind kind = Kind::Crop;
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    QByteArray pattern;
    std::int64_t delta = 0;
    // --byte-swap's word (in `width`), --split's and --unsplit's lane.
    std::uint32_t multiple = 0;
    std::uint32_t laneOffset = 0;
    // --insert-length and --serial: the value's bytes and their order;
    // --serial: the first number, the step and the images (--count).
    std::uint32_t width = 4;
    std::int32_t endian = KESTRUN_LITTLE_ENDIAN;
    std::uint64_t first = 0;
    std::uint64_t step = 1;
    std::uint32_t count = 1;
    // --replace: the bytes put in place of `pattern`.
    QByteArray replacement;
    // The option as given, for messages ("--offset -1000").
    QString given;
};

// Whether `word` starts an operation ("--crop" or "--crop=...").
bool isImageOperation(const QString &word);

// Moves the operations out of `arguments` into `operations`, in their
// order, leaving the other words. Returns the usage error, or empty.
QString takeImageOperations(QStringList &arguments, std::vector<ImageOperation> &operations);

// What the operations of one image need beyond it, and the notes they
// leave for the user ("3 replaced").
struct OperationContext {
    // The overlap rule for values stored where data are (--overlap as given).
    std::int32_t policy = KESTRUN_OVERLAP_REFUSE;
    // Which image of a --serial --count, from 1.
    std::uint32_t index = 1;
    QStringList notes;
};

// Applies `operations` to `image`: the message of the first that fails
// ("--offset -1000: an address would leave 0..FFFFFFFF"), or empty.
QString applyImageOperations(const ImageCalls &calls, kestrun_image *image,
                             const std::vector<ImageOperation> &operations,
                             OperationContext *context = nullptr);

// The images the operations make of one input: --serial's --count, or 1.
std::uint32_t imageCount(const std::vector<ImageOperation> &operations);

#endif
