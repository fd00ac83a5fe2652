#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSet>
#include <QSize>

#include "document/VLChildClasses.h"
#include "document/VLToolVars.h"
#include "raster/Colour.h"

class QAction;
class QActionGroup;
class QColorDialog;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QUrl;
class QTextBrowser;
class QToolBar;

namespace vellum {

class TCbViewerForm;
class TViewerForm;
class TVLPicChildWin;
class TXBitmap;
class TToolOptionPages;
class TColourPanel;
class TXMLRegistryFile;
class TCollapsingPanel;
enum class TTool : std::uint8_t;
class TRecentFilesPicPopupMenu;
class TXOpenPictureDialog;
class TXSavePictureDialog;
class TVLBrowserChildWn;
class TBasicVLChild;
struct TFileActionRecord;
class TBaseAdjDialog;
class TAddTextDialog;
struct TFont;

// The program's one main window: a frame whose client area holds the document windows, with
// the file, edit, colour, view and window commands, and a status bar of four panels (panel 2
// becomes a progress bar during long work). Its restored rectangle and maximised state, and
// the zoom-grid switch, are kept in the settings under "Vellum\Main".
class TVellumMain : public QMainWindow, public TDocumentArea, public TStatusPanels {
    Q_OBJECT
public:
    static constexpr QSize DesignedSize{647, 529};

    explicit TVellumMain(QWidget* parent = nullptr);
    ~TVellumMain() override;

    [[nodiscard]] QMdiArea* ClientArea() const { return m_clientArea; }
    [[nodiscard]] QAction* ActFileExit() const { return m_actFileExit; }
    [[nodiscard]] QAction* ActNewPic() const { return m_actNewPic; }
    [[nodiscard]] QAction* ActOpenPic() const { return m_actOpenPic; }
    [[nodiscard]] QAction* ActPicSave() const { return m_actPicSave; }
    [[nodiscard]] QAction* ActPicSaveAs() const { return m_actPicSaveAs; }
    [[nodiscard]] QAction* ActCloseChild() const { return m_actCloseChild; }
    [[nodiscard]] QAction* ActCloseAllChildren() const { return m_actCloseAllChildren; }
    [[nodiscard]] QAction* ActPrintPic() const { return m_actPrintPic; }
    [[nodiscard]] QAction* ActUndo() const { return m_actUndo; }
    [[nodiscard]] QAction* ActRedo() const { return m_actRedo; }
    [[nodiscard]] QAction* ActGreyScalePic() const { return m_actGreyScalePic; }
    [[nodiscard]] QAction* ActNegativePic() const { return m_actNegativePic; }
    [[nodiscard]] QAction* ActShowHideZoomGrid() const { return m_actShowHideZoomGrid; }
    [[nodiscard]] QMenu* ColourMenu() const { return m_colourMenu; }
    [[nodiscard]] QMenu* ImageMenu() const { return m_imageMenu; }
    [[nodiscard]] QAction* ActFlipPic() const { return m_actFlipPic; }
    [[nodiscard]] QAction* ActMirrorPic() const { return m_actMirrorPic; }
    [[nodiscard]] QAction* ActClearPic() const { return m_actClearPic; }
    [[nodiscard]] QAction* ActRotatePic() const { return m_actRotatePic; }
    [[nodiscard]] QAction* ActBlurPic() const { return m_actBlurPic; }
    [[nodiscard]] QAction* ActBrightenPic() const { return m_actBrightenPic; }
    [[nodiscard]] QAction* ActGammaCorrectPic() const { return m_actGammaCorrectPic; }
    [[nodiscard]] QAction* ActAdjustRGBPic() const { return m_actAdjustRGBPic; }
    // The adjustment dialogs on the active picture: what a dialog made for the document adds
    // when it ends with OK. Any other end cancels the document's preview.
    void RunAdjustDialog(TBaseAdjDialog& dialog, TVLPicChildWin& document,
                         const std::function<void(TVLPicChildWin&)>& commit);
    [[nodiscard]] QAction* ActCropPic() const { return m_actCropPic; }
    [[nodiscard]] QAction* ActSelectAll() const { return m_actSelectAll; }
    [[nodiscard]] QAction* ActHelp() const { return m_actHelp; }
    [[nodiscard]] QTextBrowser* HelpWindow() const { return m_helpWindow; }
    [[nodiscard]] QAction* ActCutPic() const { return m_actCutPic; }
    [[nodiscard]] QAction* ActCopyPic() const { return m_actCopyPic; }
    [[nodiscard]] QAction* ActPasteIntoPic() const { return m_actPasteIntoPic; }
    [[nodiscard]] QAction* ActPasteAsNew() const { return m_actPasteAsNew; }
    [[nodiscard]] QAction* ActPasteClever() const { return m_actPasteClever; }
    [[nodiscard]] QAction* ActClearClipboard() const { return m_actClearClipboard; }
    [[nodiscard]] QAction* ActCbViewerStartStop() const { return m_actCbViewerStartStop; }
    [[nodiscard]] TCbViewerForm* CbViewer() const { return m_cbViewer; }
    [[nodiscard]] QAction* ActViewerStartStop() const { return m_actViewerStartStop; }
    [[nodiscard]] TViewerForm* Viewer() const { return m_viewer; }
    // Shows a document window in the Viewer: a picture document's picture and view, anything
    // else (or none) as an empty Viewer. Only when the Viewer is visible, unless forced.
    void ViewerShowDocument(QWidget* window, bool force);
    // The clipboard held a picture at the last clipboard notification.
    [[nodiscard]] bool ClipboardHasPicture() const { return m_clipboardHasPicture; }

    // A picture given by the Clipboard Viewer: a new picture when asked or when no picture
    // document is active, else pasted into the active one.
    void PasteGivenPicture(const TXBitmap& picture, bool pasteAsNew, int tag);
    // A new document titled "New Picture #" and the next number from a pasted picture; pixels
    // of the tag colour (a tag of 0 or more) take the background colour. The document takes the
    // picture's pixels over. Reports failures.
    TVLPicChildWin* NewPictureFromPicture(TXBitmap picture, int tag);
    [[nodiscard]] TRecentFilesPicPopupMenu* RecentFilesPopupMenu() const { return m_recentFiles; }
    [[nodiscard]] TXOpenPictureDialog* OpenPictureDialog() const { return m_openDialog; }
    [[nodiscard]] TXSavePictureDialog* SavePictureDialog() const { return m_saveDialog; }

    // The active picture document, if the active document window is one.
    [[nodiscard]] TVLPicChildWin* ActivePicture() const;

    // Makes a blank document titled "New Picture #" and the next number; reports failures.
    TVLPicChildWin* NewPicture(int width, int height, TColor colour);
    // Opens a picture file as a document, or brings its open document to the front; reports
    // failures. True on success.
    bool OpenPictureFile(const QString& fileName);
    // Saves a picture document under its name, asking for one when it has none; reports
    // failures. False when nothing was saved.
    bool SavePicture(TVLPicChildWin& document);
    [[nodiscard]] int NewPictureCounter() const { return m_newPictureCounter; }
    // Files dropped from a file manager: only the first is opened.
    void OpenDroppedFiles(const QList<QUrl>& urls);

    // Picture browsers and the files they show.
    [[nodiscard]] TVLBrowserChildWn* ActiveBrowser() const;
    // A browser on directory (empty: it chooses its start folder); reports failures.
    TVLBrowserChildWn* OpenBrowser(const QString& directory, bool maximised);
    // One file operation with confirmation; after a success every document window hears of
    // it (file-action messages). True on success.
    bool CopyOne(const QString& name, const QString& from, const QString& to);
    bool MoveOne(const QString& name, const QString& from, const QString& to);
    bool DeleteOne(const QString& name, const QString& folder);
    bool RenameOne(const QString& oldName, const QString& newName, const QString& folder);

    // TDocumentArea: the client area's size.
    [[nodiscard]] QSize AvailableDocumentArea() const override;
    // TStatusPanels.
    void SetPanelText(int panel, const QString& text) override;
    [[nodiscard]] QString PanelText(int panel) const;

    // Tools, tool options and the colour panel.
    // Ticks the tool's command, makes it the current tool with its cursor and shows its page.
    void ChooseTool(TTool tool) override;
    // True for the three selection tools.
    [[nodiscard]] bool IsSelectionTool() const;
    // The cursor every picture view shows; nothing when it is the current one.
    void SetToolCursor(std::int16_t number);
    // New colours; the replaced colour goes to the recent colours. With moveMarker the
    // spectrum marks the new colour.
    void SetForegroundColour(TColor colour, bool moveMarker) override;
    void SetBackgroundColour(TColor colour, bool moveMarker) override;
    void ShowColourReadout(TColor colour) override;
    void HideColourReadout() override;
    [[nodiscard]] QAction* ToolAction(TTool tool) const { return m_toolActions[static_cast<std::size_t>(tool)]; }
    [[nodiscard]] TToolOptionPages* OptionPages() const { return m_optionPages; }
    // Placing a text: the Add Text dialog (one for the run, with its font and remembered
    // texts), then AddText with what it gives; failures end in an error box.
    void PlaceText() override;
    // Renders the text and places it into the active picture document as a floating selection
    // with a transparent background, then chooses Select Rect; nothing for a blank text or
    // without a picture document. Raises when the text's picture would be too large.
    void AddText(const QString& text, const TFont& font);
    [[nodiscard]] TAddTextDialog* AddTextDialog() const { return m_addTextDialog; }
    [[nodiscard]] TColourPanel* ColourPanel() const { return m_colourPanel; }
    [[nodiscard]] TCollapsingPanel* SidePanel() const { return m_sidePanel; }
    // Where Viewer windows docked at the right edge go: inside the side panel, below the colours.
    [[nodiscard]] QMainWindow* SidePanelDockSite() const { return m_sidePanelDockSite; }
    // The tool bars' context menu: the switches of the bars and panels that have a caption.
    QMenu* createPopupMenu() override;

signals:
    // Every change a picture document reports (its change flags): the commands, the zoom box
    // and the Viewer follow the active one.
    void PictureChanged(vellum::TVLPicChildWin* document, std::uint16_t changes);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createCommands();
    void createFileCommands();
    void createEditCommands();
    void createViewCommands();
    void createImageCommands();
    void createColourCommands();
    void createWindowCommands();
    void createHelpCommands();
    // The Browse menu and commands, the Browser tool bar (after the other bars), their states.
    void createBrowseCommands();
    void createBrowseToolBar();
    void updateBrowseCommandStates();
    void wireBrowser(TVLBrowserChildWn* browser);
    void sendFileAction(const TFileActionRecord& record);
    void browseExecute();
    void browseCopyMove(bool copy);
    void browseDelete();
    void browseRename();
    void browseRenameAll();
    void browseSort(int kind);
    // A cell drag of a browser over the main window's empty area; true when it was one.
    bool browserDragEnter(QDragEnterEvent* event);
    bool browserDrop(QDropEvent* event);
    // Status panel 2 becomes the progress bar while a document reports progress.
    void wireProgress(TBasicVLChild* document);
    void createStatusBar();
    void createToolBars();
    void createViewer();
    void viewerStartStop(bool show);
    // Connects a picture document's changes to the Viewer; its closing detaches it.
    void wireViewer(TVLPicChildWin* document);
    void viewerPictureChange(TVLPicChildWin* document, std::uint16_t changes);
    // A pinned window docked or floated: the side panel is as wide as the widest docked one.
    void pinnedDockingChanged();
    // The tool commands, the Tools and Settings tool bars and the side panel with the colours.
    void createToolCommands();
    void createColourPanel();
    // Start values of the tools and colours, in their order.
    void startToolValues();
    void wireToolOptions(TVLPicChildWin* document);
    void showActiveZoom();
    void chooseZoom(int zoom);
    // The swatches and the collapsed side panel's bar show the current colours.
    void showColours();
    void swatchClicked(bool foreground);
    void swapColours();
    void loadColourPanelSettings();
    void saveColourPanelSettings(TXMLRegistryFile& reg) const;
    void createAddText();
    void loadRecentTexts(TXMLRegistryFile& reg);
    void saveRecentTexts(TXMLRegistryFile& reg) const;
    // The recent-files menu with its file, and the open and save dialogs kept for the run.
    void createRecentFiles();
    // The menu's entries into the File menu, and its tool-bar places (first show).
    void showRecentFiles();
    // The one guard every command slot ends in: any exception (out of memory included) becomes
    // the error box with its message, and the program goes on.
    void runGuarded(const std::function<void()>& body);
    // Runs a command's slot under runGuarded when the action triggers.
    void onTriggered(QAction* action, std::function<void()> slot);
    // Runs an edit of the active picture document under runGuarded; nothing without one.
    void onActivePicture(const std::function<void(TVLPicChildWin&)>& edit);
    void resizeExecute(bool resample);
    void enlargeCanvasExecute();
    // The five adjustment commands (their dialogs, run on the active picture).
    void createAdjustCommands(QMenu* imageMenu, QMenu* colourMenu);
    void tileDocuments(Qt::Orientation orientation);
    // Moves a new document window wanting the given size to the first step of the cascade from
    // the area's top left where it fits whole and no other window has its corner; to the top
    // left when the area has no such place.
    void placeNewDocument(QMdiSubWindow* window, QSize wanted);
    void arrangeMinimized();
    QAction* command(const QString& caption, const QString& hint, const QString& name);
    // Reads the placement and the main settings (before the first show).
    void loadSettings();
    void saveSettings() const;
    // Asks every document window, front-most first, then closes them all; false, with every
    // window left open, when one refused.
    bool closeDocuments();
    void closeAllChildren();
    // Puts a document window into the area; true when it asked to be maximised. The request is
    // taken off the window, to be made in the area by showMaximized: a state set before the
    // window was in the area never reaches the area, which would leave it at its first size.
    bool adoptDocument(QMdiSubWindow* window);
    void wirePicture(TVLPicChildWin* document);
    // A picture document reports a change.
    void pictureChanged(TVLPicChildWin* document, std::uint16_t changes);
    void queryClose(TVLPicChildWin* document, bool& canClose);
    // The only document window is about to close: no status, and new pictures count from 1.
    void lastDocumentClosing();
    void updateCommandStates();
    // The clipboard commands' states: after every clipboard notification, and for the active
    // document window.
    void updatePasteStates();
    void updateEditCommandStates(TVLPicChildWin* picture);
    void copyExecute(bool cut);
    void pasteIntoExecute();
    // After a paste into a picture: the rectangle-selection tool, unless it is current.
    void chooseSelectRectAfterPaste();
    void pasteAsNewExecute();
    void createClipboardViewer();
    void cbViewerStartStop(bool show);
    // The document area's active window changed: the old document is told it is no longer
    // active, the new one that it is; then the command states follow.
    void documentActivated(QMdiSubWindow* window);
    void newPictureExecute();
    // Counts the next "New Picture #" and wires the document make gives for that title, under
    // the busy cursor; an error box instead when making it raises.
    TVLPicChildWin* newNumberedPicture(const std::function<TVLPicChildWin*(const QString& title)>& make);
    void openPictureExecute();
    void saveAsExecute();
    void printPictureExecute();
    [[nodiscard]] QString askSaveName(const QString& current);
    void firstShow();
    // Our own help document in a window of its own.
    void showHelp();

    QMdiArea* m_clientArea = nullptr;
    QAction* m_actNewPic = nullptr;
    QAction* m_actOpenPic = nullptr;
    QAction* m_actPicSave = nullptr;
    QAction* m_actPicSaveAs = nullptr;
    QAction* m_actCloseChild = nullptr;
    QAction* m_actCloseAllChildren = nullptr;
    QAction* m_actPrintPic = nullptr;
    QAction* m_actFileExit = nullptr;
    QAction* m_actUndo = nullptr;
    QAction* m_actRedo = nullptr;
    QAction* m_actGreyScalePic = nullptr;
    QAction* m_actNegativePic = nullptr;
    QAction* m_actShowHideZoomGrid = nullptr;
    QAction* m_actHelp = nullptr;
    QAction* m_actAbout = nullptr;
    QTextBrowser* m_helpWindow = nullptr;
    QMenu* m_colourMenu = nullptr;
    QMenu* m_imageMenu = nullptr;
    QAction* m_actFlipPic = nullptr;
    QAction* m_actMirrorPic = nullptr;
    QAction* m_actClearPic = nullptr;
    QAction* m_actCropPic = nullptr;
    QAction* m_actSelectAll = nullptr;
    QAction* m_actEnlargePicCanvas = nullptr;
    QAction* m_actResizePic = nullptr;
    QAction* m_actResamplePic = nullptr;
    QMenu* m_effectsMenu = nullptr;
    QAction* m_actRotatePic = nullptr;
    QAction* m_actBlurPic = nullptr;
    QAction* m_actBrightenPic = nullptr;
    QAction* m_actGammaCorrectPic = nullptr;
    QAction* m_actAdjustRGBPic = nullptr;
    QMenu* m_toolbarsMenu = nullptr;
    QList<QAction*> m_windowCommands;
    std::array<QLabel*, 4> m_panels{};
    QProgressBar* m_progress = nullptr;
    QAction* m_actCutPic = nullptr;
    QAction* m_actCopyPic = nullptr;
    QAction* m_actPasteIntoPic = nullptr;
    QAction* m_actPasteAsNew = nullptr;
    QAction* m_actPasteClever = nullptr;
    QAction* m_actClearClipboard = nullptr;
    QAction* m_actCbViewerStartStop = nullptr;
    TCbViewerForm* m_cbViewer = nullptr;
    bool m_clipboardHasPicture = false;
    bool m_pendingCbViewer = false;
    QAction* m_actViewerStartStop = nullptr;
    TViewerForm* m_viewer = nullptr;
    bool m_pendingViewer = false;
    int m_newPictureCounter = 0;
    bool m_shown = false;
    std::array<QAction*, 12> m_toolActions{};
    QActionGroup* m_toolGroup = nullptr;
    QToolBar* m_toolsToolBar = nullptr;
    QToolBar* m_settingsToolBar = nullptr;
    TToolOptionPages* m_optionPages = nullptr;
    TCollapsingPanel* m_sidePanel = nullptr;
    TColourPanel* m_colourPanel = nullptr;
    QMainWindow* m_sidePanelDockSite = nullptr;
    // One colour dialog for the whole run: it keeps its custom colours.
    QColorDialog* m_colourDialog = nullptr;
    TRecentFilesPicPopupMenu* m_recentFiles = nullptr;
    TXOpenPictureDialog* m_openDialog = nullptr;
    TXSavePictureDialog* m_saveDialog = nullptr;
    TAddTextDialog* m_addTextDialog = nullptr;
    QMenu* m_fileMenu = nullptr;
    // Documents whose close the shutdown has already agreed to: they are not asked again.
    QSet<const QObject*> m_closeAgreed;
    QPointer<QMdiSubWindow> m_activeDocument;
    QMenu* m_browseMenu = nullptr;
    QAction* m_actBrowseDir = nullptr;
    QAction* m_actBrwsrRefresh = nullptr;
    QAction* m_actBrwsrShowTV = nullptr;
    QAction* m_actBrwsrSortAsc = nullptr;
    QAction* m_actBrwsrOpenImage = nullptr;
    QList<QAction*> m_browseSortCommands;
    QList<QAction*> m_browseFileCommands;
};

} // namespace vellum
