// Waits on port 67 until the instrument's request arrives; every other
// datagram is announced, rejected and dropped.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bootp/bootp.h"
#include "run_state.h"

namespace bootp {

void wait_for_request() {
    for (;;) {
        std::printf("Waiting for data...");
        std::fflush(stdout);

        // Zeroed on every pass, so a short datagram reads as zero past its end
        // and nothing of an earlier one survives into the reply.
        std::memset(BOOTPlistenBUF, 0, sizeof BOOTPlistenBUF);
        std::memset(BOOTPreplyBUF, 0, sizeof BOOTPreplyBUF);

        int from_len = sizeof BOOTPIncoming;
        recv_len = net::recvfrom(BOOTPlisten, BOOTPlistenBUF, sizeof BOOTPlistenBUF, 0,
                                 &BOOTPIncoming, &from_len);
        if (recv_len == -1) {
            const int error = net::last_error();
            std::printf("recvfrom() failed with error code : %d\n length of message:%d Buffer Size:%d",
                        error, recv_len, static_cast<int>(sizeof BOOTPlistenBUF));
            std::exit(1);
        }

        std::printf("Received packet from %s from their port %d\n", net::inet_ntoa(BOOTPIncoming.addr),
                    net::ntoh16(BOOTPIncoming.port));
        if (is_instrument_request(BOOTPlistenBUF, BOOTPIncoming.addr)) return;
        std::printf("We are looking for a packet from %s, so this message was rejected\n", "0.0.0.0");
    }
}

}  // namespace bootp
