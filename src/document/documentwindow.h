#pragma once
// The window of one document: it shows the document's canvas in a CanvasView, carries the
// document's caption, and asks whether to save the picture whenever it is closed (the program
// keeps no record of unsaved changes).
#include <QWidget>

class CanvasView;
class Document;
class Workspace;

class DocumentWindow : public QWidget {
    Q_OBJECT
public:
    explicit DocumentWindow(Workspace &workspace, QWidget *parent = nullptr);
    ~DocumentWindow() override;

    Document &document() const { return *m_document; }
    CanvasView &view() const { return *m_view; }

signals:
    // The canvas took a new outer size: the window around it may need to grow.
    void canvasResized();
    // The close was confirmed: the document is closed and the window goes.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    Workspace &m_workspace;
    Document *m_document = nullptr;
    CanvasView *m_view = nullptr;
};
