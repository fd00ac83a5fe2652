#include "document/VLChildClasses.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>

namespace vellum {

TBasicVLChild::TBasicVLChild(TChildKind kind, QWidget* parent)
    : QMdiSubWindow(parent)
    , m_kind(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

void TBasicVLChild::setPanel(int panel, const QString& text) const
{
    if (m_statusBar != nullptr)
        m_statusBar->SetPanelText(panel, text);
}

void TBasicVLChild::DoProgressBegin(int steps)
{
    if (OnProgressBegin)
        OnProgressBegin(this, steps);
}

void TBasicVLChild::DoProgressStep()
{
    if (OnProgressStep)
        OnProgressStep(this);
}

void TBasicVLChild::DoProgressEnd()
{
    if (OnProgressEnd)
        OnProgressEnd(this);
}

void TBasicVLChild::BeginWait()
{
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TBasicVLChild::EndWait()
{
    QApplication::restoreOverrideCursor();
}

void TBasicVLChild::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    if (OnQueryClose)
        OnQueryClose(this, canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

TExtraBtnForm::TExtraBtnForm(TChildKind kind, QWidget* parent)
    : TBasicVLChild(kind, parent)
{
    m_extraBtn = new QAction(this);
    QMenu* menu = systemMenu();
    if (menu != nullptr) {
        const QList<QAction*> actions = menu->actions();
        menu->insertAction(actions.isEmpty() ? nullptr : actions.first(), m_extraBtn);
        if (!actions.isEmpty())
            menu->insertSeparator(actions.first());
    }
    connect(m_extraBtn, &QAction::hovered, this, [this] { DoExtraBtnEnter(); });
    connect(m_extraBtn, &QAction::triggered, this, [this] { DoExtraBtnClick(); });
}

void TExtraBtnForm::SetShowExtraBtn(bool show)
{
    m_showExtraBtn = show;
    m_extraBtn->setVisible(show);
}

void TExtraBtnForm::SetExtraBtnHintStr(const QString& hint)
{
    m_hint = hint;
    m_extraBtn->setText(hint);
    m_extraBtn->setStatusTip(hint);
}

void TExtraBtnForm::DoExtraBtnClick()
{
    if (OnExtraBtnClick)
        OnExtraBtnClick(this);
}

void TExtraBtnForm::DoExtraBtnEnter()
{
    setPanel(0, m_hint);
    if (OnExtraBtnEnter)
        OnExtraBtnEnter(this);
}

} // namespace vellum
