#pragma once
// The undo history: one state of a canvas (UndoElement), a document's two lists of states, and
// the one memory budget (HistoryBudget) that the histories of all open documents join.
//
// The current state keeps its whole picture, shared with the canvas (QImage implicit sharing).
// Every other state keeps only the tiles where it differs from its neighbour nearer the current
// state, unless that change covered much of the picture (flip, rotate, smooth, adjust) or the
// size or pixel format changed (Size, Canvas Size, Open, New): then it keeps its whole picture.
// States point towards the current one, so the oldest state and the farthest undone one can
// always be dropped without touching any other. Undo and Redo exchange the tiles between the
// two states they step between, so every state comes back bit for bit.
#include "document/drawnarea.h"
#include "imagelib/picturepatch.h"

#include <QImage>
#include <QList>
#include <memory>

struct UndoElement {
    // The state's whole picture: always for the current state and for states kept whole. A state
    // kept as `changes` may also hold it while it is the one next to the current state (just
    // left by a commit, Undo or Redo), so that one step either way need not rebuild a picture.
    QImage picture;
    // The tiles where the state differs from its neighbour nearer the current state (the next
    // entry of its list; for the last entry of redoList, the current state), holding this
    // state's pixels. Empty for the current state and for states kept whole.
    PicturePatch changes;
    // When the state was recorded, counted across all documents: the budget drops the lowest first.
    quint64 recorded = 0;
};

using UndoElementList = QList<std::shared_ptr<UndoElement>>;

// The state to show after a step through the history: its whole picture and, unless `anywhere`,
// the rectangles outside which it has the pixels of the picture shown before (cache key `from`).
struct HistoryStep {
    QImage picture;
    qint64 from = 0;
    QList<QRect> changed;
    bool anywhere = true;
};

class HistoryBudget;

class DocumentHistory {
public:
    explicit DocumentHistory(HistoryBudget &budget);
    ~DocumentHistory();
    DocumentHistory(const DocumentHistory &) = delete;
    DocumentHistory &operator=(const DocumentHistory &) = delete;

    // The states up to and including the one the canvas shows (the last), oldest first.
    UndoElementList undoList;
    // The states undone, the most recently undone last.
    UndoElementList redoList;

    // Appends the picture as the newest state, unless it has the same pixels as the current one;
    // a new state empties redoList, then all documents' histories are brought within the budget.
    // `change` lets the comparison look only where the picture can differ. True when a state
    // was appended.
    bool recordPicture(const QImage &picture, const PictureChange &change = {});
    // Moves the current state to the end of redoList and returns the state now current; and
    // back again. Nothing moves, and the step's picture is null, when there is no state to go
    // to or no memory to rebuild its picture.
    HistoryStep stepBack();
    HistoryStep stepForward();
    void discardHistory();

private:
    HistoryBudget &m_budget;
};

// The memory the histories of all open documents share; when a new state takes them over it, the
// oldest states go first, of whichever document, and never a document's current state. The main
// window owns it; every document's history joins it.
class HistoryBudget {
public:
    HistoryBudget() = default;
    HistoryBudget(const HistoryBudget &) = delete;
    HistoryBudget &operator=(const HistoryBudget &) = delete;

    // 1.5 GiB, two states of the largest picture (16384 x 16384), or a quarter of the physical
    // memory when that is less.
    static qint64 defaultBytes();
    qint64 bytes() const;
    // A budget of 0 or less restores the default.
    void setBytes(qint64 budget);
    // What the states of all documents' lists take: their tiles, and their whole pictures with
    // each shared picture counted once.
    qint64 held() const;

private:
    friend class DocumentHistory;
    void keepWithin();
    UndoElementList *oldestDroppable() const;

    QList<DocumentHistory *> m_histories;
    quint64 m_nextRecorded = 1;
    qint64 m_bytes = 0; // 0: the default
};
