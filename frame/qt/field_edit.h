// The edit field of the window: a QLineEdit that keeps its selection visible
// when it loses the focus and takes no dropped files or text.
#pragma once

#include <QLineEdit>

namespace frame::qt {

class FieldEdit : public QLineEdit {
 public:
  explicit FieldEdit(QWidget* parent = nullptr);

 protected:
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace frame::qt
