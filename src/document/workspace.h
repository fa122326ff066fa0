#pragma once
// What a document window needs of the main window that holds it: the things the main window owns
// and hands to every document (the prompts, the temp file, the history budget) and the one
// command a closing document runs, Save As.
class Document;
class HistoryBudget;
class Prompts;
class QWidget;
class TempFile;

class Workspace {
public:
    virtual ~Workspace() = default;

    virtual Prompts &prompts() = 0;
    virtual TempFile &tempFile() = 0;
    virtual HistoryBudget &historyBudget() = 0;
    // The window messages and questions are shown over.
    virtual QWidget *mainWindow() = 0;
    // The Save As command on the given document; true when the picture was written.
    virtual bool saveAs(Document &document) = 0;
};
