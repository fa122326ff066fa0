#pragma once
// One slider of the adjustment dialogs: a bar drawn in its own colour from the left edge up to
// the level X (pixels) and in a rest colour from there on, and the mouse on it. X is wherever the
// pointer is, beyond the bar's ends too while a button is held.
#include "imagelib/colour.h"

#include <QWidget>

class LevelBar : public QWidget {
    Q_OBJECT
public:
    LevelBar(Colour barColour, Colour restColour, QWidget *parent = nullptr);

    float level() const { return m_level; }
    // The bar is drawn up to X: a negative X leaves it all in the rest colour, an X at or beyond
    // the right edge fills it with the bar colour.
    void setLevel(float X);

signals:
    void pressed();
    void moved(float X);
    void released();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    Colour m_bar;
    Colour m_rest;
    float m_level = 0;
};
