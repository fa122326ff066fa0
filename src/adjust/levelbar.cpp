#include "adjust/levelbar.h"

#include "imagelib/units.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// The bar is drawn in a frame this wide, whatever the widget's width.
constexpr int BarFrame = 200;

} // namespace

LevelBar::LevelBar(Colour barColour, Colour restColour, QWidget *parent)
    : QWidget(parent), m_bar(barColour), m_rest(restColour)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LevelBar::setLevel(float X)
{
    m_level = X;
    update();
}

void LevelBar::paintEvent(QPaintEvent *)
{
    // The columns left of the level, rounded to the nearest pixel, take the bar's colour.
    const int split = qBound(0, roundEven(qBound(-1.0e6f, m_level, 1.0e6f)), BarFrame);
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, split, height()), toQColor(m_bar));
    painter.fillRect(QRect(split, 0, width() - split, height()), toQColor(m_rest));
}

void LevelBar::mousePressEvent(QMouseEvent *)
{
    emit pressed();
}

void LevelBar::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(float(event->position().x()));
}

void LevelBar::mouseReleaseEvent(QMouseEvent *)
{
    emit released();
}
