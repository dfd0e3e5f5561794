// The reply phase: lays the reply out in the reply buffer.
#include <cstdio>

#include "bootp/bootp.h"
#include "run_state.h"

namespace bootp {

int build_reply() {
    std::puts("\tParsing");
    return static_cast<int>(layout_reply(BOOTPlistenBUF, BOOTPreplyBUF));
}

}  // namespace bootp
