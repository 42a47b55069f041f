// A small program on the sample form, as the driver's tests and its fuzz
// harness run it: Refer chooses the data file, Check counts its data lines,
// Calc. writes "half" to the report and then divides 1 by From (error 11
// while From is empty), and TEXT1 follows From (set back to "1" when it
// grows past six characters: a change that raises another).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "frame/datafile.h"
#include "frame/dialogs.h"
#include "frame/numtext.h"
#include "frame/program.h"
#include "tests/support/sample_form.h"

namespace test_support {

struct SampleProgram : frame::Program {
  // `at`: where a file name of the form is opened (the name itself by
  // default); `extra_control`: a name bound at start-up.
  explicit SampleProgram(frame::FileDialogs& dialogs,
                         std::function<std::string(const std::string&)> at = {},
                         std::string_view extra_control = {})
      : at_(at ? std::move(at) : [](const std::string& name) { return name; }) {
    using frame::Kind, frame::Sep;
    if (!extra_control.empty()) form_.bind(extra_control);
    form_.bind_handlers({
        {"BUTTON1_ON",
         [this, d = &dialogs] {
           frame::refer(form_, *d, frame::DialogKind::Open, "Data for FFT", "*.*", "Data File(*.*)",
                        data_);
         }},
        {"BUTTON2_ON",
         [this] {
           const frame::CommentMark mark(form_.text(mark_));
           files_.open("I", 1, at_(form_.text(data_)));
           float count = 0;
           while (!files_.eof(1)) {
             if (mark.is_data(files_.read_line(1))) count = count + 1;
           }
           files_.close({1});
           form_.set_text(count_, "Number of Data:" + frame::free_form(count, Kind::Single));
         }},
        {"BUTTON3_ON",
         [this] {
           frame::create_output(files_, 2, at_(form_.text(report_)));
           files_.write_text(2, "half", Sep::EndOfLine);
           failing_line = __LINE__ + 1;
           const double q = frame::checked_div(1, frame::val(form_.text(from_)));
           files_.write_number(2, q, Kind::Double, Sep::EndOfLine);
           files_.close({2});
         }},
        {"EDIT2_CHANGE",
         [this] {
           form_.set_text(text1_, "From " + form_.text(from_));
           if (form_.text(from_).size() > 6) form_.set_text(from_, "1");
         }},
    });
  }
  frame::Form& form() override { return form_; }
  frame::FileTable& files() override { return files_; }

  unsigned failing_line = 0;  // the statement of Calc. that divides

 private:
  std::function<std::string(const std::string&)> at_;
  frame::Form form_{kSampleForm};
  frame::FileTable files_;
  frame::ControlRef mark_ = form_.bind("EDIT1"), from_ = form_.bind("EDIT2"),
                    data_ = form_.bind("EDIT3"), report_ = form_.bind("EDIT4"),
                    text1_ = form_.bind("TEXT1"), count_ = form_.bind("TEXT2");
};

}  // namespace test_support
