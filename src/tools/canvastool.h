#pragma once
// A palette tool as it acts on one document's canvas: at the press, and at every move while a
// button is held. Positions are the mouse's in picture pixels, as the design's single-precision
// X and Y; a tool keeps what it needs between the two (its stroke state) and reads the settings
// afresh at every event. The release commits, whatever the tool (StrokeFrame).
class Document;
class ToolSettings;

class CanvasTool {
public:
    CanvasTool(Document &document, ToolSettings &settings) : m_document(document), m_settings(settings) {}
    virtual ~CanvasTool() = default;
    CanvasTool(const CanvasTool &) = delete;
    CanvasTool &operator=(const CanvasTool &) = delete;

    virtual void press(float X, float Y) = 0;
    virtual void drag(float, float) {}

protected:
    Document &document() const { return m_document; }
    ToolSettings &settings() const { return m_settings; }

private:
    Document &m_document;
    ToolSettings &m_settings;
};
