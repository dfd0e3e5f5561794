#pragma once

// One whole run: start-up, the request, the reply, the clock push, teardown.
// Returns 0 after a complete run; a failure ends the process with status 1.
int udpProtocol();
