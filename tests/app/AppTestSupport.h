#pragma once

#include <memory>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

#include "clipboard/VLClipbrd.h"

namespace vellum::testing {

// The program-wide clipboard store of the application tests, made before any window as the
// program makes it at start-up. A test can make it refuse clipboard writes, as X11 may refuse
// us the ownership.
class TestClipboardStore : public TVLClipboard {
public:
    TestClipboardStore() : TVLClipboard(ClipboardChangedMessage) {}
    bool RefuseWrites = false;

protected:
    bool setClipboardData(std::unique_ptr<QMimeData> data) override
    {
        return RefuseWrites ? false : TVLClipboard::setClipboardData(std::move(data));
    }
};

[[nodiscard]] TestClipboardStore& AppClipboardStore();

// Answers the message boxes that come up, in order, with the given buttons; records their texts.
class MessageAnswers : public QObject {
public:
    explicit MessageAnswers(std::vector<QMessageBox::StandardButton> answers) : m_answers(std::move(answers))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || m_next >= m_answers.size())
                return;
            texts << box->text();
            box->button(m_answers[m_next++])->click();
        });
        m_timer.start();
    }
    QStringList texts;

private:
    std::vector<QMessageBox::StandardButton> m_answers;
    std::size_t m_next = 0;
    QTimer m_timer;
};

} // namespace vellum::testing
