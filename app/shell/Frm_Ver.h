// The version window: which program and which library are running, and
// two links to the program's home.
#ifndef PELCOR_FRM_VER_H
#define PELCOR_FRM_VER_H

#include <QCursor>
#include <QDialog>

#include <cstdint>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QUrl;

// The text of the version box: its lines joined by CR LF, with none after
// the last. Without a library version (the library could not be bound) its
// line says so instead of showing a number.
QString versionText(std::optional<std::int32_t> libraryVersion);

class Frm_Ver : public QDialog {
    Q_OBJECT

public:
    static const QString HomePage;
    static const QString MailAddress;

    // Beeps (QApplication::beep, unless appState().openingBeep is set), asks the library for its
    // version and fills the window.
    explicit Frm_Ver(QWidget *parent = nullptr);

    // The m_Help command: a new window, modal over `frame`; returns once it
    // has closed.
    static void showModal(QWidget *frame);

    QPlainTextEdit *Text1() const { return m_Text1; }
    QLabel *Label4() const { return m_Label4; }
    QLabel *Label5() const { return m_Label5; }
    QLabel *Image1() const { return m_Image1; }
    QPushButton *Command1() const { return m_Command1; }
    // "設定ファイル: " and the settings file in use.
    QLabel *settingsFile() const { return m_settingsFile; }

    // Takes both underlines away and gives the window its usual pointer.
    void ResetLinkHover();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void createControls();
    void layOut();
    void hoverLink(QLabel *link, QLabel *other);

    QCursor m_linkPointer;
    QPlainTextEdit *m_Text1;
    QLabel *m_Label4;
    QLabel *m_Label5;
    QLabel *m_Image1;
    QLabel *m_settingsFile;
    QPushButton *m_Command1;
};

#endif
