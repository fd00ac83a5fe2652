#pragma once

#include <QLineEdit>
#include <QSpinBox>

#include "controls/InvalidText.h"

namespace vellum {

// A whole-number box of at most three typed characters (a longer value set by the owner shows). Every text change is taken when, without
// surrounding blanks, it is a whole decimal number: the value becomes that number clamped to the
// range (typing "600" into a 1-to-500 box gives 500, where a plain spin box refuses the text).
// Any other text (empty, letters, stray signs) changes nothing. When the box loses the focus it
// shows its value, or, set to keep invalid text, keeps text that is no number for its owner to
// refuse. The arrows step by 1.
class TWholeNumberBox : public QSpinBox {
    Q_OBJECT
public:
    static constexpr int MaxCharacters = 3;

    explicit TWholeNumberBox(QWidget* parent = nullptr);

    // The number a text stands for, clamped to the range; false when it stands for none.
    [[nodiscard]] bool NumberOfText(const QString& text, int& value) const;
    // The text field (tests and owners that watch typing).
    [[nodiscard]] QLineEdit* Editor() const { return lineEdit(); }
    [[nodiscard]] TInvalidText InvalidText() const { return m_invalidText; }
    void SetInvalidText(TInvalidText mode) { m_invalidText = mode; }

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    void fixup(QString& input) const override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TInvalidText m_invalidText = TInvalidText::ShowValue;
};

} // namespace vellum
