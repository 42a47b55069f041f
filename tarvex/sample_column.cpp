#include "tarvex/sample_column.h"

#include "frame/numtext.h"

namespace tarvex {

SampleColumn::SampleColumn(float from, float letters, frame::Where where)
    : column_(from, letters, where) {
  const std::int32_t first = frame::whole_number(from, frame::Kind::Long, where);
  const std::int32_t width = frame::whole_number(letters, frame::Kind::Long, where);
  valid_ = first >= 1 && width >= 0;
  if (valid_) {
    start_ = static_cast<std::size_t>(first) - 1;
    letters_ = static_cast<std::size_t>(width);
  }
}

double SampleColumn::general_value(std::string_view text, frame::Where where) {
  return frame::text_to_number(text, where).value;
}

}  // namespace tarvex
