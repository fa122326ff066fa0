#include "app/mainwindow.h"
#include "document/tempfile.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VellPainter"));
    int status = 0;
    {
        MainWindow main;
        main.show();
        // The program starts with one document window, the start-up window.
        main.newDocument();
        status = app.exec();
    }
    // The temp file holds the last picture handed to it before the program ends.
    TempFile::finishWriting();
    return status;
}
