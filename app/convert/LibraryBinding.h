// A shared library bound by name at run time, loaded on the first lookup.
// A library that will not load or lacks a name is reported to the user
// with both named; the caller sees a null function and reports failure.
#ifndef PELCOR_LIBRARY_BINDING_H
#define PELCOR_LIBRARY_BINDING_H

#include <QLibrary>
#include <QString>

class LibraryBinding {
public:
    explicit LibraryBinding(const QString &path);

    QString path() const { return m_path; }

    // The address of the export `name`, or null once the user has been
    // told why there is none.
    QFunctionPointer resolve(const char *name);

private:
    void reportFailure(const QString &text);

    QString m_path;
    QLibrary m_library;
};

#endif
