// The program's own icon, drawn in code like the button pictures: a page holding a small
// tree of linked records (a list with a sub-list, the current record yellow) and a quill.
// The window takes it as its icon; the build writes it as the desktop's icon files, so
// the menu, the task bar and the file manager show the same picture.
#pragma once

#include <QIcon>
#include <QImage>

namespace qn {

// The icon at `side` x `side` pixels, on a transparent ground.
QImage ProgramIconImage(int side);
// The icon at the sizes a desktop asks for.
QIcon ProgramIcon();

// The sizes the desktop's icon theme gets, smallest first.
inline constexpr int kProgramIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

}  // namespace qn
