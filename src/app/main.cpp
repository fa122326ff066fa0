#include "app/mainwindow.h"

#include <QApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VellPainter"));
    MainWindow main;
    main.show();
    // The program starts with one document window, the start-up window.
    main.newDocument();
    const int status = app.exec();
    // The temp file holds the last picture handed to it before the program ends.
    main.tempFile().finishWriting();
#if defined(__SANITIZE_ADDRESS__)
    // Under the sanitizers everything is taken down, so that the leak check sees all of it.
    return status;
#else
    // Nothing else is kept anywhere: the end of the process frees the pictures and closes the
    // display connection at once, rather than the destructors one by one (and Qt waiting for its
    // helper threads), which kept the window's owner waiting over a second on large pictures.
    std::fflush(nullptr);
    ::_exit(status);
#endif
}
