#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QObject>
#include <QPointer>

namespace vellum {

// Watches the system clipboard and reports every change of its contents through OnChange
// while enabled.
class TCustomClipboardWatcher : public QObject {
    Q_OBJECT
public:
    using TChangeEvent = std::function<void(TCustomClipboardWatcher* sender)>;

    TCustomClipboardWatcher();

    [[nodiscard]] bool Enabled() const { return m_enabled; }

protected:
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    void SetOnChange(TChangeEvent onChange) { m_onChange = std::move(onChange); }

private:
    void clipboardChanged();

    TChangeEvent m_onChange;
    bool m_enabled = true;
};

// The watcher whose Enabled and OnChange its user sets.
class TClipBoardWatcher : public TCustomClipboardWatcher {
    Q_OBJECT
public:
    using TCustomClipboardWatcher::SetEnabled;
    using TCustomClipboardWatcher::SetOnChange;
};

// Sends an event of type NotifyMessage, synchronously and in registration order, to every
// registered receiver whenever the clipboard changes. A receiver may be registered more than
// once; one destroyed without unregistering is skipped.
class TClipboardChangeNotifier : public QObject {
    Q_OBJECT
public:
    explicit TClipboardChangeNotifier(int notifyMessage);
    ~TClipboardChangeNotifier() override;

    void AddWindow(QObject* receiver);
    // Removes the first registration of the receiver, if any.
    void RemoveWindow(QObject* receiver);

    virtual void Notify();

    [[nodiscard]] bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled);

    [[nodiscard]] int NotifyMessage() const { return m_notifyMessage; }
    [[nodiscard]] TClipBoardWatcher& Watcher() { return *m_watcher; }

private:
    std::unique_ptr<TClipBoardWatcher> m_watcher;
    QList<QPointer<QObject>> m_notifyWindows;
    int m_notifyMessage;
    bool m_enabled = false;
};

} // namespace vellum
