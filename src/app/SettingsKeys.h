#pragma once

// Every key and value name of the settings file, in one place. Key paths are settings keys
// (backslash-separated element paths), not file paths.
namespace vellum::settings {

inline constexpr char FileName[] = "Vellum.xml";

// The main window; written when it closes.
inline constexpr char KeyMain[] = "Vellum\\Main";
inline constexpr char WinNormLeft[] = "WinNormLeft";
inline constexpr char WinNormTop[] = "WinNormTop";
inline constexpr char WinNormRight[] = "WinNormRight";
inline constexpr char WinNormBottom[] = "WinNormBottom";
inline constexpr char WinMaximized[] = "WinMaximized";
inline constexpr char ShowZoomGrid[] = "ShowZoomGrid";
inline constexpr char ViewerIsVisible[] = "ViewerIsVisible";
inline constexpr char CbViewerIsVisible[] = "CbViewerIsVisible";
inline constexpr char BrowserTreeVisible[] = "BrowserTreeVisible";

inline constexpr char KeyRecentFiles[] = "Vellum\\Main\\Recent_Files";
inline constexpr char MaxFileList[] = "MaxFileList";

inline constexpr char KeyRecentText[] = "Vellum\\Main\\Recent_Text";
inline constexpr char MaxRecentList[] = "MaxRecentList";
inline constexpr char RecentTextPrefix[] = "RecentText"; // followed by 1, 2, ...

inline constexpr char KeyColourPanel[] = "Vellum\\Main\\Colour_Panel";
inline constexpr char Expanded[] = "Expanded";
inline constexpr char Locked[] = "Locked";

inline constexpr char KeyRecentColours[] = "Vellum\\Main\\Recent_Colours";
inline constexpr char ColourPrefix[] = "Colour"; // followed by 0 to 14

// The picture browser; written when a browser window agrees to close.
inline constexpr char KeyPictureBrowser[] = "Vellum\\Picture_Browser";
inline constexpr char SelectColour[] = "SelectColour";
inline constexpr char KeyRecentDirs[] = "Vellum\\Picture_Browser\\Recent_Dirs";
inline constexpr char DirPrefix[] = "Dir"; // followed by 1 to 5

// Position of the last closed adjustment dialog, shared by all of them.
inline constexpr char KeyDialogs[] = "Vellum\\Dialogs";
inline constexpr char WinLeft[] = "WinLeft";
inline constexpr char WinTop[] = "WinTop";

// The Viewer and the Clipboard Viewer (the same value names under each key).
inline constexpr char KeyViewer[] = "Vellum\\Viewer";
inline constexpr char KeyCbViewer[] = "Vellum\\CbViewer";
inline constexpr char Pinned[] = "Pinned";
inline constexpr char Left[] = "Left";
inline constexpr char Top[] = "Top";
inline constexpr char Width[] = "Width";
inline constexpr char Height[] = "Height";
inline constexpr char XDiff[] = "XDiff";
inline constexpr char YDiff[] = "YDiff";
inline constexpr char DisplayFrame[] = "DisplayFrame";

} // namespace vellum::settings
