#include "document/prompts.h"

bool CommonDialog::showOpen(Prompts &prompts, QWidget *parent)
{
    const auto chosen = prompts.openFile(parent, title, filter, fileName);
    if (chosen)
        fileName = *chosen;
    return chosen.has_value();
}

bool CommonDialog::showSave(Prompts &prompts, QWidget *parent)
{
    const auto chosen = prompts.saveFile(parent, title, filter, fileName);
    if (chosen)
        fileName = *chosen;
    return chosen.has_value();
}

bool CommonDialog::showColour(Prompts &prompts, QWidget *parent)
{
    const auto chosen = prompts.chooseColour(parent, colour, title);
    if (chosen)
        colour = *chosen;
    return chosen.has_value();
}
