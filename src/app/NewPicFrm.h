#pragma once

#include "app/StandardDlg.h"
#include "raster/Colour.h"

class QComboBox;
class QLineEdit;

namespace vellum {

// Asks for the size and canvas colour of a blank picture.
class TNewPicForm : public TStandardDialog {
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 600;
    static constexpr int DefaultHeight = 400;

    // A suggested size of 0 or less means the defaults. The colour list offers the current
    // foreground and background colours besides five fixed ones; the background is chosen.
    TNewPicForm(int width, int height, TColor foreColour, TColor backColour, QWidget* parent = nullptr);

    [[nodiscard]] int PicWidth() const { return m_width; }
    [[nodiscard]] int PicHeight() const { return m_height; }
    [[nodiscard]] TColor Colour() const;

    [[nodiscard]] QLineEdit* WidthEdit() const { return m_widthEdit; }
    [[nodiscard]] QLineEdit* HeightEdit() const { return m_heightEdit; }
    [[nodiscard]] QComboBox* ColourCombo() const { return m_colourCombo; }

protected:
    bool okPressed() override;

private:
    void widthLeft();
    void heightLeft();

    int m_width;
    int m_height;
    QLineEdit* m_widthEdit = nullptr;
    QLineEdit* m_heightEdit = nullptr;
    QComboBox* m_colourCombo = nullptr;
};

// True when the text, without surrounding blanks, is a whole decimal number.
[[nodiscard]] bool ValidWholeNumber(const QString& text, int* value = nullptr);

} // namespace vellum
