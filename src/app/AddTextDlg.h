#pragma once

#include <QComboBox>
#include <QDialog>
#include <QStringList>

#include "raster/Canvas.h"

class QCheckBox;
class QFontComboBox;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace vellum {

// The list of remembered texts: each entry on one line, every line break drawn as a small
// return arrow.
class TRecentTextBox : public QComboBox {
    Q_OBJECT
public:
    static constexpr int ArrowWidth = 10;
    explicit TRecentTextBox(QWidget* parent = nullptr);
    // Draws text on one line into rect, a return arrow for each line break.
    static void PaintOneLine(QPainter& painter, const QRect& rect, const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Asks for a text and its font (family, style, size, effects and colour), offering the texts
// used before.
class TAddTextDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAddTextDialog(QWidget* parent = nullptr);

    // Shows the dialog (modal); true when confirmed. A confirmed text goes to the top of
    // RecentTexts (replacing an entry that differs only in case).
    bool Execute();

    [[nodiscard]] const QString& Text() const { return m_text; }
    void SetText(const QString& text);
    [[nodiscard]] const QStringList& RecentTexts() const { return m_recent; }
    void SetRecentTexts(const QStringList& texts);
    void AddRecentText(const QString& text);
    [[nodiscard]] int MaxRecentTexts() const { return m_maxRecent; }
    // Held in 8 bits (taken modulo 256); surplus texts go from the end.
    void SetMaxRecentTexts(int count);
    [[nodiscard]] TFont Font() const;
    void SetFont(const TFont& font);

    [[nodiscard]] QPlainTextEdit* TextBox() const { return m_textBox; }
    [[nodiscard]] TRecentTextBox* RecentBox() const { return m_recentBox; }
    [[nodiscard]] QFontComboBox* FamilyBox() const { return m_family; }
    [[nodiscard]] QComboBox* StyleBox() const { return m_style; }
    [[nodiscard]] QSpinBox* SizeBox() const { return m_size; }
    [[nodiscard]] QPushButton* ColourButton() const { return m_colourButton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showColour();
    void chooseColour();
    void fillRecentBox();

    QString m_text;
    QStringList m_recent;
    int m_maxRecent = 10;
    TColor m_colour = clBlack;
    QFontComboBox* m_family = nullptr;
    QComboBox* m_style = nullptr;
    QSpinBox* m_size = nullptr;
    QCheckBox* m_underline = nullptr;
    QCheckBox* m_strikeOut = nullptr;
    QPushButton* m_colourButton = nullptr;
    QPlainTextEdit* m_textBox = nullptr;
    TRecentTextBox* m_recentBox = nullptr;
    bool m_filling = false;
};

// Trims what the Add Text flow places: trailing blanks and line breaks go.
[[nodiscard]] QString TrimmedAddText(const QString& text);

} // namespace vellum
