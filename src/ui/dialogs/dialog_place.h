// Where a dialog opens: centred over the window it belongs to, kept on that window's
// screen, and at most as large as the screen leaves room for. Every dialog of the program
// runs through ExecOverParent, so none opens centred on the screen away from its window.
#pragma once

class QDialog;
class QSize;

namespace qn {

// Sizes `dialog` to `wanted` (its own size hint when empty), no larger than the available
// part of its window's screen.
void SizeToContent(QDialog& dialog, const QSize& wanted);
// Centres `dialog` over its parent's window (over the screen when it has none), inside
// the screen's available area, then runs it modally: QDialog::exec's result.
int ExecOverParent(QDialog& dialog);

}  // namespace qn
