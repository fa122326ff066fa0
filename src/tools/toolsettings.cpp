#include "tools/toolsettings.h"

#include <algorithm>

void ToolSettings::setTool(ToolKind tool)
{
    if (tool == m_tool)
        return;
    m_tool = tool;
    emit toolChanged(tool);
}

void ToolSettings::setFreehand(bool freehand)
{
    if (freehand == m_freehand)
        return;
    m_freehand = freehand;
    emit modesChanged();
}

void ToolSettings::setFromCentre(bool fromCentre)
{
    if (fromCentre == m_fromCentre)
        return;
    m_fromCentre = fromCentre;
    emit modesChanged();
}

void ToolSettings::setColour(Colour colour)
{
    if (colour == m_colour)
        return;
    m_colour = colour;
    emit colourChanged(colour);
}

void ToolSettings::setPenWidth(int width)
{
    width = std::clamp(width, 1, m_penWidthLimit);
    if (width == m_penWidth)
        return;
    m_penWidth = width;
    emit penWidthChanged(width);
}

void ToolSettings::setPenWidthLimit(int limit)
{
    limit = std::clamp(limit, 1, MaximumPenWidth);
    if (limit == m_penWidthLimit)
        return;
    // The width comes down before the limit does, so that it never lies beyond it.
    if (m_penWidth > limit)
        setPenWidth(limit);
    m_penWidthLimit = limit;
    emit penWidthLimitChanged(limit);
}
