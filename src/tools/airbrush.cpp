#include "tools/airbrush.h"

#include "document/document.h"
#include "tools/randomsource.h"
#include "tools/toolsettings.h"

AirbrushTool::AirbrushTool(Document &document, ToolSettings &settings, RandomSource &random)
    : CanvasTool(document, settings), m_random(random)
{
}

void AirbrushTool::spray(float X, float Y)
{
    PictureModel &canvas = document().canvas();
    canvas.setPenWidth(1);
    for (int dot = 0; dot < DotsPerSpray; ++dot) {
        // The width is read anew for each coordinate, x before y.
        m_sprayX = float(double(m_random.next()) * 20 * settings().penWidth() + (X - 25));
        m_sprayY = float(double(m_random.next()) * 20 * settings().penWidth() + (Y - 10));
        canvas.line(QPointF(m_sprayX - 1, m_sprayY - 1), QPointF(m_sprayX, m_sprayY), settings().colour());
    }
    canvas.setPenWidth(qint16(settings().penWidth()));
}
