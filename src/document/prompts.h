#pragma once
// Every modal exchange with the user goes through Prompts: the real program shows Qt dialogs,
// tests answer from a script. Nothing else in the program opens a modal dialog.
#include "imagelib/colour.h"

#include <QString>
#include <optional>

class QWidget;

enum class PromptAnswer { Yes, No, Cancel, Ok };
enum class MessageIcon { None, Information, Warning, Critical };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A question with Yes, No and Cancel and no icon.
    virtual PromptAnswer askYesNoCancel(QWidget *parent, const QString &text, const QString &title) = 0;
    // A question with Yes and No, No being the default: whatever cannot be undone waits for a Yes.
    virtual PromptAnswer askYesNo(QWidget *parent, const QString &text, const QString &title) = 0;
    // A message with an OK button only.
    virtual void message(QWidget *parent, const QString &text, const QString &title, MessageIcon icon) = 0;
    // File dialogs, starting at `fileName`; `filter` is in Qt's form "Description (*.a *.b);;...",
    // its first entry chosen. nullopt = cancelled.
    virtual std::optional<QString> openFile(QWidget *parent, const QString &title, const QString &filter,
                                            const QString &fileName) = 0;
    virtual std::optional<QString> saveFile(QWidget *parent, const QString &title, const QString &filter,
                                            const QString &fileName) = 0;
    // An empty title leaves the colour dialog's own.
    virtual std::optional<Colour> chooseColour(QWidget *parent, Colour initial, const QString &title) = 0;
};
