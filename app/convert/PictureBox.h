// The progress window's picture area. Everything is drawn into an image
// that outlives paint events, so the bar and the status text survive being
// covered and repaint without the drawing code running again.
#ifndef PELCOR_PICTURE_BOX_H
#define PELCOR_PICTURE_BOX_H

#include <QColor>
#include <QImage>
#include <QWidget>

class PictureBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int pictureWidth = 185;
    static constexpr int pictureHeight = 25;

    explicit PictureBox(QWidget *parent = nullptr);

    // Colour of text and outlines; the fill colour of rectangles is fixed.
    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor &color) { m_foreColor = color; }
    static QColor fillColor();

    // Fills the whole image with the white background.
    void clear();
    // `at` is the top left corner of the text, which is drawn in the
    // widget's font over whatever lies beneath it.
    void drawText(QPoint at, const QString &text);
    // Outline in the fore colour, inside in the fill colour. Like a GDI
    // rectangle it leaves out the right and bottom edge of `area`.
    void drawRectangle(QRect area);
    // Puts the image on the screen now, not at the next paint event.
    void refresh();

    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    QColor m_foreColor;
};

#endif
