#pragma once
// The view's part of the status bar and its keys: the picture pixel the chosen tool acts on, the
// picture's size in pixels and the zoom box, all following the document the user works in; and
// the zoom keys, which need no menu: Ctrl++ and Ctrl+- step, Ctrl+0 fits, Ctrl+1 is 100 %.
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class DocumentWindow;
class MainWindow;
class QAction;
class QComboBox;
class QLabel;

class ViewStatus : public QObject {
    Q_OBJECT
public:
    explicit ViewStatus(MainWindow &main);

    // Shows the view of this document's window (nullptr: none is open, everything blank).
    void follow(DocumentWindow *window);

    QLabel *pointerPosition = nullptr;
    QLabel *pictureSize = nullptr;
    QComboBox *zoomBox = nullptr;
    QAction *zoomInAction = nullptr, *zoomOutAction = nullptr, *fitAction = nullptr, *actualSizeAction = nullptr;

private:
    void showPointer(QPointF areaPosition);
    void showZoom(double zoom);
    void showPictureSize();
    void applyTypedZoom();

    MainWindow &m_main;
    QPointer<DocumentWindow> m_window;
    QList<QMetaObject::Connection> m_connections;
};
