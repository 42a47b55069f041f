// Comment test and column cut of the data file.
#include "frame/datafile.h"

#include <utility>

namespace frame {

CommentMark::CommentMark(std::string mark)
    : mark_(std::move(mark)),
      length_(mark_.empty() ? 1 : mark_.size()),
      single_(mark_.size() == 1),
      first_(mark_.empty() ? '\0' : mark_.front()) {}

DataColumn::DataColumn(float from, float letters, Where where) {
  const std::int32_t first = whole_number(from, Kind::Long, where);
  const std::int32_t width = whole_number(letters, Kind::Long, where);
  usable_ = first >= 1 && width >= 0;
  if (usable_) {
    start_ = static_cast<std::size_t>(first) - 1;
    letters_ = static_cast<std::size_t>(width);
  }
}

}  // namespace frame
