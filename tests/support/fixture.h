#pragma once
// A running program for behaviour tests: the real main window with scripted prompts, the
// start-up document, and a temp folder of the test's own.
#include "app/mdiform1.h"
#include "scriptedprompts.h"

#include <QTemporaryDir>
#include <memory>

class Form1;

struct Program {
    QTemporaryDir folder;
    ScriptedPrompts *prompts = nullptr; // owned by the window
    std::unique_ptr<MDIForm1> window;

    // `withStartupDocument` opens the start-up document as the program does.
    explicit Program(bool withStartupDocument = true);
    ~Program();

    Form1 *active() const;
    QString tempPath() const;
    // Closes every document answering No, so the window can go without questions.
    void closeAllWithoutSaving();
};

// Closes every open tool dialog and lets the closed windows go.
void closeToolDialogs();

// Pictures for tests.
QImage uniformPicture(QSize size, Colour colour);
Colour pixelOf(const QImage &picture, int x, int y);
// Every pixel a random colour from `seed`.
QImage noisePicture(QSize size, QImage::Format format = QImage::Format_BGR888, unsigned seed = 7);
