// The code of the run-time error an action raises, or 0 when it raises none.
#pragma once

#include "frame/errors.h"

namespace frame {

inline int code_of(auto&& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return 0;
}

}  // namespace frame
