#pragma once

#include <QMainWindow>
#include <QSize>

class QAction;
class QMdiArea;

namespace vellum {

// The program's one main window: a frame whose client area holds the document windows.
// Its restored rectangle and maximised state are kept in the settings under "Vellum\Main".
class TVellumMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr QSize DesignedSize{647, 529};

    explicit TVellumMain(QWidget* parent = nullptr);
    ~TVellumMain() override;

    [[nodiscard]] QMdiArea* ClientArea() const { return m_clientArea; }
    [[nodiscard]] QAction* ActFileExit() const { return m_actFileExit; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createCommands();
    // Reads the placement from the settings and applies it (before the first show).
    void loadPlacement();
    void saveSettings() const;
    // Asks every document window, front-most first; false when one refused.
    bool closeDocuments();

    QMdiArea* m_clientArea = nullptr;
    QAction* m_actFileExit = nullptr;
};

} // namespace vellum
