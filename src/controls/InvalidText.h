#pragma once

namespace vellum {

// What a number box does with text that stands for no number when it loses the focus or gets
// Enter.
enum class TInvalidText {
    ShowValue, // the box shows its last value again
    Keep,      // the text stays: its owner refuses it (a dialog's OK names the invalid value)
};

} // namespace vellum
