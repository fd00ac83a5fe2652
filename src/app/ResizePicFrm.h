#pragma once

#include <QHash>
#include <QString>

#include "app/StandardDlg.h"

class QCheckBox;
class QLineEdit;

namespace vellum {

// Asks for a new picture size, optionally keeping an aspect ratio. The main window captions it
// "Resize Picture" or "Resample Picture".
class TResizePicForm : public TStandardDialog {
    Q_OBJECT
public:
    // Raises EVellumError "Invalid picture dimensions" for an empty picture.
    TResizePicForm(int pictureWidth, int pictureHeight, QWidget* parent = nullptr);

    [[nodiscard]] int PicWidth() const { return m_width; }
    [[nodiscard]] int PicHeight() const { return m_height; }
    [[nodiscard]] double AspectRatio() const { return m_ratio; }

    [[nodiscard]] QLineEdit* WidthEdit() const { return m_widthEdit; }
    [[nodiscard]] QLineEdit* HeightEdit() const { return m_heightEdit; }
    [[nodiscard]] QLineEdit* AspRatioEdit() const { return m_ratioEdit; }
    [[nodiscard]] QCheckBox* AspRatioCBox() const { return m_ratioBox; }

    // What leaving each box does (also run for the focused box when OK is pressed).
    void WidthLeft();
    void HeightLeft();
    void RatioLeft();

protected:
    bool okPressed() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void leave(QLineEdit* edit, void (TResizePicForm::*rule)());
    void setWidth(int value);
    void setHeight(int value);
    void bringInLine();
    void ratioBoxClicked();

    int m_width;
    int m_height;
    double m_ratio;
    QLineEdit* m_widthEdit = nullptr;
    QLineEdit* m_heightEdit = nullptr;
    QLineEdit* m_ratioEdit = nullptr;
    QCheckBox* m_ratioBox = nullptr;
    // Each box's text when it last took the focus (or its rule last ran).
    QHash<const QLineEdit*, QString> m_entered;
};

// Asks for a larger canvas, optionally with the picture centred on it.
class TEnlargeCanvasForm : public TStandardDialog {
    Q_OBJECT
public:
    // Raises EVellumError "Invalid picture dimensions" for a size of 0 or less.
    TEnlargeCanvasForm(int currentHeight, int currentWidth, QWidget* parent = nullptr);

    [[nodiscard]] int NewWidth() const { return m_newWidth; }
    [[nodiscard]] int NewHeight() const { return m_newHeight; }
    [[nodiscard]] bool CentrePicture() const;

    [[nodiscard]] QLineEdit* WidthEdit() const { return m_widthEdit; }
    [[nodiscard]] QLineEdit* HeightEdit() const { return m_heightEdit; }
    [[nodiscard]] QCheckBox* CenterPicCBox() const { return m_centreBox; }

    void WidthLeft();
    void HeightLeft();

protected:
    bool okPressed() override;

private:
    int m_minWidth;
    int m_minHeight;
    int m_newWidth;
    int m_newHeight;
    QLineEdit* m_widthEdit = nullptr;
    QLineEdit* m_heightEdit = nullptr;
    QCheckBox* m_centreBox = nullptr;
};

} // namespace vellum
