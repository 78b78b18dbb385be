// The pictures of the main window's buttons, drawn in code so the program needs no image
// files: arrows for the moves, pages for documents and data, a clipboard for pasting,
// brackets for the block ends. Each picture is drawn once per call at 20 x 20 pixels.
#pragma once

#include <QIcon>

namespace qn {

enum class ButtonPicture {
  kFirstData,     // jump to the first data record: a house
  kListFirst,     // to the first of the list: arrow up to a bar
  kDown,          // next record: arrow down
  kUp,            // previous record: arrow up
  kListLast,      // to the last of the list: arrow down to a bar
  kLeft,          // to the parent: arrow left
  kRight,         // into the sub-list: arrow right
  kInward,        // along the inward chain: arrow into a box
  kOutward,       // along the outward chain: arrow out of a box
  kOpenDocument,  // a page with lines
  kNewData,       // a page with a plus
  kLinkDocument,  // a page with a chain link
  kDelete,        // a red cross
  kMark,          // a flag
  kCopy,          // two pages
  kCut,           // scissors
  kPaste,         // a clipboard
  kPastePointer,  // a clipboard with an arrow
  kBlockFirst,    // an opening bracket
  kBlockLast,     // a closing bracket
  kPopMark,       // a flag with an arrow back
  kPasteAllPointers,  // two clipboards
  kLinkRight,     // an arrow right onto a link
};

QIcon ButtonIcon(ButtonPicture picture);

}  // namespace qn
