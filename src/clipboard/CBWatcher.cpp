#include "clipboard/CBWatcher.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

namespace vellum {

TCustomClipboardWatcher::TCustomClipboardWatcher()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &TCustomClipboardWatcher::clipboardChanged);
}

void TCustomClipboardWatcher::clipboardChanged()
{
    if (m_enabled && m_onChange)
        m_onChange(this);
}

TClipboardChangeNotifier::TClipboardChangeNotifier(int notifyMessage)
    : m_watcher(std::make_unique<TClipBoardWatcher>())
    , m_notifyMessage(notifyMessage)
{
    m_watcher->SetOnChange([this](TCustomClipboardWatcher*) { Notify(); });
    SetEnabled(true);
}

TClipboardChangeNotifier::~TClipboardChangeNotifier() = default;

void TClipboardChangeNotifier::AddWindow(QObject* receiver)
{
    m_notifyWindows.append(receiver);
}

void TClipboardChangeNotifier::RemoveWindow(QObject* receiver)
{
    for (qsizetype i = 0; i < m_notifyWindows.size(); ++i) {
        if (m_notifyWindows.at(i) == receiver) {
            m_notifyWindows.removeAt(i);
            return;
        }
    }
}

void TClipboardChangeNotifier::Notify()
{
    // A copy: a receiver may register or unregister while it is being notified.
    const QList<QPointer<QObject>> receivers = m_notifyWindows;
    for (const QPointer<QObject>& receiver : receivers) {
        if (receiver.isNull())
            continue;
        QEvent event(static_cast<QEvent::Type>(m_notifyMessage));
        QCoreApplication::sendEvent(receiver.data(), &event);
    }
}

void TClipboardChangeNotifier::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    m_watcher->SetEnabled(enabled);
}

} // namespace vellum
