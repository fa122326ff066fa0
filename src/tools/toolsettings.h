#pragma once
// What the canvas tools read at every mouse event: the tool chosen, the pencil's and the circle's
// modes, the current colour and the pen width (the Size slider). The palette edits it and it
// announces every change; nothing else keeps a copy.
#include "imagelib/colour.h"

#include <QObject>

enum class ToolKind { Pencil, Picker, Airbrush, Circle, Stamp, Fill };

class ToolSettings : public QObject {
    Q_OBJECT
public:
    static constexpr int MaximumPenWidth = 300;

    using QObject::QObject;

    ToolKind tool() const { return m_tool; }
    void setTool(ToolKind tool);
    // The pencil draws freehand, or straight lines.
    bool freehand() const { return m_freehand; }
    void setFreehand(bool freehand);
    // The circle grows from its centre, or from the top-left corner of its square.
    bool fromCentre() const { return m_fromCentre; }
    void setFromCentre(bool fromCentre);

    Colour colour() const { return m_colour; }
    void setColour(Colour colour);
    // The colour the colour dialog starts from, and gives back when it is cancelled: the last one
    // it or the colour picker chose (black until then). A new document's black swatch leaves it.
    Colour dialogColour() const { return m_dialogColour; }
    void setDialogColour(Colour colour) { m_dialogColour = colour; }

    // From 1 to penWidthLimit(); a smaller limit brings a larger width down to it first.
    int penWidth() const { return m_penWidth; }
    void setPenWidth(int width);
    int penWidthLimit() const { return m_penWidthLimit; }
    void setPenWidthLimit(int limit);

signals:
    void toolChanged(ToolKind tool);
    void modesChanged();
    void colourChanged(Colour colour);
    void penWidthChanged(int width);
    void penWidthLimitChanged(int limit);

private:
    ToolKind m_tool = ToolKind::Pencil;
    bool m_freehand = true;
    bool m_fromCentre = true;
    Colour m_colour = 0;
    Colour m_dialogColour = 0;
    int m_penWidth = 1;
    int m_penWidthLimit = MaximumPenWidth;
};
