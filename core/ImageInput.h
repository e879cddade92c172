// One input argument of a kestrun command turned into an image, whatever
// its format: Intel HEX, Motorola S-records, an ELF executable, any other
// the library reads, or raw binary (at address 0, or at ADDR as FILE@ADDR). Every command that takes
// images (convert, merge, cmp, crc) reads its inputs through here, so all
// of them accept the same arguments and report a bad one alike.
//
//     kestrun_image *image = calls.kestrun_image_new();
//     const ImageInput in = readImageInput(calls, image, QStringLiteral("app.bin@08004000"));
//     if (in.result < 0) { print(in.error); ... }   // "FILE:LINE: message"
//
// The format is found from the content (kestrun_detect_format) unless the
// options force one; content that shows no format is read as the format
// the file's extension names in the library's table (.elf .axf, .hex
// .ihex .ihx, .srec .s19 .s28 .s37 .mot, ...), whose reader then refuses
// it, and as binary otherwise; an
// argument with @ADDR is binary. An argument that
// names an existing file is that file, even when its name holds an @.
#ifndef PELCOR_IMAGE_INPUT_H
#define PELCOR_IMAGE_INPUT_H

#include "core/InputPieces.h"
#include "core/LibraryCalls.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>

// A format the library reads, by its KESTRUN_FORMAT_* value, or Detect;
// the others are InputFormat(value).
enum class InputFormat : std::int32_t {
    Detect = -1,
    Binary = KESTRUN_FORMAT_BINARY,
    IntelHex = KESTRUN_FORMAT_IHEX,
    SRecord = KESTRUN_FORMAT_SREC,
    Elf = KESTRUN_FORMAT_ELF
};

// "auto" and the library's names of the formats it reads (--input-format's
// words), and back.
std::optional<InputFormat> inputFormatNamed(const ImageCalls &calls, QStringView word);
QString inputFormatName(const ImageCalls &calls, InputFormat format);

// An input of Detect format is told by its first bytes, at least this
// many of them where it holds them.
constexpr qsizetype kSniffedBytes = 4096;

struct ImageInputOptions {
    InputFormat format = InputFormat::Detect;
    // How records (and inputs read into one image) that write an address
    // twice are taken: KESTRUN_OVERLAP_*; `source` tags this input's
    // writes for the conflicts, which go to `onConflict` as they are met.
    std::int32_t overlap = KESTRUN_OVERLAP_LAST;
    std::uint32_t source = 0;
    kestrun_conflict_fn onConflict = nullptr;
    std::intptr_t conflictUser = 0;
    // Progress through the input, in its bytes.
    ProgressCallback progress = nullptr;
    std::intptr_t progressUser = 0;
    // Each record as it is read (binary: each piece; ELF: each segment).
    // With a null image the records go here alone, stored nowhere.
    kestrun_record_fn onRecord = nullptr;
    std::intptr_t recordUser = 0;
    // What an input found to be neither record text nor ELF is read as:
    // binary, or Intel HEX where a text is expected (whose reader then
    // says where it stops being that).
    InputFormat undetected = InputFormat::Binary;
    // Only the addresses low..high are stored; the records outside it are
    // still read, checked and reported.
    struct Window {
        std::uint32_t low;
        std::uint32_t high;
    };
    std::optional<Window> window;
    // The source is the part of a longer text that begins at `offset`, a
    // record's beginning, on `line`: places are the whole text's, and the
    // part's end is not the text's, so no end record is asked of it.
    struct Part {
        std::uint64_t offset;
        std::uint64_t line;
    };
    std::optional<Part> part;
    // Records whose checksum is wrong are read as if it were right (for a
    // caller that is to make them right), not refused.
    bool acceptChecksums = false;
};

// An argument split into its file and the address of @ADDR.
struct InputArgument {
    QString file;
    std::optional<std::uint32_t> address;
    // An @ followed by what is no address (bad digits, past 32 bits), in an
    // argument that names no file: the caller says so rather than that no
    // such file exists.
    bool badAddress = false;
};
// FILE@ADDR (ADDR hexadecimal, 0x optional, up to FFFFFFFF) unless the
// whole argument names a file that exists; no address when there is no @
// or what follows it is no address (badAddress).
InputArgument splitInputArgument(const QString &argument);

struct ImageInput {
    // ResultOk, or the library's code of the failure (ResultBadArgument
    // for a file that cannot be read).
    std::int32_t result = ResultOk;
    // The format read (Detect only when the file could not be read).
    InputFormat format = InputFormat::Detect;
    InputArgument argument;
    // Where a HEX or S-record text failed.
    std::optional<kestrun_place> place;
    // "FILE:LINE: message" for a record, "FILE: message" otherwise; empty
    // on success. FILE is the file as given ("-" is "standard input").
    QString error;
    // What the reader counted: records by type, lines, overlaps.
    kestrun_read_stats stats{};
    // The family the input names (UF2).
    std::optional<std::uint32_t> family;
    // Where text after the end record begins (kestrun_reader_past_end), and
    // the warning that says so, "FILE:LINE: warning: ...", in warnings.
    std::optional<kestrun_place> pastEnd;
    QStringList warnings;
    // The source itself could not be read: what it said (also in `error`).
    bool sourceFailed = false;
    QString sourceError;
};

// "NAME:LINE: warning: ..." for text after the end record at `at` of a
// HEX text (not read) or S-records (read).
QString pastEndWarning(const QString &name, InputFormat format, const kestrun_place &at);

// Reads `argument` into `image`, over what it holds (several inputs may
// go into one image under the overlap rule), or, with a null `image`, to
// the options' record callback alone. On failure the image holds what was
// read before the fault, for the caller to throw away.
ImageInput readImageInput(const ImageCalls &calls, kestrun_image *image, const QString &argument,
                          const ImageInputOptions &options = {});
// The same for a source already at hand, named `name` in messages, at
// `address` when it is binary.
ImageInput readImageInput(const ImageCalls &calls, kestrun_image *image, InputPieces &source,
                          const InputArgument &argument, const ImageInputOptions &options = {});

// Where a text of `format` may be read as a second part of its own: the
// first record that sets every base within 4 MiB past its middle
// (kestrun_resume_point), as an offset of the text; none where there is
// none or the source cannot be read out of order.
std::optional<std::uint64_t> resumePointNearMiddle(const ImageCalls &calls,
                                                   const InputPieces &text, std::int32_t format);

#endif
