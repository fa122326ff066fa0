#include "scriptedprompts.h"

int ScriptedPrompts::count(const QString &kind) const
{
    int n = 0;
    for (const Asked &a : asked)
        n += a.kind == kind;
    return n;
}

const ScriptedPrompts::Asked *ScriptedPrompts::last(const QString &kind) const
{
    for (auto it = asked.rbegin(); it != asked.rend(); ++it)
        if (it->kind == kind)
            return &*it;
    return nullptr;
}

PromptAnswer ScriptedPrompts::askYesNoCancel(QWidget *, const QString &text, const QString &title)
{
    asked.push_back({QStringLiteral("question"), text, title, {}, MessageIcon::None});
    if (answers.empty())
        return PromptAnswer::Cancel;
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

PromptAnswer ScriptedPrompts::askYesNo(QWidget *, const QString &text, const QString &title)
{
    asked.push_back({QStringLiteral("confirm"), text, title, {}, MessageIcon::None});
    if (answers.empty())
        return PromptAnswer::No;
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer == PromptAnswer::Yes ? PromptAnswer::Yes : PromptAnswer::No;
}

void ScriptedPrompts::message(QWidget *, const QString &text, const QString &title, MessageIcon icon)
{
    asked.push_back({QStringLiteral("message"), text, title, {}, icon});
}

static std::optional<QString> nextFile(std::deque<std::optional<QString>> &files)
{
    if (files.empty())
        return std::nullopt;
    auto file = files.front();
    files.pop_front();
    return file;
}

std::optional<QString> ScriptedPrompts::openFile(QWidget *, const QString &title, const QString &filter,
                                                 const QString &fileName)
{
    asked.push_back({QStringLiteral("open"), {}, title, filter, MessageIcon::None, fileName});
    return nextFile(files);
}

std::optional<QString> ScriptedPrompts::saveFile(QWidget *, const QString &title, const QString &filter,
                                                 const QString &fileName)
{
    asked.push_back({QStringLiteral("save"), {}, title, filter, MessageIcon::None, fileName});
    return nextFile(files);
}

std::optional<Colour> ScriptedPrompts::chooseColour(QWidget *, Colour, const QString &title)
{
    asked.push_back({QStringLiteral("colour"), {}, title, {}, MessageIcon::None});
    if (colours.empty())
        return std::nullopt;
    auto colour = colours.front();
    colours.pop_front();
    return colour;
}
