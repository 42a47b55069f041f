// How many threads a run may use.
#pragma once

namespace frame {

// TOOLS_THREADS from the environment when it is a whole number from 1 to
// 256, otherwise the processor's cores (1 at least). With one, everything
// runs on the calling thread.
int thread_count();

}  // namespace frame
