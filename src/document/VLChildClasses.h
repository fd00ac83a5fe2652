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

// A document window with an extra button drawn in its caption bar, left of the standard caption
// buttons. The same command is also the first entry of the window's system menu, for the
// keyboard and for a maximised window, whose caption bar Qt merges into the menu bar.
class TExtraBtnForm : public TBasicVLChild {
    Q_OBJECT
public:
    explicit TExtraBtnForm(TChildKind kind, QWidget* parent = nullptr);
    ~TExtraBtnForm() override;

    [[nodiscard]] bool ShowExtraBtn() const { return m_showExtraBtn; }
    void SetShowExtraBtn(bool show);
    // Whether pointing at the button opens its hint window; switching it off closes one showing.
    [[nodiscard]] bool ExtraBtnHint() const { return m_extraBtnHint; }
    void SetExtraBtnHint(bool hint);
    [[nodiscard]] const QString& ExtraBtnHintStr() const { return m_hint; }
    void SetExtraBtnHintStr(const QString& hint);
    [[nodiscard]] QAction* ExtraBtnAction() const { return m_extraBtn; }
    // The button in window coordinates, recomputed at every call; empty while no caption bar
    // shows it.
    [[nodiscard]] QRect ExtraBtnRect() const;

    std::function<void(TExtraBtnForm* sender)> OnExtraBtnEnter;
    std::function<void(TExtraBtnForm* sender)> OnExtraBtnLeave;
    std::function<void(TExtraBtnForm* sender)> OnExtraBtnClick;

    virtual void DoExtraBtnClick();
    virtual void DoExtraBtnEnter();
    virtual void DoExtraBtnLeave();
    virtual void ShowExtraBtnHint();
    // The window metrics changed: the button is drawn anew.
    virtual void SettingsChanged();

protected:
    // Room for the caption's text in the caption bar (less the button), and the window's width
    // besides it; 0 and the window's width while no caption bar shows.
    [[nodiscard]] int captionTextWidth() const;
    [[nodiscard]] int captionChromeWidth() const;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setOverBtn(bool over);
    void hideHint();

    bool m_showExtraBtn = true;
    bool m_extraBtnHint = true;
    bool m_overBtn = false;
    bool m_btnDown = false;
    bool m_hintOpen = false;
    QString m_hint;
    QAction* m_extraBtn = nullptr;
};

} // namespace vellum
