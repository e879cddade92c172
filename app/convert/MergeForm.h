// The image menu's merge form: the files merged after the document, in the
// order of their list (the document first; the order decides what "first"
// and "last" mean), the overlap rule, and the start address kept, as
// kestrun merge FILE... --overlap RULE --start-address CHOICE takes them.
// A binary file added asks its address and is listed as PATH@ADDR, as
// kestrun names it.
#ifndef PELCOR_MERGE_FORM_H
#define PELCOR_MERGE_FORM_H

#include "base/UserPrompts.h"
#include "core/ImageMerge.h"

#include <QStringList>

#include <optional>

class QWidget;

struct MergeChoices {
    // PATH, or PATH@ADDR for a binary file.
    QStringList files;
    std::int32_t policy = KESTRUN_OVERLAP_REFUSE;
    StartChoice start;
};

namespace MergeForm {

// Asks the form, `files` listed (those of a merge that failed, to try
// again) and the other answers as last given in this run of the program;
// `folder` is where the file dialog starts. An answer that cannot be taken
// (no file, an address that is none) is said and the form asked again.
// Nothing on cancel.
std::optional<MergeChoices> ask(QWidget *owner, const QString &folder, const QStringList &files);

// What the list shows for `path` when the user adds it: the path, or for a
// binary file PATH@ADDR with the address asked for; empty when the question
// was cancelled.
QString listed(QWidget *owner, const QString &path);

} // namespace MergeForm

#endif
