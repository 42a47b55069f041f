// "Check": counts the data lines of the data file.
#include <cstdint>
#include <string_view>

#include "frame/datafile.h"
#include "frame/numtext.h"
#include "tarvex/app.h"

namespace tarvex {

void App::BUTTON3_ON() {
  const std::string path = text(EDIT4);
  const frame::CommentMark mark(text(EDIT1));
  // One byte compared per line for the usual one-character mark.
  // Neither the column nor the values matter here: every line that is not a
  // comment line counts. The count is kept exactly (a single would stop
  // counting at 16,777,216 lines) and shown through the single free form.
  files_.open("I", 1, path);
  std::int64_t count = 0;
  while (!files_.eof(1)) {
    for (const std::string_view line : files_.read_lines(1)) {
      form_.poll();
      if (!mark.is_comment(line)) count += 1;
    }
  }
  files_.close({1});
  form_.set_text(
      TEXT5, "Number of Data:" + frame::free_form(static_cast<double>(count), frame::Kind::Single));
}

}  // namespace tarvex
