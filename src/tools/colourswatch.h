#pragma once
// The current colour, shown in a small sunken frame; a click on it asks for another.
#include "imagelib/colour.h"

#include <QFrame>

class ColourSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget *parent = nullptr);

    Colour colour() const { return m_colour; }
    void setColour(Colour colour);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    Colour m_colour = 0;
};
