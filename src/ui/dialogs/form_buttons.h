// The buttons the forms share: the "O&k" / "&Avbryt" row that the small shared dialogs end
// with ("O&k" is the default button and accepts, "&Avbryt" rejects; object names "OkButton"
// and "AvbrytButton"), the row of direction buttons the creation forms end with, and the
// one object name every form gives its save button.
#pragma once

#include <functional>
#include <initializer_list>

#include "store/datapointer.h"

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

// One button of a creation form's row: its caption, object name and the direction it
// creates in.
struct DirectionButton {
  const char* caption;  // UTF-8
  const char* objectName;
  tDirection direction;
};

// Adds the creation forms' row to `layout` (owned by `dialog`): the `buttons` in the order
// given, each of which sets `chosen` to its direction and accepts the dialog; the one for
// DirDown is the default button. With `withCancel` the row ends with "&Avbryt"
// ("AvbrytButton"), which rejects and leaves `chosen` as it was. `chosen` must outlive the
// dialog's buttons (a member of the dialog).
void AddDirectionButtons(QDialog* dialog, QBoxLayout* layout,
                         std::initializer_list<DirectionButton> buttons, tDirection& chosen,
                         bool withCancel);

}  // namespace qn
