// A document window: one text in the frame, edited in place, with a flag
// that says whether it changed since it was loaded or saved.
#ifndef PELCOR_FORM1_H
#define PELCOR_FORM1_H

#include <QByteArray>
#include <QMdiSubWindow>
#include <QString>

#include <optional>

class QPlainTextEdit;

class Form1 : public QMdiSubWindow {
    Q_OBJECT

public:
    // Marks a caption whose next Save must ask for a file name.
    static const QString UnsavedMarker;

    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // The number of document windows that exist.
    static int DocumentCount();

    QPlainTextEdit *Txt() const { return m_txt; }

    // Sets the whole text. The window keeps the line end the text uses
    // (CR LF, LF or CR; CR LF when it has none) and gives it back with
    // documentText(), so that an unedited text comes back as it came.
    // `fileBytes`, when the text was read from a file, are the bytes it was
    // decoded from: until the first edit they are the document's bytes, and
    // are kept in place of the text.
    void setDocumentText(const QString &text,
                         std::optional<QByteArray> fileBytes = std::nullopt);
    QString documentText() const;
    // documentText() as the file's code page 932 bytes, which is what saves
    // and conversions take.
    QByteArray documentBytes() const;
    QString lineEnd() const { return m_lineEnd; }

    bool Modified() const { return m_modified; }

    // Makes this the active window and selects its line `line` (from 1),
    // scrolled into view; a line past the last puts the cursor at the end.
    void selectLine(int line);

    // Asks the save question when the text changed and saves on Yes.
    // Returns whether the window may close; a window that may close is not
    // asked again when it then closes.
    bool queryClose();
    // Forgets an approval when the close it was for did not happen.
    void withdrawCloseApproval() { m_closeApproved = false; }

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void applyDisplayFont();

    QPlainTextEdit *m_txt;
    QString m_lineEnd = QStringLiteral("\r\n");
    QString m_givenText;
    std::optional<QByteArray> m_givenBytes;
    bool m_unedited = false;
    bool m_modified = false;
    bool m_closeApproved = false;
};

// The caption without UnsavedMarker.
QString DocumentPath(const Form1 *window);
bool HasUnsavedMarker(const QString &caption);

// The two notifications a document window understands, delivered as key
// events with a negative key code: key-up resets Modified, key-down applies
// the display font. Real keys never have negative codes.
void ClearModified(Form1 *window);
void ApplyDisplayFont(QWidget *root);

// Writes the window's text to its file, asking for the name when the caption
// carries UnsavedMarker or `saveAs` is set. Returns false, with the window
// unchanged, when the user cancels or the file cannot be written.
bool SaveDocument(Form1 *window, bool saveAs);

#endif
