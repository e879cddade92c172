// Where a command's result goes: standard output for "-", otherwise a file
// that appears only once it is complete. The bytes go to a temporary file
// beside it, renamed over the name at commit(); a target destroyed without
// commit() removes that file, so a failed or cancelled run leaves no
// partial output and keeps any older file of the name as it was.
#ifndef KESTRUN_CLI_OUTPUT_TARGET_H
#define KESTRUN_CLI_OUTPUT_TARGET_H

#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

#include <memory>

class OutputTarget {
public:
    enum class Outcome { Written, Failed, Cancelled };

    explicit OutputTarget(const QString &path);

    bool isStandardOutput() const { return m_path == u"-"; }

    // Each step stops at a cancel request; `error` says why one failed.
    Outcome open(QString &error);
    Outcome write(QByteArrayView bytes, QString &error);
    Outcome commit(QString &error);

private:
    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
};

#endif
