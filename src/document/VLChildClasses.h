#pragma once

#include <functional>

#include <QMdiSubWindow>
#include <QString>

#include "document/VLToolVars.h"

class QAction;

namespace vellum {

// The main window's status bar as documents see it: four text panels (0 hints, 1 picture
// size, 2 modified, 3 mouse position).
class TStatusPanels {
public:
    virtual ~TStatusPanels() = default;
    virtual void SetPanelText(int panel, const QString& text) = 0;
};

// What a document (and its tools) asks of the main window: the size its client area offers
// document windows, the colours and their read-out, the Add Text flow and the tool choice.
class TDocumentArea {
public:
    virtual ~TDocumentArea() = default;
    [[nodiscard]] virtual QSize AvailableDocumentArea() const = 0;
    // New colours, with the recent colours and the spectrum's marker following.
    virtual void SetForegroundColour(TColor, bool /*moveMarker*/) {}
    virtual void SetBackgroundColour(TColor, bool /*moveMarker*/) {}
    virtual void ShowColourReadout(TColor) {}
    virtual void HideColourReadout() {}
    // Asks for a text and places it into the active picture document.
    virtual void PlaceText() {}
    virtual void ChooseTool(TTool) {}
};

// The base of all document windows: a window inside the main window's client area. Closing
// one always frees it; OnQueryClose may veto the close first.
class TBasicVLChild : public QMdiSubWindow {
    Q_OBJECT
public:
    enum TChildKind : unsigned char { ckPicture = 1, ckBrowser = 2 };

    explicit TBasicVLChild(TChildKind kind, QWidget* parent = nullptr);

    [[nodiscard]] TChildKind ChildKind() const { return m_kind; }
    [[nodiscard]] TStatusPanels* StatusBar() const { return m_statusBar; }
    virtual void SetStatusBar(TStatusPanels* statusBar) { m_statusBar = statusBar; }

    std::function<void(TBasicVLChild* sender, bool& canClose)> OnQueryClose;
    std::function<void(TBasicVLChild* sender, int steps)> OnProgressBegin;
    std::function<void(TBasicVLChild* sender)> OnProgressStep;
    std::function<void(TBasicVLChild* sender)> OnProgressEnd;

    virtual void DoProgressBegin(int steps);
    virtual void DoProgressStep();
    virtual void DoProgressEnd();
    // The busy cursor, with pending events processed so that the screen is current.
    virtual void BeginWait();
    virtual void EndWait();

protected:
    void closeEvent(QCloseEvent* event) override;
    void setPanel(int panel, const QString& text) const;

private:
    TChildKind m_kind;
    TStatusPanels* m_statusBar = nullptr;
};

// A document window with an extra caption command. Qt's title bars cannot host a button of
// our own, so the command is the first entry of the window's system menu; pointing at it
// shows its hint.
class TExtraBtnForm : public TBasicVLChild {
    Q_OBJECT
public:
    explicit TExtraBtnForm(TChildKind kind, QWidget* parent = nullptr);

    [[nodiscard]] bool ShowExtraBtn() const { return m_showExtraBtn; }
    void SetShowExtraBtn(bool show);
    [[nodiscard]] const QString& ExtraBtnHintStr() const { return m_hint; }
    void SetExtraBtnHintStr(const QString& hint);
    [[nodiscard]] QAction* ExtraBtnAction() const { return m_extraBtn; }

    std::function<void(TExtraBtnForm* sender)> OnExtraBtnEnter;
    std::function<void(TExtraBtnForm* sender)> OnExtraBtnClick;

    virtual void DoExtraBtnClick();
    virtual void DoExtraBtnEnter();

private:
    bool m_showExtraBtn = true;
    QString m_hint;
    QAction* m_extraBtn = nullptr;
};

} // namespace vellum
