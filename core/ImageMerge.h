// Inputs merged into one image under an overlap rule, as kestrun merge and
// the frame's merge make it: each input's bytes tagged by its number, the
// conflicts named through the log, and the start address chosen by a
// StartChoice (by default the first input's, with a note for each other
// input whose start differs, as srec_cat keeps the first).
//
//     ConflictLog log(names, policy);
//     ImageMerge merge(calls, names, policy, log, StartChoice{});
//     for (i ...) { image = ImageLoader::load(...); if (!merge.add(*image, i, error)) ... }
//     ImageHandle merged = merge.take();
//     for (const QString &note : merge.notes()) ...
#ifndef PELCOR_IMAGE_MERGE_H
#define PELCOR_IMAGE_MERGE_H

#include "core/ConflictLog.h"
#include "core/ImageHandle.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Which start address a merged image keeps of those its inputs carry.
struct StartChoice {
    enum class Rule {
        Default, // the first input's that has one, with a note where others differ
        First,   // the first input's that has one
        Last,    // the last input's that has one
        None,    // none
        Given,   // `address`, as a linear start (05)
    };
    Rule rule = Rule::Default;
    std::uint32_t address = 0;

    // kestrun's words: first, last, none, or a hexadecimal address; none
    // for another word.
    static std::optional<StartChoice> named(const QString &word);
};

class ImageMerge {
public:
    // `names` as the inputs are named in messages, in the order of their
    // tags; the log collects the merge's conflicts.
    ImageMerge(const ImageCalls &calls, const QStringList &names, std::int32_t policy,
               ConflictLog &log, StartChoice start = {});

    // False when no image could be made (memory).
    bool ready() const { return bool(m_merged); }
    // Merges the image of input `index` (from 0). False with `error`: a
    // refused overlap naming both writers and the whole range they
    // conflict over, or a library failure ("NAME: message", the message
    // from `describe`).
    bool add(const kestrun_image *image, int index, QString &error,
             QString (*describe)(std::int32_t code));
    // The merged image, with the chosen start address.
    ImageHandle take();
    // After take(): under the default rule, one line for each input whose
    // start address differs from the one kept, naming both.
    const QStringList &notes() const { return m_notes; }

    // A start address as a HEX file gives it: "0100:0000" for a 03 record
    // (CS:IP), "08000131" for a 05 record.
    static QString startText(std::uint32_t type, std::uint32_t value);

private:
    struct Start {
        int index;
        std::uint32_t type;
        std::uint32_t value;
    };
    kestrun_conflict wholeConflict(const kestrun_image *image) const;
    std::optional<std::uint32_t> firstShared(const kestrun_image *image) const;

    const ImageCalls &m_calls;
    QStringList m_names;
    std::int32_t m_policy;
    ConflictLog &m_log;
    StartChoice m_choice;
    ImageHandle m_merged;
    // The inputs that carry a start address, in order.
    std::vector<Start> m_starts;
    // Under error: where the input being added first meets the image.
    std::optional<std::uint32_t> m_firstShared;
    QStringList m_notes;
};

#endif
