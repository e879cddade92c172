// The small progress window: a picture area for a bar or a status text and
// a cancel button. The conversions share one instance (progress.h); the
// file routines make private ones for their status texts.
#ifndef PELCOR_FORM2_H
#define PELCOR_FORM2_H

#include <QDialog>

#include <cstdint>

class PictureBox;
class QLabel;
class QPushButton;

class Form2 : public QDialog {
    Q_OBJECT
public:
    explicit Form2(QWidget *owner = nullptr);

    PictureBox *Pic() const { return m_pic; }
    QPushButton *Cmd() const { return m_cmd; }
    // The share done, as "NN%" beside Cmd; empty while there is none.
    QLabel *percent() const { return m_percent; }
    void showPercent(int percent);

    // Shows the window modeless; with an owner it stays above it.
    void showOwnedBy(QWidget *owner);
    void clearPicture();
    // Draws a status text in black; the bar colour comes back with
    // restoreColour().
    void drawStatus(const QString &text, QPoint at);
    void restoreColour();
    void refreshPicture();
    // Disables Cmd once cancelling can no longer stop anything.
    void lock();
    // What the library passes back to the progress callback to say where
    // to draw.
    std::intptr_t deviceContext() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void requestCancel();

    PictureBox *m_pic;
    QPushButton *m_cmd;
    QLabel *m_percent;
};

#endif
