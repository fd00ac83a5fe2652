#include "AppTestSupport.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace vellum::testing {

namespace {

class ClipboardStoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_store = std::make_unique<TestClipboardStore>(); }
    void TearDown() override { m_store.reset(); }
    std::unique_ptr<TestClipboardStore> m_store;
};

ClipboardStoreEnvironment* const g_environment = static_cast<ClipboardStoreEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new ClipboardStoreEnvironment));

} // namespace

TestClipboardStore& AppClipboardStore()
{
    return *g_environment->m_store;
}

namespace {
constexpr int TickMs = 10;
constexpr int RetryTicks = 20;      // a file dialog still up is answered again every 0.2 s
constexpr int GiveUpTicks = 1000;   // 10 s
} // namespace

MessageAnswers::MessageAnswers(std::vector<Answer> answers) : m_answers(std::move(answers))
{
    m_timer.setInterval(TickMs);
    connect(&m_timer, &QTimer::timeout, this, &MessageAnswers::tick);
    m_timer.start();
}

void MessageAnswers::tick()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
        // A kept dialog shown again later is a new question.
        m_last = nullptr;
        m_ticks = 0;
        return;
    }
    ++m_ticks;
    if (modal == m_last) {
        if (m_ticks >= GiveUpTicks)
            giveUp(modal, "stayed open after its answer");
        else if (m_ticks % RetryTicks == 0 && qobject_cast<QFileDialog*>(modal) != nullptr)
            answer(modal, m_answers[m_next - 1]);
        return;
    }
    if (m_next >= m_answers.size()) {
        if (m_ticks >= GiveUpTicks)
            giveUp(modal, "came up with no answer left");
        return;
    }
    m_last = modal;
    m_ticks = 0;
    answer(modal, m_answers[m_next++]);
}

void MessageAnswers::answer(QWidget* modal, const Answer& answer)
{
    // Each answer runs after this tick returns: an answer may open another dialog, whose loop
    // would never see this timer again while its own tick is still running.
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        texts << box->text();
        if (QAbstractButton* button = box->button(answer.button))
            QTimer::singleShot(0, button, [button] { button->click(); });
        else
            giveUp(modal, "has no such button");
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        const QString fileName = answer.fileName;
        QTimer::singleShot(0, dialog, [dialog, fileName] {
            if (fileName.isEmpty()) {
                dialog->reject();
                return;
            }
            // As typed into its name box, then Save. Typing deselects the listed files only in a
            // focused box, and selectFile leaves a focused box alone: both are done here.
            for (auto* view : dialog->findChildren<QAbstractItemView*>())
                view->clearSelection();
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(fileName);
            else
                dialog->selectFile(fileName);
            static_cast<QDialog*>(dialog)->accept();
        });
    } else {
        giveUp(modal, "is no message box or file dialog");
    }
}

void MessageAnswers::giveUp(QWidget* modal, const char* why)
{
    ADD_FAILURE() << "The dialog \"" << modal->windowTitle().toStdString() << "\" " << why;
    m_ticks = 0;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

} // namespace vellum::testing
