#include "ui/quill_form.h"

namespace qn {

TQuillForm::TQuillForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("QuillForm");
  setWindowTitle("Veltrona QuillNet");
  resize(800, 600);
}

}  // namespace qn
