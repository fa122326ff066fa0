#pragma once
// The mouse frame every canvas shares: a press on the picture starts a stroke with the chosen
// tool, each move with a button held continues it, the release commits the canvas through the
// temp file, whatever the tool. Every mouse button acts as the left one. One frame a document,
// holding that document's tools and their stroke state.
#include "tools/canvastool.h"
#include "tools/toolsettings.h"

#include <QObject>
#include <QPointF>

#include <array>
#include <memory>

class CanvasView;
class RandomSource;

class StrokeFrame : public QObject {
    Q_OBJECT
public:
    // Follows the view's mouse on the picture for as long as the frame lives.
    StrokeFrame(Document &document, CanvasView &view, ToolSettings &settings, RandomSource &random,
                QObject *parent = nullptr);
    ~StrokeFrame() override;

    // A button went down on the canvas and the stroke has not ended yet.
    bool drawing() const { return m_drawing; }

    // The mouse at a point of the view's picture area, in screen pixels.
    void press(QPointF areaPosition);
    void move(QPointF areaPosition);
    void release(QPointF areaPosition);

private:
    CanvasTool &currentTool() const;
    CanvasPoint pointAt(QPointF areaPosition) const;

    Document &m_document;
    CanvasView &m_view;
    ToolSettings &m_settings;
    std::array<std::unique_ptr<CanvasTool>, 6> m_tools; // in the order of ToolKind
    bool m_drawing = false;
};
