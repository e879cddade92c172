// Inputs merged into one image under an overlap rule, as kestrun merge and
// the frame's merge make it: each input's bytes tagged by its number, the
// conflicts named through the log, and the start address of the one input
// that has one (two that differ stop the merge, since either could be
// meant).
//
//     ConflictLog log(names, policy);
//     ImageMerge merge(calls, names, policy, log);
//     for (i ...) { image = ImageLoader::load(...); if (!merge.add(*image, i, error)) ... }
//     ImageHandle merged = merge.take();
#ifndef PELCOR_IMAGE_MERGE_H
#define PELCOR_IMAGE_MERGE_H

#include "core/ConflictLog.h"
#include "core/ImageHandle.h"

#include <QString>
#include <QStringList>

class ImageMerge {
public:
    // `names` as the inputs are named in messages, in the order of their
    // tags; the log collects the merge's conflicts.
    ImageMerge(const ImageCalls &calls, const QStringList &names, std::int32_t policy,
               ConflictLog &log);

    // False when no image could be made (memory).
    bool ready() const { return bool(m_merged); }
    // Merges the image of input `index` (from 0). False with `error`: a
    // refused overlap naming both writers, a library failure ("NAME:
    // message", the message from `describe`), a second start address.
    bool add(const kestrun_image *image, int index, QString &error,
             QString (*describe)(std::int32_t code));
    // The merged image, with the start address taken.
    ImageHandle take();

private:
    bool takeStart(const kestrun_image *image, int index, QString &error);

    const ImageCalls &m_calls;
    QStringList m_names;
    std::int32_t m_policy;
    ConflictLog &m_log;
    ImageHandle m_merged;
    // The input whose start address the image has (-1: none yet).
    int m_startFrom = -1;
    std::uint32_t m_startType = KESTRUN_START_NONE;
    std::uint32_t m_startValue = 0;
};

#endif
