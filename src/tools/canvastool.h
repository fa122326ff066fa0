#pragma once
// A palette tool as it acts on one document's canvas: at the press, and at every move while a
// button is held. A tool keeps what it needs between the two (its stroke state) and reads the
// settings afresh at every event. The release commits, whatever the tool (StrokeFrame).
#include <QPointF>

class Document;
class ToolSettings;

// Where the mouse is on the picture, in picture pixels: under the pointer's hot spot, as the
// single-precision X and Y the drawing rules compute with, and under the pencil's tip, which its
// pointer shows 8 screen pixels below the hot spot (at 100 %, 8 picture pixels below).
struct CanvasPoint {
    float X = 0;
    float Y = 0;
    QPointF tip;
};

class CanvasTool {
public:
    CanvasTool(Document &document, ToolSettings &settings) : m_document(document), m_settings(settings) {}
    virtual ~CanvasTool() = default;
    CanvasTool(const CanvasTool &) = delete;
    CanvasTool &operator=(const CanvasTool &) = delete;

    virtual void press(const CanvasPoint &at) = 0;
    virtual void drag(const CanvasPoint &) {}

protected:
    Document &document() const { return m_document; }
    ToolSettings &settings() const { return m_settings; }

private:
    Document &m_document;
    ToolSettings &m_settings;
};
