#pragma once

#include <QDialog>

#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// What a settings box makes of one typed character: the character it takes
// (perhaps changed), or nothing when it refuses it.
using KeyFilter = std::optional<QChar> (*)(QChar typed);

// The hexadecimal boxes: the character in upper case if it is then a digit,
// A to F, the full stop or backspace.
std::optional<QChar> hexKeyFilter(QChar typed);

// `text` as a box guarded by `filter` takes it when it arrives in one piece
// (pasted). Control characters are dropped too, backspace included: only a
// key may erase. `refused` tells whether anything was dropped.
QString filterText(const QString &text, KeyFilter filter, bool *refused);

// Puts `filter` in front of every way text reaches `box`: typed keys,
// Ctrl+V, the context menu's Paste and the middle button. A refused
// character sounds the beep; drops and input methods are turned off.
void guardBox(QLineEdit *box, KeyFilter filter);

// The sound of a refused character: QApplication::beep unless a test
// counts beeps instead.
extern void (*refusalBeep)();

// The dump settings dialog: edits the eight DumpSettings fields in memory.
// Modeless and owned by the frame; it reads the settings when it is created
// and writes them only when confirmed.
class Frm_Set : public QDialog {
    Q_OBJECT

public:
    explicit Frm_Set(QWidget *owner);

    // The m_Setting command: opens the dialog over `frame`, or brings the
    // one already open forward with the fields as the user left them.
    static Frm_Set *showFor(QWidget *frame);

    QCheckBox *chkAdr() const { return m_chkAdr; }
    QCheckBox *chkCheckSum() const { return m_chkCheckSum; }
    QLineEdit *txtAdr(int index) const { return m_txtAdr.at(index); }
    QRadioButton *opt(int index) const { return m_opt.at(index); }
    QLineEdit *txtBlk() const { return m_txtBlk; }
    QLineEdit *txtLen() const { return m_txtLen; }
    QLineEdit *txtScp() const { return m_txtScp; }
    QPushButton *cmdOk() const { return m_cmdOk; }
    QPushButton *cmdCancel() const { return m_cmdCancel; }

private:
    void createControls();
    QGroupBox *layOutGroup();
    void layOutDialog(QGroupBox *group);
    void orderTabs();
    void showSettings();
    void confirm();

    QCheckBox *m_chkAdr;
    QCheckBox *m_chkCheckSum;
    std::array<QLineEdit *, 2> m_txtAdr{};
    std::array<QRadioButton *, 3> m_opt{};
    QLineEdit *m_txtBlk;
    QLineEdit *m_txtLen;
    QLineEdit *m_txtScp;
    QLabel *m_Label8;
    QPushButton *m_cmdOk;
    QPushButton *m_cmdCancel;
};
