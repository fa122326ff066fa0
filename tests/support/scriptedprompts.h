#pragma once
// Prompts that answer from a script and record what was asked, so no test ever waits on a dialog.
#include "document/prompts.h"

#include <QStringList>
#include <deque>
#include <optional>

class ScriptedPrompts : public Prompts {
public:
    struct Asked {
        QString kind; // "question" (Yes, No, Cancel), "confirm" (Yes, No), "message", "open", "save", "colour"
        QString text;
        QString title;
        QString filter;
        MessageIcon icon = MessageIcon::None;
        QString fileName; // where a file dialog started
    };

    std::deque<PromptAnswer> answers;              // for questions in turn; Cancel (or No) when empty
    std::deque<std::optional<QString>> files;      // for open and save; cancelled when empty
    std::deque<std::optional<Colour>> colours;     // for the colour dialog; cancelled when empty
    std::vector<Asked> asked;

    int count(const QString &kind) const;
    const Asked *last(const QString &kind) const;

    PromptAnswer askYesNoCancel(QWidget *parent, const QString &text, const QString &title) override;
    PromptAnswer askYesNo(QWidget *parent, const QString &text, const QString &title) override;
    void message(QWidget *parent, const QString &text, const QString &title, MessageIcon icon) override;
    std::optional<QString> openFile(QWidget *parent, const QString &title, const QString &filter,
                                    const QString &fileName) override;
    std::optional<QString> saveFile(QWidget *parent, const QString &title, const QString &filter,
                                    const QString &fileName) override;
    std::optional<Colour> chooseColour(QWidget *parent, Colour initial, const QString &title) override;
};
