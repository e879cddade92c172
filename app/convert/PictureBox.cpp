#include "convert/PictureBox.h"

#include <QFontMetrics>
#include <QPainter>

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent), m_image(pictureWidth, pictureHeight, QImage::Format_RGB32),
      m_foreColor(fillColor())
{
    setObjectName(QStringLiteral("Pic"));
    setFixedSize(pictureWidth, pictureHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    clear();
}

QColor PictureBox::fillColor()
{
    return QColor(0x80, 0x80, 0xFF);
}

void PictureBox::clear()
{
    m_image.fill(Qt::white);
}

void PictureBox::drawText(QPoint at, const QString &text)
{
    QPainter painter(&m_image);
    painter.setFont(font());
    painter.setPen(m_foreColor);
    painter.drawText(at + QPoint(0, QFontMetrics(font()).ascent()), text);
}

void PictureBox::drawRectangle(QRect area)
{
    if (area.isEmpty())
        return;
    QPainter painter(&m_image);
    painter.fillRect(area, m_foreColor);
    const QRect inside = area.adjusted(1, 1, -1, -1);
    if (inside.isValid())
        painter.fillRect(inside, fillColor());
}

void PictureBox::refresh()
{
    repaint();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter(this).drawImage(0, 0, m_image);
}
