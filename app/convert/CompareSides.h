// The two sides of a comparison as its form offers them: each any open
// document (the active one first) or a file chosen in an open dialog, the
// first side the active document and the second the next document (a file
// when there is none) unless the user chooses otherwise.
//
//     CompareSides sides(host, documents, names);   // the active document first
//     answers = askForm(..., {sides.field(0), sides.field(1), ...});
//     if (!sides.choose(answers->at(0).value(0), answers->at(1).value(0))) return false;
//     read sides.source(0).text(), sides.source(1).text() ...
#ifndef PELCOR_COMPARE_SIDES_H
#define PELCOR_COMPARE_SIDES_H

#include "base/UserPrompts.h"
#include "convert/ConversionHost.h"

class CompareSides {
public:
    // `documents` (the active one first) named in the form by `names`.
    CompareSides(ConversionHost &host, const QList<HexSource> &documents, const QStringList &names);

    // The form's choice for side `side` (0 or 1).
    FormField field(int side) const;
    // Takes the sides chosen in the form, asking for each file chosen;
    // false when an open dialog was cancelled or its file not read (the
    // user told why).
    bool choose(const QString &first, const QString &second);
    // Side `side` as chosen: a document, or a file's bytes under its path
    // (neither shown at a line nor marked).
    const HexSource &source(int side) const { return m_chosen[side]; }

    // The choice that asks for a file.
    static QString fileChoice();

private:
    ConversionHost &m_host;
    QList<HexSource> m_documents;
    QStringList m_choices;
    HexSource m_chosen[2];
};

#endif
