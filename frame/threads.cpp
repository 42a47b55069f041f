#include "frame/threads.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "frame/usage.h"

namespace frame {

int thread_count() {
  if (const char* text = std::getenv(std::string(kThreadsVariable).c_str())) {
    int n = 0;
    const char* end = text + std::strlen(text);
    const auto [at, ec] = std::from_chars(text, end, n);
    if (ec == std::errc() && at == end && n >= 1 && n <= 256) return n;
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores >= 1 ? static_cast<int>(std::min(cores, 256U)) : 1;
}

}  // namespace frame
