// Sends the instrument this computer's time three times, at growing intervals.
#include <cstring>

#include "ntp/ntp.h"
#include "run_state.h"

namespace ntp {

namespace {
constexpr int kPushes = 3;
}  // namespace

void push_time() {
    if (net::bind(NTPreply, &NTPReplyInterface, sizeof NTPReplyInterface) == -1)
        fail_with_last_error("Bind failed with error code : %d");

    // 1, 2 and 3 seconds apart, the wait before each send.
    for (int r = 1; r <= kPushes; ++r) {
        net::sleep_ms(static_cast<unsigned>(r) * 1000);
        std::memset(NTPBUF, 0, sizeof NTPBUF);
        const std::size_t len = layout_time_message(NTPBUF, net::time_now());
        if (net::sendto(NTPreply, NTPBUF, static_cast<int>(len), 0, &NTPReplyAddr, sizeof NTPReplyAddr) == -1)
            fail_with_last_error("sendto() failed with error code : %d");
    }
}

}  // namespace ntp
