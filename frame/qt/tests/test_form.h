// A small program of our own for the window tests: a digits-only field, a
// free field, a label and buttons whose handlers log what they do.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "frame/program.h"

namespace qt_test {

using frame::ControlKind;

inline constexpr std::array<frame::ControlDesc, 6> kControls = {{
    {"EDIT1", ControlKind::Edit, "", 10, 10, 60, 21, 4, true, "number"},
    {"EDIT2", ControlKind::Edit, "abc", 10, 40, 120, 21, 8, false, "name"},
    {"TEXT1", ControlKind::Static, "Count:0", 10, 70, 150, 16, 0, false, "count"},
    {"BUTTON1", ControlKind::Button, "Slow", 10, 100, 60, 20, 0, false, "slow"},
    {"BUTTON2", ControlKind::Button, "Two", 80, 100, 60, 20, 0, false, "two"},
    {"BUTTON3", ControlKind::Button, "Fail", 150, 100, 60, 20, 0, false, "fail"},
}};

// The handlers live in this file, second in the table: statements 1000 + line.
inline constexpr std::string_view kStatementFiles[] = {"frame/qt/tests/window_test.cpp",
                                                       "frame/qt/tests/test_form.h"};

inline const frame::FormDesc kForm{"testprog",     308, 226, "FixedSys", 18, kControls,
                                   kStatementFiles};

class TestProgram : public frame::Program {
 public:
  TestProgram() : form_(kForm) {
    form_.bind_handlers({
        {"EDIT1_CHANGE", [this] { log.push_back("EDIT1_CHANGE " + form_.text(EDIT1)); }},
        {"BUTTON1_ON",
         [this] {
           log.push_back("BUTTON1 start");
           if (during_slow) during_slow();
           form_.set_text(EDIT1, "12345678x");  // longer than typed, not digits
           form_.set_text(TEXT1, "Count:" + std::to_string(log.size()));
           log.push_back("BUTTON1 end");
         }},
        {"BUTTON2_ON", [this] { log.push_back("BUTTON2"); }},
        {"BUTTON3_ON",
         [this] {
           frame::create_output(files_, 1, output_path);
           files_.write_text(1, "half", frame::Sep::EndOfLine);
           fail_line = __LINE__, files_.open("I", 2, "/nonexistent-folder/none.txt");  // 63
           log.push_back("BUTTON3 after the error");
         }},
    });
  }
  frame::Form& form() override { return form_; }
  frame::FileTable& files() override { return files_; }

  std::vector<std::string> log;
  std::function<void()> during_slow;
  std::string output_path;
  unsigned fail_line = 0;  // the line of BUTTON3_ON's failing statement

 private:
  frame::Form form_;
  frame::FileTable files_;
  frame::ControlRef EDIT1 = form_.bind("EDIT1"), TEXT1 = form_.bind("TEXT1");
};

}  // namespace qt_test
