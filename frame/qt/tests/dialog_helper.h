// Answers the next modal file dialog from inside its own event loop.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <functional>

namespace qt_test {

// Calls answer with the dialog as soon as one is shown (checked every few
// milliseconds for up to two seconds); the answer accepts or rejects it.
inline void answer_next_dialog(std::function<void(QFileDialog*)> answer) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, answer] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr && ++*tries < 400) return;
    timer->stop();
    timer->deleteLater();
    if (dialog != nullptr) answer(dialog);
  });
  timer->start(5);
}

}  // namespace qt_test
