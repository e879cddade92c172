// What a document view tells of each change to its text: textChanged(),
// which the addresses and the map follow, and, while assistive technology
// listens, the text put in and taken out at its UTF-16 offsets.
//
// Scintilla's notices after a change are not asked for: on each, the base
// class counts the characters of all the text before the change to tell
// assistive technology where it was, whether anyone listens or not (a
// third of a second a key in a text of 40 MB). The notices before a change
// cost nothing; the offset of its place is the view's line index plus its
// own line then, and what it puts in is read from the text once it is in,
// at the next notice or when the event that made it is over.
#ifndef PELCOR_CHANGE_NOTICES_H
#define PELCOR_CHANGE_NOTICES_H

#include "core/TextPatch.h"

#include <QObject>
#include <QString>

#include <vector>

class DocumentView;

class ChangeNotices : public QObject {
    Q_OBJECT

public:
    // The Scintilla notices asked for while the text can be edited.
    static int eventMask();

    explicit ChangeNotices(DocumentView *view);

    // Before `splices` are made with the notices off: what they change is
    // told at the next told().
    void splicing(const std::vector<TextPatch::Splice> &splices);
    // Tells the changes made so far, and textChanged() when there were any.
    void told();

private:
    struct Change {
        int offset;
        QString removed;
        QString inserted;
    };
    void before(int position, int type, int length);
    // The text the last insertion put in, read now that it is there.
    void settle();
    void post();

    DocumentView *m_view;
    std::vector<Change> m_changes;
    // The insertion last noticed, not yet read: its place and length.
    long m_insertAt = -1;
    long m_insertLength = 0;
    bool m_posted = false;
    // Something changed since the last told().
    bool m_changed = false;
};

#endif
