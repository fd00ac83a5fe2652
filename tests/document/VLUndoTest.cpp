#include "document/VLUndo.h"

#include <QGuiApplication>
#include <QObject>

#include <gtest/gtest.h>

namespace vellum {
namespace {

// Records its number in the log when undone; fails when told to.
class LoggingAction : public TVLBaseUndoAction {
public:
    LoggingAction(QObject* parent, int number, std::vector<int>& log, bool fails = false)
        : TVLBaseUndoAction(parent), m_number(number), m_log(log), m_fails(fails)
    {
    }
    void Undo() override
    {
        if (m_fails)
            throw EVLUndoActionError(QStringLiteral("cannot undo"));
        m_log.push_back(m_number);
    }

private:
    int m_number;
    std::vector<int>& m_log;
    bool m_fails;
};

// Undone and redone by logging: its redo step logs the negative number, and that one's undo step
// the number again.
class RedoableAction : public LoggingAction {
public:
    RedoableAction(QObject* parent, int number, std::vector<int>& log, bool fails = false)
        : LoggingAction(parent, number, log, fails), m_number(number), m_log(log)
    {
    }
    std::unique_ptr<TVLBaseUndoAction> MakeRedo() override
    {
        return std::make_unique<RedoableAction>(Parent(), -m_number, m_log);
    }

private:
    int m_number;
    std::vector<int>& m_log;
};

class RefusingAction : public TVLBaseUndoAction {
public:
    explicit RefusingAction(QObject* parent) : TVLBaseUndoAction(parent)
    {
        throw EVLUndoActionError(QStringLiteral("no memory for the copy"));
    }
    void Undo() override {}
};

TEST(VLUndo, KeepsTheFiveNewestAndUndoesNewestFirst)
{
    QObject window;
    TVLUndoActionFactory stack(&window);
    std::vector<int> log;
    for (int i = 1; i <= 6; ++i)
        stack.AddAction<LoggingAction>(i, log);
    EXPECT_EQ(stack.Count(), 5);
    EXPECT_EQ(stack.Action(0).Parent(), &window);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(stack.Undo());
    EXPECT_FALSE(stack.Undo());
    EXPECT_EQ(log, (std::vector<int>{6, 5, 4, 3, 2}));
}

TEST(VLUndo, DeleteActionIgnoresIndexesOutOfRange)
{
    QObject window;
    TVLUndoActionFactory stack(&window);
    std::vector<int> log;
    stack.AddAction<LoggingAction>(1, log);
    stack.AddAction<LoggingAction>(2, log);
    stack.DeleteAction(-1);
    stack.DeleteAction(2);
    EXPECT_EQ(stack.Count(), 2);
    stack.DeleteAction(0);
    ASSERT_TRUE(stack.Undo());
    EXPECT_EQ(log, std::vector<int>{1});
}

TEST(VLUndo, AFailingConstructionOrUndoLeavesTheStackAsItWas)
{
    QObject window;
    TVLUndoActionFactory stack(&window);
    std::vector<int> log;
    stack.AddAction<LoggingAction>(1, log);
    EXPECT_THROW(stack.AddAction<RefusingAction>(), EVLUndoActionError);
    EXPECT_EQ(stack.Count(), 1);

    stack.AddAction<LoggingAction>(2, log, true);
    EXPECT_THROW(stack.Undo(), EVLUndoActionError);
    EXPECT_EQ(stack.Count(), 2); // the failing action stays on top
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr); // the busy cursor went away
}

TEST(VLUndo, AnEditThatFailsTakesBackWhatItRecordedAndWhatThatPushedOut)
{
    struct Case {
        const char* what;
        int before;
        int recorded;
        bool fails;
        std::vector<int> undone;
        bool discards = false; // the edit ends normally but changed nothing after all
    };
    // Actions 1..before exist; the edit records 10, 11, ...
    const std::vector<Case> cases{
        {"full history, one record, fails", 5, 1, true, {5, 4, 3, 2, 1}},
        {"full history, two records, fails", 5, 2, true, {5, 4, 3, 2, 1}},
        {"empty history, fails", 0, 1, true, {}},
        {"full history, succeeds", 5, 1, false, {10, 5, 4, 3, 2}},
        {"one step, fails", 1, 1, true, {1}},
        {"full history, discarded", 5, 1, false, {5, 4, 3, 2, 1}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QObject window;
        TVLUndoActionFactory stack(&window);
        std::vector<int> log;
        for (int i = 1; i <= c.before; ++i)
            stack.AddAction<LoggingAction>(i, log);
        int revoked = 0;
        try {
            TVLUndoEdit edit(stack, [&] { ++revoked; });
            for (int i = 0; i < c.recorded; ++i)
                stack.AddAction<LoggingAction>(10 + i, log);
            if (c.discards)
                edit.Discard();
            if (c.fails)
                throw EVLUndoActionError(QStringLiteral("out of memory"));
        } catch (const EVLUndoActionError&) {
        }
        EXPECT_EQ(revoked, c.fails || c.discards ? 1 : 0);
        while (stack.Undo()) {
        }
        EXPECT_EQ(log, c.undone);
    }
}

TEST(VLUndo, RedoRunsTheUndoneStepsBackUntilANewStepAndAFailedUndoKeepsThem)
{
    QObject window;
    TVLUndoActionFactory stack(&window);
    std::vector<int> log;
    stack.AddAction<RedoableAction>(1, log, true);
    stack.AddAction<RedoableAction>(2, log);
    stack.AddAction<RedoableAction>(3, log);
    EXPECT_FALSE(stack.Redo());
    EXPECT_TRUE(stack.Undo());
    EXPECT_TRUE(stack.Undo());
    EXPECT_THROW(stack.Undo(), EVLUndoActionError);
    EXPECT_EQ(stack.Count(), 1);
    EXPECT_EQ(stack.RedoCount(), 2);
    EXPECT_TRUE(stack.Redo());
    EXPECT_TRUE(stack.Undo());
    EXPECT_TRUE(stack.Redo());
    EXPECT_TRUE(stack.Redo());
    EXPECT_FALSE(stack.Redo());
    EXPECT_EQ(log, (std::vector<int>{3, 2, -2, 2, -2, -3}));
    EXPECT_EQ(stack.Count(), 3);

    EXPECT_TRUE(stack.Undo());
    stack.AddAction<RedoableAction>(4, log);
    EXPECT_EQ(stack.RedoCount(), 0);
    EXPECT_FALSE(stack.Redo());

    // Steps that cannot be redone leave nothing to redo.
    stack.AddAction<LoggingAction>(5, log);
    EXPECT_TRUE(stack.Undo());
    EXPECT_EQ(stack.RedoCount(), 0);
}

TEST(VLUndo, AnActionNeedsAParent)
{
    std::vector<int> log;
    try {
        LoggingAction orphan(nullptr, 1, log);
        FAIL() << "no exception";
    } catch (const EVLUndoActionError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Parent Object is invalid"));
    }
    TVLUndoActionFactory orphanStack(nullptr);
    EXPECT_THROW(orphanStack.AddAction<LoggingAction>(1, log), EVLUndoActionError);
    EXPECT_EQ(orphanStack.Count(), 0);
}

} // namespace
} // namespace vellum
