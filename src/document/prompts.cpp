#include "document/prompts.h"

bool CommonDialog::ShowOpen(Prompts &prompts, QWidget *parent)
{
    const auto chosen = prompts.openFile(parent, DialogTitle, Filter, FileName);
    if (chosen)
        FileName = *chosen;
    return chosen.has_value();
}

bool CommonDialog::ShowSave(Prompts &prompts, QWidget *parent)
{
    const auto chosen = prompts.saveFile(parent, DialogTitle, Filter, FileName);
    if (chosen)
        FileName = *chosen;
    return chosen.has_value();
}

bool CommonDialog::ShowColor(Prompts &prompts, QWidget *parent)
{
    const auto chosen = prompts.chooseColour(parent, Color);
    if (chosen)
        Color = *chosen;
    return chosen.has_value();
}
