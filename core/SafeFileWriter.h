// Writing a whole output so that nothing is ever damaged, for Pelcor's
// saves and kestrun's outputs alike:
//
// - "-" is standard output, written as a stream;
// - a new file, or an existing regular file with one name, is written to a
//   temporary file beside it and renamed over it only once complete; the
//   old file's mode, and (where allowed, as for root) its owner and group,
//   carry over;
// - a regular file with more than one name (hard links) is copied to a
//   backup beside it and then rewritten in place, so that every name sees
//   the new bytes; a failure writes the old bytes back from the backup;
// - an existing device, FIFO or socket is opened and written in place,
//   never replaced (a FIFO with no reader is an error unless a cancel
//   check is set, see setCancelCheck());
// - symbolic links are followed: the file they name is written, or
//   created when it does not exist yet;
//
// By default the new bytes reach the disk (fdatasync) before the rename
// makes them the file, so that a crash or power loss leaves the old file
// or the new one, never an empty one: what Pelcor's saves want. A writer
// with setSync(false) leaves that to the system, as objcopy and srec_cat
// do, and is still atomic for every program that reads the file meanwhile.
//
// A writer destroyed without a successful commit() discards what it wrote
// and leaves the old file as it was (a stream or a device cannot take back
// what it was given). Every failure carries the system's own reason.
//
//     SafeFileWriter out(path);
//     if (!out.open() || !out.write(bytes) || !out.commit())
//         report(out.errorString());
#ifndef PELCOR_SAFE_FILE_WRITER_H
#define PELCOR_SAFE_FILE_WRITER_H

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

#include <sys/types.h>

class SafeFileWriter {
public:
    // How the output is written, decided by open().
    enum class Kind { None, Stream, Replace, LinkedInPlace, InPlace };

    // `path` as LocalPath encodes it; "-" is standard output.
    explicit SafeFileWriter(const QString &path);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    bool open();
    bool write(QByteArrayView bytes);
    // Writes `length` bytes of the file `fd` from `offset`, copied by the
    // system (copy_file_range) where it can, as cp and cat copy a file.
    bool copyFrom(int fd, std::uint64_t offset, std::uint64_t length);
    bool commit();
    // Drops what was written; the old file stays (or is written back).
    void discard();
    // Drops what was written so far and writes again from the start: only a
    // replacement, which nobody sees before commit(), can (false otherwise).
    bool startOver();
    bool canStartOver() const { return m_kind == Kind::Replace; }
    // Bytes at `offset` of a replacement, beside those write() appends in
    // order: another thread may place them meanwhile, at addresses the
    // bytes in order never reach. Only a replacement can (canStartOver());
    // false with `error` saying why, the writer itself left as it was.
    bool writeAt(std::uint64_t offset, QByteArrayView bytes, QString &error) const;
    // Room on the disk for a replacement of `size` bytes, taken before they
    // come (its size stays as written): the file system then takes them
    // faster. A hint only; any other output, or a system that cannot, goes
    // on without it.
    void reserve(std::uint64_t size) const;

    // Before open(): whether commit() waits for the disk (default true).
    void setSync(bool sync) { m_sync = sync; }

    Kind kind() const { return m_kind; }
    QString errorString() const { return m_error; }

    // open(), write() and commit() in one; `error` receives the reason.
    static bool writeWhole(const QString &path, QByteArrayView bytes, QString *error = nullptr);

    // Run first thing in main(): descriptors 0, 1 and 2 that are closed
    // get /dev/null, so that no file the program opens later takes their
    // number and receives what was meant for a standard stream; writing
    // to "-" then fails, since standard output was closed. A file size
    // limit becomes a write error (EFBIG) instead of killing the process
    // with a half-written temporary file.
    static void protectProcess();
    // A write that a signal interrupts gives up (EINTR) when `cancelled`
    // says so; without it, or while it says no, the write goes on. Once
    // set, opening a FIFO also waits for its reader.
    static void setCancelCheck(bool (*cancelled)());
    // True when protectProcess() found standard input (0) or output (1)
    // closed.
    static bool standardStreamWasClosed(int fd);

private:
    bool fail(int error);
    bool failWith(const QString &reason);
    bool failBeside(int error);
    bool openReplacement(const QByteArray &target, const struct stat *old);
    bool openLinked(const QByteArray &target);
    bool openSpecial(const QByteArray &target, mode_t mode);
    bool restoreFromBackup();
    void closeFile();

    QString m_path;
    Kind m_kind = Kind::None;
    int m_fd = -1;
    QByteArray m_target;
    QByteArray m_temporary;
    std::uint64_t m_written = 0; // bytes written into the replacement
    QString m_error;
    bool m_sync = true;
};

#endif
