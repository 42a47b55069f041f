#include "frame/qt/field_edit.h"

#include <QFocusEvent>

namespace frame::qt {

FieldEdit::FieldEdit(QWidget* parent) : QLineEdit(parent) {
  setAcceptDrops(false);
}

// QLineEdit drops its selection when the focus moves to another control;
// the field puts it back (with the cursor at the same end), so the selected
// text stays marked, in the inactive highlight, until the user comes back.
void FieldEdit::focusOutEvent(QFocusEvent* event) {
  const int start = selectionStart();
  const int length = selectionLength();
  const bool cursor_at_start = cursorPosition() == start;
  QLineEdit::focusOutEvent(event);
  if (start < 0 || length <= 0 || hasSelectedText()) return;
  if (cursor_at_start) {
    setSelection(start + length, -length);
  } else {
    setSelection(start, length);
  }
}

}  // namespace frame::qt
