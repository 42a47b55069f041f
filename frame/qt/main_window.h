// The main form on screen: one fixed-size window holding the form's controls
// over the form's drawing, turning clicks and typing into the form's events.
#pragma once

#include <QElapsedTimer>
#include <QLineEdit>
#include <QSize>
#include <QString>
#include <QValidator>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

#include "frame/program.h"
#include "frame/qt/break_key.h"
#include "frame/qt/image_surface.h"

namespace frame::qt {

// The client area of a form: the outer size less a dialog frame of 4 pixels
// at each side and a 22-pixel caption (648 x 466 gives 640 x 440).
inline constexpr int kFrameWidth = 8;
inline constexpr int kFrameHeight = 26;
QSize client_size(const FormDesc& desc);

// The font of every control: "Courier New" 12 points, where the platform has
// no such face the metric-compatible "Liberation Mono".
QFont control_font();

// What a user may type into an edit field: a change that makes the text
// longer than the field's maximum, or (digits-only fields) adds a character
// that is not a digit, is refused. The text a handler sets is never checked
// (QLineEdit does not validate setText), and a longer text once set can still
// be shortened or edited in place.
// QLineEdit asks the validator after it has taken the change, so the text
// before it is kept here: every text the field shows passes through shown().
class TypedLimit : public QValidator {
  Q_OBJECT

 public:
  TypedLimit(QLineEdit* edit, int max_length, bool digits_only)
      : QValidator(edit), max_length_(max_length), digits_only_(digits_only) {}
  State validate(QString& input, int& pos) const override;
  void shown(const QString& text) { before_ = text; }

 private:
  int max_length_;
  bool digits_only_;
  mutable QString before_;
};

// While a handler runs the window is repainted at least this often (at the
// handler's regular checks, looked at every kRepaintCheckInterval of them).
inline constexpr std::chrono::milliseconds kRepaintInterval{250};
inline constexpr std::uint32_t kRepaintCheckInterval = 64;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  MainWindow(Program& program, ImageSurface& surface, ErrorRecordStore& records,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // The control's widget by name or alias (QLineEdit, QLabel or
  // QPushButton); nullptr when the form has none.
  QWidget* control(std::string_view name) const;

  // Shows the warning box of a run-time error; tests replace it.
  std::function<void(const QString& title, const QString& message, int code)> show_error;
  // The break watch of running handlers; tests replace its keyboard query.
  BreakWatch& break_watch() { return break_watch_; }

  // Ended after a reported run-time error; the program's exit status then.
  bool ended() const { return ended_; }
  int exit_status() const { return exit_status_; }

  // Puts the drawing, without the controls, on the clipboard as a bitmap.
  void copy_drawing();
  // Asks for a path and writes the last completed run there as JSON or CSV.
  void export_run(bool json);
  // Opens the swing map of the last completed run in a window of its own.
  void show_swing_map();

 signals:
  void ended_with(int status);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void build_controls();
  void user_edited(int index, const QString& text);
  void clicked(int index);
  void handler_set_text(int index, const std::string& text);
  void run_events();
  void report(const RuntimeError& error);
  void keep_painted();

  Program& program_;
  Form& form_;
  ImageSurface& surface_;
  ErrorRecordStore& records_;
  std::vector<QWidget*> widgets_;
  BreakWatch break_watch_;
  bool repaint_pending_ = false;
  QElapsedTimer painted_;  // since the last paint of a running handler
  std::uint32_t polls_ = 0;
  bool close_requested_ = false;
  bool reporting_ = false;
  bool ended_ = false;
  int exit_status_ = 0;
};

}  // namespace frame::qt
