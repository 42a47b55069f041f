// What a program hands the frame's start-up: a factory that builds it (form,
// handlers bound, control variables bound) on the platform's dialogs and
// drawing surface.
#pragma once

#include <functional>
#include <memory>

#include "frame/dialogs.h"
#include "frame/form.h"
#include "frame/surface.h"
#include "frame/textfile.h"

namespace frame {

class Exports;

class Program {
 public:
  virtual ~Program() = default;
  virtual Form& form() = 0;
  virtual FileTable& files() = 0;
  // The exports of the last completed run; null for a program without any.
  virtual Exports* exports() { return nullptr; }
};

// Builds the program. Binding a control name the form lacks raises 1013.
using ProgramFactory =
    std::function<std::unique_ptr<Program>(FileDialogs& dialogs, Surface& surface)>;

// The program's main: without arguments the window (where the build has one),
// with arguments the headless driver. Returns the exit status.
int program_main(int argc, char** argv, const FormDesc& desc, ProgramFactory factory);

}  // namespace frame
