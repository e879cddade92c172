// The tooltip over a wrong checksum in a document's record text: the
// checksum written and the one its record calls for, in the words of the
// library's message that a read of the text gives.
#ifndef PELCOR_CHECKSUM_TIPS_H
#define PELCOR_CHECKSUM_TIPS_H

#include <QObject>
#include <QString>

class DocumentView;

class ChecksumTips : public QObject {
    Q_OBJECT

public:
    // Shows the tips over `view`, whose child it becomes.
    explicit ChecksumTips(DocumentView *view);

    // The tip for the byte at `position` of the text; empty off a wrong
    // checksum.
    QString tipAt(long position) const;

private:
    void show(int position, int x, int y);

    DocumentView *m_view;
};

#endif
