#pragma once

// The picture open and save dialogs: Qt's own (non-native) file dialog with a picture panel at
// its right: a preview of the selected file with its size, and up to three buttons (a larger
// preview, browse the folder in a picture browser, save options). The main window keeps one of
// each for the run, so folder, name and filter carry over from one use to the next.
#include <functional>
#include <memory>

#include <QFileDialog>
#include <QFrame>
#include <QImage>

class QLabel;
class QToolButton;
template <typename T>
class QFutureWatcher;

namespace vellum {

// A panel that shows a picture shrunk to fit (never enlarged) or a text; its painting never
// raises: a failure shows "Invalid image".
class TXSilentPaintPanel : public QFrame {
    Q_OBJECT
public:
    explicit TXSilentPaintPanel(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    [[nodiscard]] const QImage& Image() const { return m_image; }
    // Shown when there is no image.
    void SetText(const QString& text);
    [[nodiscard]] QString Text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QString m_text;
};

enum TExtraButton { ebPreview = 1, ebBrowse = 2, ebOptions = 4 };

class TXCustomOpenPictureDialog : public QFileDialog {
    Q_OBJECT
public:
    // The panel's previews: what a file's preview shows, and the full size it reports. Ok when
    // the file is a picture of a known size; its image is null when its data failed after a good
    // header (the panel then shows "Invalid image").
    struct TPreview {
        QString FileName;
        QImage Image;
        QSize FullSize;
        bool Ok = false;
    };

    explicit TXCustomOpenPictureDialog(QWidget* parent = nullptr);
    ~TXCustomOpenPictureDialog() override;

    [[nodiscard]] int ExtraButtons() const { return m_extraButtons; }
    void SetExtraButtons(int buttons);
    bool ResampleSmlPreview = false;
    std::function<void(TXCustomOpenPictureDialog*)> OnOptionsClick;

    // Shows the dialog modally; true when the user confirmed a file.
    bool Execute();
    // The filters count from 1.
    [[nodiscard]] int FilterIndex() const;
    void SetFilterIndex(int index);
    // The folder shown when the dialog closed, and whether the Browse button closed it.
    [[nodiscard]] QString CurrentFolder() const { return m_currentFolder; }
    [[nodiscard]] bool BrowseRequested() const { return m_browseRequested; }

    [[nodiscard]] QFrame* PicturePanel() const { return m_picturePanel; }
    [[nodiscard]] QLabel* PictureLabel() const { return m_pictureLabel; }
    [[nodiscard]] QToolButton* PreviewButton() const { return m_previewButton; }
    [[nodiscard]] QToolButton* BrowseButton() const { return m_browseButton; }
    [[nodiscard]] QToolButton* OptionsButton() const { return m_optionsButton; }
    [[nodiscard]] TXSilentPaintPanel* PaintPanel() const { return m_paintPanel; }
    [[nodiscard]] QString LastPreviewed() const { return m_lastPreviewed; }
    // Waits for the running preview job and shows its result (tests).
    void FinishPreview();

    // The preview of one file for a paint panel of the given device pixels; a JPEG is decoded
    // at the smallest scale still covering it. Safe on any thread.
    [[nodiscard]] static TPreview MakePreview(const QString& fileName, QSize panelPixels, bool resample);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Closes what the dialog opened as windows of their own (the completion list, a hint).
    void hideLeftovers();
    void selectionChanged(const QString& current);
    void startPreview(const QString& fileName);
    void previewFinished();
    void showPreview(const TPreview& preview);
    void showLargePreview();
    void arrangeButtons();
    [[nodiscard]] QToolButton* makeButton(const QString& glyph, const QString& hint);

    int m_extraButtons = ebPreview | ebBrowse;
    QFrame* m_picturePanel = nullptr;
    QLabel* m_pictureLabel = nullptr;
    QToolButton* m_previewButton = nullptr;
    QToolButton* m_browseButton = nullptr;
    QToolButton* m_optionsButton = nullptr;
    TXSilentPaintPanel* m_paintPanel = nullptr;
    QString m_lastPreviewed;
    QString m_currentFolder;
    bool m_browseRequested = false;
    std::unique_ptr<QFutureWatcher<TPreview>> m_job;
    // A name selected while a job ran: previewed when it ends.
    QString m_waiting;
};

class TXOpenPictureDialog : public TXCustomOpenPictureDialog {
    Q_OBJECT
public:
    explicit TXOpenPictureDialog(QWidget* parent = nullptr);
};

class TXSavePictureDialog : public TXCustomOpenPictureDialog {
    Q_OBJECT
public:
    // A name typed without an extension gets the selected filter's.
    explicit TXSavePictureDialog(QWidget* parent = nullptr);
    // Presets filter, extension and name from a document's file name (none: as last used).
    void PresetFor(const QString& fileName);
};

// The filter for a file's extension: "jpg" 2, "jpeg" 3, "gif" 4, anything else 1.
[[nodiscard]] int SaveFilterIndexFor(const QString& fileName);

} // namespace vellum
