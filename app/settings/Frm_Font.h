#pragma once

#include <QDialog>

#include <array>
#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

// The size box: digits, the full stop and backspace, taken as typed.
std::optional<QChar> sizeKeyFilter(QChar typed);

// The point size a confirmed size box stands for: 1 when the box is empty,
// otherwise the number rounded to a whole one, a half going to the even
// neighbour (10.5 gives 10, 11.5 gives 12). Nothing when the text is no
// usable size (no digit, more than one full stop, 0, above
// DisplayFont::LargestSize); the previous size then stays.
std::optional<qint16> fontSizeFromText(const QString &text);

// The display font dialog: chooses the face and size of every document
// window's text. Modeless and owned by the frame; confirming re-applies the
// font in every open document window before the dialog closes.
class Frm_Font : public QDialog {
    Q_OBJECT

public:
    explicit Frm_Font(QWidget *owner);

    // The m_Font command: opens the dialog over `frame`, or brings the one
    // already open forward.
    static Frm_Font *showFor(QWidget *frame);

    QComboBox *cmFont() const { return m_cmFont; }
    QLineEdit *txtSize() const { return m_txtSize; }
    QPushButton *cmb(int index) const { return m_cmb.at(index); }

private:
    void createControls();
    void layOut();
    void showSettings();
    void confirm();

    QComboBox *m_cmFont;
    QLineEdit *m_txtSize;
    std::array<QPushButton *, 2> m_cmb{};
};
