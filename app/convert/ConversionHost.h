// What a conversion needs of the window that started it: an owner for its
// dialogs, the files it reads and writes, and a place for its result. The
// frame implements it; the conversions know nothing else of the windows.
#ifndef PELCOR_CONVERSION_HOST_H
#define PELCOR_CONVERSION_HOST_H

#include "core/MarkedRange.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

// A HEX document as a conversion reads it.
struct HexSource {
    // Its bytes, asked for once the progress window shows.
    std::function<QByteArray()> text;
    // Its file name, for the names of the results.
    QString path;
    // Shows the document with its line `line` (from 1) selected.
    std::function<void(int line)> showLine;
    // Marks `ranges` in the document (a comparison's differences).
    std::function<void(std::vector<MarkedRange> ranges)> mark;
};

class ConversionHost {
public:
    virtual ~ConversionHost() = default;

    // The owner of the conversion's windows and message boxes.
    virtual QWidget *dialogOwner() = 0;

    // Asks for a binary file in an open dialog titled `title` (empty: the
    // dialog's own) and reads it whole into `data`, naming it in `path`;
    // false, with the user told of a failed read, when there is none.
    virtual bool chooseBinarySource(QString &path, QByteArray &data, const QString &title) = 0;

    // Writes `bytes` to a file chosen in a save dialog that starts from
    // `path`; false on cancel or, with the user told, on failure.
    virtual bool saveBinaryResult(QByteArrayView bytes, QString &path) = 0;

    // Opens `head` followed by `body` as a new unsaved document named after
    // `path`, running `between` after each piece it places; false, with no
    // window left, as soon as `between` returns false. `body` outlives the
    // call.
    virtual bool openResult(const QByteArray &head, QByteArrayView body, const QString &path,
                            const std::function<bool()> &between) = 0;

    // Every open document but the active one (a job's source), in the
    // order of the Window menu.
    virtual QList<HexSource> otherDocuments() = 0;

    // Tells the user, without asking anything, what a job did (the value
    // of an inserted CRC); by default nobody is told.
    virtual void showNote(const QString &text) { Q_UNUSED(text); }
};

#endif
