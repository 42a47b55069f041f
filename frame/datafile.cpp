// Comment test and column cut of the data file.
#include "frame/datafile.h"

#include <utility>

#include "frame/numtext.h"

namespace frame {

CommentMark::CommentMark(std::string mark)
    : mark_(std::move(mark)), length_(mark_.empty() ? 1 : mark_.size()) {}

bool CommentMark::is_comment(std::string_view line) const {
  // The first L characters (or the whole of a shorter line) against the mark;
  // with an empty mark L is 1 and only an empty line is equal to it.
  return line.substr(0, length_) == mark_;
}

DataColumn::DataColumn(float from, float letters, Where where)
    : from_(whole_number(from, Kind::Long, where)),
      letters_(whole_number(letters, Kind::Long, where)) {}

double DataColumn::value(std::string_view line, Where where) const {
  // The cut checks its arguments on every line; an impossible column is
  // therefore noticed at the first data line, not when the fields are read.
  if (from_ < 1 || letters_ < 0) raise(err::kInvalidCall, where);
  const auto start = static_cast<std::size_t>(from_ - 1);
  if (start >= line.size()) return 0;  // column beyond the line: empty text, 0
  return text_to_number(line.substr(start, static_cast<std::size_t>(letters_)), where).value;
}

}  // namespace frame
