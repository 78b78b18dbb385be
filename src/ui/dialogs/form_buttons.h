// The buttons the forms share: the "O&k" / "&Avbryt" row that the small shared dialogs end
// with ("O&k" is the default button and accepts, "&Avbryt" rejects; object names "OkButton"
// and "AvbrytButton"), and the one object name every form gives its save button.
#pragma once

#include <functional>

class QBoxLayout;
class QDialog;

namespace qn {

// The object name of the button that stores what a form shows ("&Lagre", "Lagre"), the
// same in every form so tests and the window find it alike.
inline constexpr const char* kSaveButtonName = "SaveButton";

// Adds the button row to `layout` (owned by `dialog`) and connects it to the dialog. With
// `onOk`, "O&k" runs it instead of accepting at once, so a form can check what it holds and
// accept only then.
void AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout, std::function<void()> onOk = {});

}  // namespace qn
