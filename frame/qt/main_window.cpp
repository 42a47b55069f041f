#include "frame/qt/main_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>

#include "frame/export.h"
#include "frame/qt/error_report.h"
#include "frame/qt/field_edit.h"
#include "frame/qt/program_icon.h"
#include "frame/qt/swing_map_window.h"

namespace frame::qt {

namespace {

// The busy cursor over the whole application while a handler runs.
struct BusyCursor {
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

QString from_bytes(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string to_bytes(const QString& s) {
  const QByteArray utf8 = s.toUtf8();
  return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

int non_digits(const QString& s) {
  int count = 0;
  for (const QChar c : s) {
    if (c < u'0' || c > u'9') ++count;
  }
  return count;
}

// Black text on white, for the form and every control.
QPalette form_palette() {
  QPalette palette;
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Window, Qt::white);
    palette.setColor(group, QPalette::Base, Qt::white);
    palette.setColor(group, QPalette::WindowText, Qt::black);
    palette.setColor(group, QPalette::Text, Qt::black);
  }
  // An edit field's selection stays as visible when the focus is elsewhere.
  for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  return palette;
}

// A label's caption that is wider than its box at the control font gets the
// largest smaller pixel size at which it fits (tarvex's narrow labels, such
// as "Mark of Cmt." in 98 pixels); every other control keeps 12 points.
QFont fitted_font(const QFont& font, const QString& caption, int width) {
  if (QFontMetrics(font).horizontalAdvance(caption) <= width) return font;
  QFont smaller = font;
  int pixels = QFontInfo(font).pixelSize();
  while (pixels > 8) {
    smaller.setPixelSize(--pixels);
    if (QFontMetrics(smaller).horizontalAdvance(caption) <= width) break;
  }
  return smaller;
}

}  // namespace

QSize client_size(const FormDesc& desc) {
  return QSize(desc.outer_width - kFrameWidth, desc.outer_height - kFrameHeight);
}

QFont control_font() {
  QFont font;
  font.setFamilies({from_bytes(kControlFont), QStringLiteral("Liberation Mono")});
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSize(kControlFontPoints);
  return font;
}

QValidator::State TypedLimit::validate(QString& input, int&) const {
  if (input.size() > max_length_ && input.size() > before_.size()) return Invalid;
  if (digits_only_ && non_digits(input) > non_digits(before_)) return Invalid;
  before_ = input;  // the field takes it
  return Acceptable;
}

MainWindow::MainWindow(Program& program, ImageSurface& surface, ErrorRecordStore& records,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      program_(program),
      form_(program.form()),
      surface_(surface),
      records_(records) {
  const FormDesc& desc = form_.desc();
  setObjectName(QStringLiteral("MAINFORM"));
  setWindowTitle(from_bytes(desc.program));
  setWindowIcon(QIcon(QPixmap::fromImage(program_icon(desc.program))));
  setFixedSize(client_size(desc));
  setPalette(form_palette());
  setAutoFillBackground(false);  // paintEvent paints the drawing, white where none
  setAcceptDrops(false);

  show_error = [this](const QString& title, const QString& message, int code) {
    show_error_box(this, title, message, code);
  };
  build_controls();

  form_.on_text_changed = [this](int index, const std::string& text) {
    handler_set_text(index, text);
  };
  form_.on_poll = [this] {
    if (break_watch_.check()) throw BreakRequest{};
    keep_painted();
  };
  surface_.on_change = [this] {
    if (!repaint_pending_) {
      repaint_pending_ = true;
      update();
    }
  };

  // Centred on the screen by the outer size of the form.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - desc.outer_width) / 2,
         area.y() + (area.height() - desc.outer_height) / 2);
  }
}

MainWindow::~MainWindow() {
  form_.on_text_changed = nullptr;
  form_.on_poll = nullptr;
  surface_.on_change = nullptr;
}

void MainWindow::build_controls() {
  const QFont font = control_font();
  const QPalette palette = form_palette();
  widgets_.reserve(static_cast<std::size_t>(form_.control_count()));
  for (int i = 0; i < form_.control_count(); ++i) {
    const ControlDesc& c = form_.control(i);
    const QString text = from_bytes(form_.text(ControlRef{i}));
    QWidget* widget = nullptr;
    switch (c.kind) {
      case ControlKind::Edit: {
        auto* edit = new FieldEdit(this);
        edit->setMaxLength(32767);  // the typed limit is the validator's
        auto* limit = new TypedLimit(edit, c.max_length, c.digits_only);
        edit->setValidator(limit);
        edit->setText(text);
        limit->shown(text);
        connect(edit, &QLineEdit::textChanged, limit, &TypedLimit::shown);
        edit->setCursorPosition(0);
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& t) { user_edited(i, t); });
        widget = edit;
        break;
      }
      case ControlKind::Static: {
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFrameShape(QFrame::NoFrame);
        label->setAutoFillBackground(true);
        label->setFocusPolicy(Qt::NoFocus);
        label->setFont(fitted_font(font, text, c.w));
        widget = label;
        break;
      }
      case ControlKind::Button: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, i] { clicked(i); });
        widget = button;
        break;
      }
    }
    widget->setObjectName(from_bytes(c.name));
    if (c.kind != ControlKind::Static) widget->setFont(font);
    widget->setPalette(palette);
    widget->setGeometry(c.x, c.y, c.w, c.h);
    widgets_.push_back(widget);
  }
}

QWidget* MainWindow::control(std::string_view name) const {
  const std::optional<int> index = form_.find(name);
  if (!index) return nullptr;
  return widgets_[static_cast<std::size_t>(*index)];
}

// A user's change of an edit field: the form's text follows the widget, the
// field's CHANGE is queued, and the queue runs.
void MainWindow::user_edited(int index, const QString& text) {
  if (ended_) return;
  form_.set_text(ControlRef{index}, to_bytes(text));
  run_events();
}

void MainWindow::clicked(int index) {
  if (ended_) return;
  form_.raise_event(index, "ON");
  run_events();
}

// A text the form took (set by a handler, or the user's own typing coming
// back): shown as set, without a second CHANGE, since the form has already
// queued the one this change raises.
void MainWindow::handler_set_text(int index, const std::string& text) {
  QWidget* widget = widgets_[static_cast<std::size_t>(index)];
  const QString shown = from_bytes(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (edit->text() == shown) return;
    {
      const QSignalBlocker block(edit);
      edit->setText(shown);
      edit->setCursorPosition(0);  // a set text shows from its start
    }
    if (auto* limit = qobject_cast<const TypedLimit*>(edit->validator())) {
      const_cast<TypedLimit*>(limit)->shown(shown);
    }
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(shown);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(shown);
  }
}

// Runs the queued events to the end. The handlers run inside this slot, so
// the window takes no input until they have all finished: clicks, typing and
// a close request made meanwhile wait in the window system's queue and arrive
// afterwards, in order.
void MainWindow::run_events() {
  try {
    // The busy cursor is gone again before an error box is shown.
    const BusyCursor busy;
    painted_.start();
    form_.run_pending();
  } catch (const RuntimeError& error) {
    report(error);
    return;
  } catch (const BreakRequest&) {
    // The break key stops the running handler where it checked; the files
    // it had open are closed as they are, and the window carries on.
    program_.files().abandon();
  }
  if (close_requested_ && !form_.running()) close();
}

// A run-time error: the record first, then the box, then the program ends.
void MainWindow::report(const RuntimeError& error) {
  if (reporting_) return;  // an error while reporting is not reported again
  reporting_ = true;
  const FormDesc& desc = form_.desc();
  ErrorRecord record = make_record(error, desc.program, desc.statement_files);
  record.mode = kRecordMode;
  record.rtl = kRecordRtl;
  records_.write(record);
  const QString message =
      QString::fromStdString(error_message(desc.program, record.line, error.code()));
  show_error(error_box_title(desc.program), message, error.code());
  program_.files().abandon();
  ended_ = true;
  exit_status_ = 1;
  emit ended_with(exit_status_);
  close();
}

// Called at the long handlers' regular checks: the window takes no input
// while they run, but every kRepaintInterval its drawing and the texts the
// handler has set are painted, so that the user sees it is working.
void MainWindow::keep_painted() {
  if (++polls_ % kRepaintCheckInterval != 0) return;
  if (!painted_.isValid() || painted_.elapsed() < kRepaintInterval.count()) return;
  repaint();
  painted_.start();
}

void MainWindow::paintEvent(QPaintEvent*) {
  repaint_pending_ = false;
  QPainter painter(this);
  painter.drawImage(0, 0, surface_.image());
}

// The window closes only between handlers; a request that reaches it while
// one runs (from a dialog's own event loop) is carried out when it ends.
void MainWindow::closeEvent(QCloseEvent* event) {
  if (form_.running() && !ended_) {
    close_requested_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

// The copy command: a menu on the form (not on its edit fields, which have
// their own) with the access key Y.
void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(QStringLiteral("Cop&y drawing"), this, &MainWindow::copy_drawing);
  // The exports of the last completed run, and mulrin's swing map.
  if (Exports* exports = program_.exports()) {
    const bool done = exports->has_run() && !form_.running();
    menu.addAction(QStringLiteral("Export CSV…"), this, [this] { export_run(false); })
        ->setEnabled(done);
    menu.addAction(QStringLiteral("Export JSON…"), this, [this] { export_run(true); })
        ->setEnabled(done);
    if (exports->has_map()) {
      menu.addAction(QStringLiteral("Show swing map"), this, &MainWindow::show_swing_map)
          ->setEnabled(done);
    }
  }
  menu.exec(event->globalPos());
}

void MainWindow::export_run(bool json) {
  Exports* exports = program_.exports();
  if (!exports || !exports->has_run()) return;
  const QString path = QFileDialog::getSaveFileName(
      this, json ? QStringLiteral("Export JSON") : QStringLiteral("Export CSV"),
      QString::fromUtf8(form_.desc().program.data(),
                        static_cast<qsizetype>(form_.desc().program.size())) +
          (json ? QStringLiteral(".json") : QStringLiteral(".csv")),
      json ? QStringLiteral("JSON (*.json)") : QStringLiteral("CSV (*.csv)"));
  if (path.isEmpty()) return;
  // A file that cannot be written is a run-time error like any other.
  try {
    if (json) {
      exports->write_json(path.toStdString());
    } else {
      exports->write_csv(path.toStdString());
    }
  } catch (const RuntimeError& error) {
    report(error);
  }
}

void MainWindow::show_swing_map() {
  Exports* exports = program_.exports();
  if (!exports || !exports->has_run() || !exports->has_map()) return;
  auto* window = new SwingMapWindow(exports->map(), this);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
}

void MainWindow::copy_drawing() {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) {
    clipboard->setImage(surface_.image());
  }
}

}  // namespace frame::qt
