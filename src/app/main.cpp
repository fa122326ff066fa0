#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VellPainter"));
    MainWindow main;
    main.show();
    // The program starts with one document window, the start-up window.
    main.newDocument();
    return app.exec();
}
