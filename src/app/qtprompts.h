#pragma once
#include "document/prompts.h"

// Prompts shown with Qt's own dialogs.
class QtPrompts : public Prompts {
public:
    PromptAnswer askYesNoCancel(QWidget *parent, const QString &text, const QString &title) override;
    PromptAnswer askYesNo(QWidget *parent, const QString &text, const QString &title) override;
    void message(QWidget *parent, const QString &text, const QString &title, MessageIcon icon) override;
    std::optional<QString> openFile(QWidget *parent, const QString &title, const QString &filter,
                                    const QString &fileName) override;
    std::optional<QString> saveFile(QWidget *parent, const QString &title, const QString &filter,
                                    const QString &fileName) override;
    std::optional<Colour> chooseColour(QWidget *parent, Colour initial, const QString &title) override;
};
