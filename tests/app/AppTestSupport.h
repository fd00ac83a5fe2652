#pragma once

#include <memory>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
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

// Answers the modal boxes and dialogs that come up, in order: a message box with the given
// button; a file dialog with a file name typed and accepted, or Cancel when the name is empty.
// Records the message boxes' texts. A dialog that stays up after its answer is answered again (a
// file dialog may still be reading its folder), and one left up for seconds, or one nobody
// expected, fails the test and is closed: a wrong answer must not hang the suite.
class MessageAnswers : public QObject {
public:
    struct Answer {
        Answer(QMessageBox::StandardButton b) : button(b) {}
        Answer(const char* name) : fileName(QString::fromUtf8(name)) {}
        Answer(const QString& name) : fileName(name) {}
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString fileName;
    };
    explicit MessageAnswers(std::vector<Answer> answers);
    QStringList texts;
    [[nodiscard]] bool allAnswered() const { return m_next == m_answers.size(); }

private:
    void tick();
    void answer(QWidget* modal, const Answer& answer);
    void giveUp(QWidget* modal, const char* why);

    std::vector<Answer> m_answers;
    std::size_t m_next = 0;
    QPointer<QWidget> m_last;
    int m_ticks = 0;
    QTimer m_timer;
};

} // namespace vellum::testing
