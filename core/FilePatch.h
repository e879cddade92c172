// Bytes changed in an Intel HEX or S-record file, the rest of it kept as it
// was, for kestrun patch: the file's image is read once through the one
// image input, the changes gathered over it in the order they are asked
// for, and the file then streamed again through the library's patcher,
// which rewrites only the records that hold a changed byte (and adds
// records where none held one), so that a file of any size costs its image
// and a piece. A document's text in memory is changed by TextPatch.
//
//     FilePatch patch(calls);
//     if (patch.read(pieces, argument, fix) < 0) { print(patch.input().error); ... }
//     patch.set(0x08004010, QByteArray::fromHex("DEADBEEF"));
//     pieces.rewind();
//     patch.write(pieces, sink, user);
//
// Bytes set over data the text holds need no image: writeInOnePass goes
// through the text once, its reader checking every record as the patcher
// rewrites (a long HEX text in two parts at once, FilePatchParts.cpp), and
// says whether every change found its record; the caller that hears
// otherwise starts its output over and takes the way above.
#ifndef PELCOR_FILE_PATCH_H
#define PELCOR_FILE_PATCH_H

#include "core/ImageHandle.h"
#include "core/ImageInput.h"
#include "core/LibraryCalls.h"

#include <QByteArray>

#include <cstdint>
#include <functional>

class FilePatch {
public:
    explicit FilePatch(const ImageCalls &calls);

    // Reads the text's image; with `acceptChecksums` a record whose
    // checksum is wrong is read as if it were right (to be made right by
    // write). ResultOk, or the failure that input() describes; a text that
    // is not HEX or S-records is ResultBadArgument.
    std::int32_t read(InputPieces &text, const InputArgument &argument, bool acceptChecksums);
    const ImageInput &input() const { return m_input; }
    // The image the text holds, and the bytes changed so far.
    const kestrun_image *original() const { return m_original.get(); }
    const kestrun_image *changes() const { return m_changes.get(); }

    // `bytes` at `address` (false: they would pass 32 bits).
    bool set(std::uint32_t address, const QByteArray &bytes);
    // low..high, `pattern` over and over from low: only where the text or
    // an earlier change holds data, or everywhere with `intoGaps`.
    bool fill(std::uint32_t low, std::uint32_t high, const QByteArray &pattern, bool intoGaps);
    // Whether any byte of low..high is held by neither the text nor a change.
    bool reachesGaps(std::uint32_t low, std::uint32_t high) const;

    // Streams the text again (from its start) to `sink` with the changes
    // made; every wrong checksum is made right with `fixChecksums`, each
    // told to `onFixed` first. ResultOk, a library failure or the sink's.
    std::int32_t write(InputPieces &text, bool fixChecksums, kestrun_sink_fn sink,
                       std::intptr_t user,
                       const std::function<void(const kestrun_fixed_checksum &)> &onFixed = {});
    // What the last write did.
    const kestrun_patch_stats &stats() const { return m_stats; }

    // The changes set so far (before any read), written in one pass over
    // the text as `write` writes them when records hold every changed byte;
    // a fault the reader finds is told in input() (done), or, where the
    // text was read in two parts, left to the way above (not done).
    // Returns the sink's or the library's failure, else ResultOk with the
    // reading's outcome in input(); `done` is false when this pass cannot
    // stand for the two above (a change no record holds, a text that is
    // not HEX or S-records), whose output is then to be thrown away. With
    // `copy`, the text that goes out unchanged goes to it instead of the
    // sink, as its offset and length in the text (false: stop, as a sink's
    // failure stops); with `place` too, the output of a second part of a
    // long text goes to it, as bytes and their offset in the output.
    std::int32_t writeInOnePass(
        InputPieces &text, const InputArgument &argument, kestrun_sink_fn sink, std::intptr_t user,
        bool &done,
        const std::function<bool(std::uint64_t offset, std::uint64_t length)> &copy = {},
        const std::function<bool(std::uint64_t offset, QByteArrayView bytes)> &place = {});

private:
    bool held(std::uint32_t address) const;

    const ImageCalls &m_calls;
    ImageHandle m_original;
    ImageHandle m_changes;
    ImageInput m_input;
    kestrun_patch_stats m_stats{};
};

#endif
