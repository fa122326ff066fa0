#pragma once
// A running program for behaviour tests: the real main window with scripted prompts, the
// start-up document, and a temp folder of the test's own.
#include "app/mainwindow.h"
#include "scriptedprompts.h"

#include <QTemporaryDir>
#include <memory>

class DocumentWindow;
class QMdiSubWindow;

struct Program {
    QTemporaryDir folder;
    ScriptedPrompts *prompts = nullptr; // owned by the window
    std::unique_ptr<MainWindow> window;

    // `withStartupDocument` opens the start-up document as the program does.
    explicit Program(bool withStartupDocument = true);
    ~Program();

    DocumentWindow *active() const;
    QString tempPath() const;
    // Closes every document answering No, so the window can go without questions.
    void closeAllWithoutSaving();
};

// Closes every open tool dialog and lets the closed windows go.
void closeToolDialogs();

// Makes the document the active one, as a click on its window would.
void activate(DocumentWindow *document);
// The frame window of a document inside the main window.
QMdiSubWindow *frameOf(DocumentWindow *document);
// Closes the document's window (through its save question) and lets it go.
void closeDocument(DocumentWindow *document);

// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString &path);
// Writes the bytes as the whole file (the test stops if it cannot) and returns the path.
QString writeFile(const QString &path, const QByteArray &bytes);

// What pixelOf gives outside the picture: no colour a pixel can have.
inline constexpr Colour NoPixel = 0xFFFFFFFFu;
inline constexpr Colour Red = 0x000000FF;
inline constexpr Colour Green = 0x0000FF00;
inline constexpr Colour Blue = 0x00FF0000;
inline constexpr Colour White = 0x00FFFFFF;

// Pictures for tests.
QImage uniformPicture(QSize size, Colour colour, QImage::Format format = PictureFormat);
Colour pixelOf(const QImage &picture, int x, int y);
// Every pixel a random colour from `seed`.
QImage noisePicture(QSize size, QImage::Format format = QImage::Format_BGR888, unsigned seed = 7);
// A 24-bit picture whose every pixel byte is random from `seed`.
QImage randomBytesPicture(QSize size, unsigned seed);
// Every pixel different: red counts the columns and green the rows from `first`.
QImage numberedPicture(QSize size, Colour first);
