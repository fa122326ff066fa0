#pragma once
// A running program for behaviour tests: the real main window with scripted prompts, the
// start-up document, and a temp folder of the test's own that holds the temp file.
#include "app/mainwindow.h"
#include "document/canvasview.h"
#include "document/document.h"
#include "document/documentwindow.h"
#include "scriptedprompts.h"

#include <QTemporaryDir>
#include <memory>

class QMdiSubWindow;

struct Program {
    QTemporaryDir folder;
    ScriptedPrompts *prompts = nullptr; // owned by the window
    std::unique_ptr<MainWindow> window;

    // `withStartupDocument` opens the start-up document as the program does. The temp file is
    // kept in the test's folder, or in `tempFolder` with its fallback when given.
    explicit Program(bool withStartupDocument = true, const QString &tempFolder = {}, const QString &fallback = {});
    ~Program();

    // The document the user works in, and its window.
    Document *active() const;
    DocumentWindow *activeWindow() const;
    // A new document window, as the program makes one, and its document.
    Document *newDocument() const;
    // The open documents, in the order their windows were made.
    QList<Document *> documents() const;
    TempFile &tempFile() const { return window->tempFile(); }
    QString tempPath() const;
    HistoryBudget &historyBudget() const { return window->historyBudget(); }
    // Closes every document answering No, so the window can go without questions.
    void closeAllWithoutSaving();
};

// Closes every open tool dialog and lets the closed windows go.
void closeToolDialogs();
// A dialog of the program keeps the user from the main window and its documents.
bool documentsBlocked(const Program &program);

// The window that shows a document, and its view.
DocumentWindow *windowOf(Document *document);
CanvasView &viewOf(Document *document);
// Where the mouse acts on the document's picture: the view's picture area (its widget
// positions are picture pixels plus the 2-pixel border at 100 %).
QWidget *canvasArea(Document *document);
// Makes the document the active one, as a click on its window would.
void activate(Document *document);
// The frame window of a document inside the main window.
QMdiSubWindow *frameOf(Document *document);
// Closes the document's window (through its save question) and lets it go.
void closeDocument(Document *document);
// The inside of the document's frame window: where the view is.
QSize windowContentSize(Document *document);

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

// What a whole 24-bit BMP write of the picture gives, byte for byte.
QByteArray bmpOf(const QImage &picture);

// Pictures for tests.
QImage uniformPicture(QSize size, Colour colour, QImage::Format format = PictureFormat);
Colour pixelOf(const QImage &picture, int x, int y);
// Every pixel a random colour from `seed`.
QImage noisePicture(QSize size, QImage::Format format = QImage::Format_BGR888, unsigned seed = 7);
// A 24-bit picture whose every pixel byte is random from `seed`.
QImage randomBytesPicture(QSize size, unsigned seed);
// Every pixel different: red counts the columns and green the rows from `first`.
QImage numberedPicture(QSize size, Colour first);
