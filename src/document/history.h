#pragma once
// The undo history: one state of a canvas (UndoElement), a document's two lists of states, and
// the one memory budget that the histories of all open documents share.
//
// States share their pictures with the canvas (QImage implicit sharing); a state costs memory
// only once the canvas has been drawn on since.
#include <QImage>
#include <QList>
#include <memory>

struct UndoElement {
    QImage picture;
    // When the state was recorded, counted across all documents: the budget drops the lowest first.
    quint64 recorded = 0;
};

using UndoElementList = QList<std::shared_ptr<UndoElement>>;

class DocumentHistory {
public:
    DocumentHistory();
    virtual ~DocumentHistory();
    DocumentHistory(const DocumentHistory &) = delete;
    DocumentHistory &operator=(const DocumentHistory &) = delete;

    // The states up to and including the one the canvas shows (the last), oldest first.
    UndoElementList undoList;
    // The states undone, the most recently undone last.
    UndoElementList redoList;

    // Appends the picture as the newest state, unless it has the same pixels as the current one;
    // a new state empties redoList, then all documents' histories are brought within the budget.
    // True when a state was appended.
    bool recordPicture(const QImage &picture);
    void discardHistory();
};

namespace HistoryBudget {

// 1.5 GiB, two states of the largest picture (16384 x 16384), or a quarter of the physical
// memory when that is less.
qint64 defaultBytes();
qint64 bytes();
// A budget of 0 or less restores the default.
void setBytes(qint64 budget);
// What the pictures of all documents' lists take, each shared picture counted once.
qint64 held();

} // namespace HistoryBudget
