// What the window tests set up around each test: settings kept in a
// temporary folder of their own, a shown frame that owns the program's
// dialogs, and, after the test, the frame closed without a question (every
// document's changes forgotten) and gone with all its documents. A test
// class derives from it:
//
//     class MyTest : public QObject, protected FrameFixture {
//         Q_OBJECT
//     private slots:
//         void init() { openFrame(); }
//         void cleanup() { closeFrame(); }
//         void converts() { Form1 *doc = openText(":00000001FF\r\n", "rom.hex"); ... }
//     };
#ifndef PELCOR_FRAME_FIXTURE_H
#define PELCOR_FRAME_FIXTURE_H

#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class Form1;
class FrmMDI;

class FrameFixture {
protected:
    // A new frame on settings read from the folder, shown at `size` (its
    // own size when empty).
    void openFrame(QSize size = QSize());
    // Closes whatever frame is left (a test may have closed it, or made
    // another) and waits until it and every document are gone.
    void closeFrame();

    // A file in the temporary folder.
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // `text` as a new unsaved document named after `name` in the folder, as
    // a conversion's result or a new file shows.
    Form1 *openText(const QString &text, const QString &name);
    // The document windows' captions, oldest first.
    QStringList captions() const;
    // The newest document, its text (with its own line ends) and caption.
    Form1 *newestDocument() const;
    QString newestText() const;
    QString newestCaption() const;

    QTemporaryDir m_dir;
    QPointer<FrmMDI> m_frame;
};

#endif
