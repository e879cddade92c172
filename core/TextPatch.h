// Changes to the bytes of a record text (Intel HEX or S-records), made by
// the library's patcher: the records that hold a changed byte get their
// new data and a checksum that holds, bytes where no record holds data get
// new records, and, when asked, every wrong checksum is made right. The
// text comes back as the splices that turn the old text into the new, so
// that an editor puts in only the lines that changed, as one step.
//
//     TextPatch patch(calls, KESTRUN_FORMAT_IHEX);
//     patch.write(0x08004010, "\xDE\xAD");
//     const TextPatch::Result r = patch.apply(text);
//     if (r.result < 0) { ... r.error ... }
//     for (splice : r.splices, last first) replace splice.length bytes at splice.from
//
// The text is read through the one image input; which bytes a record
// holds and where a record lies is the library's to say.
#ifndef PELCOR_TEXT_PATCH_H
#define PELCOR_TEXT_PATCH_H

#include "core/LibraryCalls.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class TextPatch {
public:
    // `format`: KESTRUN_FORMAT_IHEX or _SREC.
    TextPatch(const ImageCalls &calls, std::int32_t format);
    ~TextPatch();
    TextPatch(const TextPatch &) = delete;
    TextPatch &operator=(const TextPatch &) = delete;

    // Writes `bytes` at `address` and on (those past 0xFFFFFFFF are
    // dropped); a later write over an earlier one wins.
    void write(std::uint32_t address, QByteArrayView bytes);
    // Whether every wrong checksum is made right, not only those of the
    // records that get new data.
    void setFixChecksums(bool fix) { m_fix = fix; }

    // `length` bytes of the old text from `from` are to be `text`.
    struct Splice {
        qsizetype from;
        qsizetype length;
        QByteArray text;
    };
    struct Result {
        // ResultOk, or the library's code: the text does not read (`error`
        // says where and why), or memory ran short.
        std::int32_t result = ResultOk;
        QString error;
        kestrun_patch_stats stats{};
        std::vector<kestrun_fixed_checksum> fixed;
        // In text order, none overlapping; empty when nothing changed.
        std::vector<Splice> splices;
    };
    // The lines that hold every written byte, as the address index finds
    // them: from the start of the first, on line `line` (from 1), to the
    // end of the last with its line end.
    struct Lines {
        qsizetype from;
        qsizetype to;
        std::uint64_t line;
    };
    // Patches `text` (named `name` in an error) with the writes so far.
    // With `lines`, only those lines and the HEX address record above them
    // are read and patched, so that a byte changed in a large text costs a
    // few lines; the whole text is when that part does not hold every
    // written byte after all.
    Result apply(QByteArrayView text, const QString &name = QString(),
                 std::optional<Lines> lines = std::nullopt) const;
    // As apply() with `lines`, patching only them and the address record
    // above them, read from `window`, the part of the text from `start`
    // that holds them: an editor's text need not be made whole for a
    // byte. None when the window holds no address record above them where
    // one may be in force, or the lines do not hold every written byte:
    // the whole text must be patched then.
    std::optional<Result> applyWithin(QByteArrayView window, qsizetype start, const QString &name,
                                      const Lines &lines) const;

    // `text` with `splices` made, as an editor makes them.
    static QByteArray spliced(QByteArrayView text, const std::vector<Splice> &splices);

private:
    // The image the text holds, where the writes go: only their span when
    // records hold every written byte, which is all the patcher needs to
    // know, else the whole image, whose records place the new ones.
    kestrun_image *readOriginal(QByteArrayView text, const QString &name,
                                const std::optional<Lines> &part, Result &out) const;
    Result patch(QByteArrayView text, const QString &name, const std::optional<Lines> &part) const;
    // The last HEX 02 or 04 record above `from` in `text`, with its line
    // end: its bases are the patcher's. Empty when none is needed (none
    // above in a text that starts with `text`, or S-records); none when
    // `text` starts later in the text and holds none above `from`.
    std::optional<QByteArrayView> addressRecordAbove(QByteArrayView text, qsizetype from,
                                                     bool textStart) const;
    bool heldWhole(const kestrun_image *original) const;

    const ImageCalls &m_calls;
    std::int32_t m_format;
    kestrun_image *m_changes;
    bool m_fix = false;
};

#endif
