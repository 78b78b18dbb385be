// The "O&k" / "&Avbryt" button row that the small shared dialogs end with: "O&k" is the
// default button and accepts, "&Avbryt" rejects. Object names "OkButton" and "AvbrytButton".
#pragma once

class QBoxLayout;
class QDialog;

namespace qn {

// Adds the button row to `layout` (owned by `dialog`) and connects it to the dialog.
void AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout);

}  // namespace qn
