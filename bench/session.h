#pragma once
// The program as the benchmark runs it: the real main window with prompts that answer
// nothing, and one document holding a committed picture of the size measured.
#include "bench.h"

#include "app/mainwindow.h"
#include "document/prompts.h"

#include <QTemporaryDir>
#include <memory>

class Document;
class DocumentWindow;
class StrokeFrame;

namespace vpbench {

class SilentPrompts : public Prompts {
public:
    PromptAnswer askYesNoCancel(QWidget *, const QString &, const QString &) override { return PromptAnswer::No; }
    PromptAnswer askYesNo(QWidget *, const QString &, const QString &) override { return PromptAnswer::No; }
    void message(QWidget *, const QString &, const QString &, MessageIcon) override {}
    std::optional<QString> openFile(QWidget *, const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> saveFile(QWidget *, const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<Colour> chooseColour(QWidget *, Colour, const QString &) override { return std::nullopt; }
};

// Prompts whose file dialog always chooses one file: Open opens it.
class OpeningPrompts : public SilentPrompts {
public:
    explicit OpeningPrompts(QString path) : m_path(std::move(path)) {}
    std::optional<QString> openFile(QWidget *, const QString &, const QString &, const QString &) override
    {
        return m_path;
    }

private:
    QString m_path;
};

// What the document's history holds when a case starts.
enum class StartingHistory {
    // The budget full of whole pictures, as after a long session of commands that changed all of
    // the picture: it lets go of a state for each one it records, so that a case's runs show what
    // a command costs from then on (a history still growing takes fresh memory for every state).
    Full,
    // A few one-pixel edits: the budget has room, and the state a step goes to keeps its picture
    // beside its tiles (a full budget lets that picture go first: a step then rebuilds the state,
    // one copy of the picture).
    WithRoom,
};

struct Session {
    // The states of the picture the history keeps at most.
    static constexpr int HistoryStates = 4;

    QTemporaryDir folder;
    std::unique_ptr<MainWindow> main;
    DocumentWindow *window = nullptr;
    Document *doc = nullptr;
    // The document's mouse frame: a case presses, moves and releases through it.
    StrokeFrame *strokes = nullptr;

    // A null `picture` means the benchmark's test picture of `size`.
    explicit Session(const Size &size, QImage picture = {}, std::unique_ptr<Prompts> prompts = nullptr,
                     StartingHistory history = StartingHistory::Full);
    ~Session();
};

} // namespace vpbench
