// What the image menu's jobs share: reading the document into an image,
// asking a form with the answers it was last given, and opening a changed
// image as a new document in the document's form.
#ifndef PELCOR_IMAGE_JOB_PARTS_H
#define PELCOR_IMAGE_JOB_PARTS_H

#include "base/UserPrompts.h"
#include "convert/ConversionHost.h"
#include "convert/ImageJobRun.h"
#include "core/ConflictLog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace ImageJobParts {

extern const QString kTitle;
// The byte orders a form offers, little first.
extern const QStringList kEndians;

// Inputs are named by their file names, as kestrun names its arguments
// when it runs beside them.
QString nameOf(const QString &path);
QString withSuffix(const QString &path, const QString &suffix, const QString &extension);
void refuse(ConversionHost &host, const QString &text);
// An address or byte as kestrun's arguments take them: 0x optional.
std::optional<std::uint32_t> hexAddress(const QString &text);
// Reads a document's text; a record error shows the document with the
// line selected once the message is closed, as the conversions do.
ImageHandle loadText(ImageJobRun &run, const HexSource &source, const QByteArray &text,
                     const QString &name, std::uint32_t tag, std::int32_t policy, ConflictLog &log,
                     QString &error);
// Writes `image` as HEX and opens it as the result named after `path`.
bool openHex(ImageJobRun &run, const kestrun_image *image, const QString &path);

// How a changed image of a document is given back: a document of
// S-records as S-records, under its own extension when that is one of
// theirs (so that kestrun convert, which writes what the output's
// extension asks for, gives the same bytes for the same name); any other
// as Intel HEX.
struct ResultForm {
    bool sRecords = false;
    QString extension = QStringLiteral(".hex");
};
ResultForm resultFormOf(const ImageCalls &calls, const HexSource &source, const QByteArray &text);
// Writes `image` in `form` and opens it as the result named `path`.
bool openImage(ImageJobRun &run, const kestrun_image *image, const ResultForm &form,
               const QString &path);
bool failLoading(ImageJobRun &run, const QString &error);
// Asks the form with the answers it was last given in this run of the
// program in place of its first values (a file list starts empty, and a
// choice no longer offered, as a document since closed, gives way to the
// first value), and keeps the new ones.
std::optional<FormAnswers> askRemembered(QWidget *owner, const QString &title,
                                         QList<FormField> fields);

} // namespace ImageJobParts

#endif
