#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "raster/VellumError.h"

class QObject;

namespace vellum {

class EVLUndoActionError : public VellumException {
public:
    using VellumException::VellumException;
};

// One step of a document's undo history. The parent is the document window the action puts
// back; it is not owned.
class TVLBaseUndoAction {
public:
    // Raises EVLUndoActionError "Parent Object is invalid" without a parent.
    explicit TVLBaseUndoAction(QObject* parent);
    virtual ~TVLBaseUndoAction();

    TVLBaseUndoAction(const TVLBaseUndoAction&) = delete;
    TVLBaseUndoAction& operator=(const TVLBaseUndoAction&) = delete;

    virtual void Undo() = 0;
    // The step that takes this one's Undo back, made from the state Undo is about to replace;
    // called just before Undo. None when the step cannot be redone.
    [[nodiscard]] virtual std::unique_ptr<TVLBaseUndoAction> MakeRedo() { return nullptr; }

    [[nodiscard]] QObject* Parent() const { return m_parent; }

private:
    QObject* m_parent;
};

// The undo stack of one document window: at most MaxActions actions, newest at index 0, and
// the steps undone since the last recorded one, to redo (newest undone first). It owns both.
class TVLUndoActionFactory {
public:
    static constexpr int MaxActions = 5;

    explicit TVLUndoActionFactory(QObject* window) : m_window(window) {}
    ~TVLUndoActionFactory() { Clear(); }

    TVLUndoActionFactory(const TVLUndoActionFactory&) = delete;
    TVLUndoActionFactory& operator=(const TVLUndoActionFactory&) = delete;

    // Constructs an Action(window, args...) and makes it the newest, dropping the oldest beyond
    // MaxActions. When the construction raises, nothing changes and the error propagates.
    template <typename Action, typename... Args>
    Action& AddAction(Args&&... args)
    {
        return Push(MakeAction<Action>(std::forward<Args>(args)...));
    }

    // An action for this stack's window that is not recorded yet: it is filled first and then
    // pushed, so that a failure while filling it records nothing.
    template <typename Action, typename... Args>
    [[nodiscard]] std::unique_ptr<Action> MakeAction(Args&&... args) const
    {
        return std::make_unique<Action>(m_window, std::forward<Args>(args)...);
    }

    // Makes the action (one of MakeAction's) the newest, dropping the oldest beyond MaxActions.
    // A new step empties the redo list (within an edit, for good only when the edit succeeds).
    template <typename Action>
    Action& Push(std::unique_ptr<Action> action)
    {
        Action& added = *action;
        m_actions.insert(m_actions.begin(), std::move(action));
        if (m_editDepth > 0) {
            ++m_addedInEdit;
            if (!m_redo.empty())
                m_redoAside = std::move(m_redo);
        }
        m_redo.clear();
        while (Count() > MaxActions) {
            if (m_editDepth > 0)
                m_pushedOut.push_back(std::move(m_actions.back()));
            m_actions.pop_back();
        }
        return added;
    }

    // Frees the action at the index; an index outside 0 to Count - 1 is ignored.
    void DeleteAction(int index);
    [[nodiscard]] int Count() const { return static_cast<int>(m_actions.size()); }
    [[nodiscard]] TVLBaseUndoAction& Action(int index) const { return *m_actions.at(static_cast<std::size_t>(index)); }
    void Clear();

    // Undoes the newest action, under the busy cursor; its redo step becomes the newest to
    // redo. False when there is none. An action that raises stays on the stack, the redo list
    // as it was, and the error propagates. When its redo step cannot be made (memory), the undo
    // runs as without redo and the redo list empties.
    bool Undo();
    // Redoes the newest undone step, whose own undo step returns to the history. False when
    // there is none. When that undo step cannot be made or the redo raises, nothing changes
    // and the error propagates.
    bool Redo();
    [[nodiscard]] int RedoCount() const { return static_cast<int>(m_redo.size()); }
    [[nodiscard]] TVLBaseUndoAction& RedoAction(int index) const { return *m_redo.at(static_cast<std::size_t>(index)); }

    // Brackets one edit (see TVLUndoEdit). EndEdit of the outermost edit keeps what it
    // recorded, or, when the edit failed, takes its actions back and returns the ones they
    // pushed out; true when the stack changed back.
    void BeginEdit() { ++m_editDepth; }
    bool EndEdit(bool failed);

private:
    QObject* m_window;
    std::vector<std::unique_ptr<TVLBaseUndoAction>> m_actions;
    int m_editDepth = 0;
    int m_addedInEdit = 0;
    // The oldest actions the current edit pushed out, in the order they left.
    std::vector<std::unique_ptr<TVLBaseUndoAction>> m_pushedOut;
    std::vector<std::unique_ptr<TVLBaseUndoAction>> m_redo;
    // The redo list the current edit's first step emptied, back when the edit fails.
    std::vector<std::unique_ptr<TVLBaseUndoAction>> m_redoAside;
};

// One edit that records undo actions: when the edit is left by an exception (or discarded),
// the actions it recorded are taken back and those they pushed out of the history return, so
// that a failed edit leaves no step that does nothing. onRevoked runs after such a take-back.
class TVLUndoEdit {
public:
    explicit TVLUndoEdit(TVLUndoActionFactory& stack, std::function<void()> onRevoked = {});
    ~TVLUndoEdit();
    TVLUndoEdit(const TVLUndoEdit&) = delete;
    TVLUndoEdit& operator=(const TVLUndoEdit&) = delete;

    // The edit changed nothing after all: its actions are taken back at its end, as for a
    // failure.
    void Discard() { m_discarded = true; }

private:
    TVLUndoActionFactory& m_stack;
    std::function<void()> m_onRevoked;
    int m_uncaught;
    bool m_discarded = false;
};

} // namespace vellum
