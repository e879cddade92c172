// Whole-file reading and writing and the file dialogs. Every file the
// program opens or saves in full goes through here: the routines report
// their own failures to the user and hand back a plain success flag.
// Loads and saves hold a BusyScope while they run.
#ifndef PELCOR_FILE_ROUTINES_H
#define PELCOR_FILE_ROUTINES_H

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>

class QWidget;

// The frame window owns the dialogs and progress windows of these routines
// and the program's error boxes; until it is set they have no owner.
void setFrameWindow(QWidget *frame);
QWidget *frameWindow();

// The file types offered by both dialogs. Callers pass a filter index
// counted from 1 (one of FileKind); 0 and unknown indexes select the first
// entry.
const QStringList &FileFilter();
enum FileKind : int { HexFiles = 1, SRecordFiles, BinaryFiles, DumpFiles, TextFiles, AllFiles };

// The filter index of the first type whose patterns match `path`'s name,
// 0 (the first entry) when none but all files does.
int FilterIndexFor(const QString &path);

// `text` up to its first NUL, or all of it.
QString TrimAtNul(const QString &text);

// The open dialog for an existing file; empty on cancel. An empty title
// keeps the dialog's own.
QString ChooseOpenFile(QWidget *owner, int filterIndex, const QString &title = QString());

// The save dialog starting from `path`, asking before a file is replaced.
// On confirmation `path` receives the chosen name and the result is true;
// on cancel `path` stays as it was.
bool ChooseSaveFile(QWidget *owner, QString &path, int filterIndex,
                    const QString &title = QString());

// Reads the whole file as code page 932 text; `length` receives its size
// in bytes and `bytes`, when given, the bytes as read. False, with the user
// told and the outputs untouched, when the file is missing or cannot be
// read.
bool LoadTextFile(const QString &path, QString &text, std::int32_t &length,
                  QByteArray *bytes = nullptr);

// As LoadTextFile, but hands back the file's bytes undecoded.
bool LoadTextBytes(const QString &path, QByteArray &bytes);

// As LoadTextFile, but `bytes` receives the file's bytes and one more byte
// of 0 after them; `length` is the file's size without it.
bool LoadBinaryFile(const QString &path, QByteArray &bytes, std::int32_t &length);

// Writes `bytes` to `path`, asking for the name first (starting from
// `path`, which receives the name written) when `ask` is true. False when
// the dialog was cancelled, or, with the user told and any old file left
// as it was, when the file could not be written.
bool SaveBinaryFile(QByteArrayView bytes, QString &path, bool ask);

// The writing half of every save: `bytes` go to `path` behind the "saving"
// progress window; a failure is reported to the user naming the file.
bool saveFileWithProgress(const QString &path, QByteArrayView bytes);

// Writes `bytes` to `path` the way SafeFileWriter does: a regular file is
// replaced only once everything is written (or, with several names,
// rewritten in place from a backup), a device or FIFO is written in place,
// and on any failure the old file stays whole. `error` (optional) receives
// the reason of a failure.
bool writeFileAtomically(const QString &path, QByteArrayView bytes, QString *error = nullptr);

#endif
