#include "run.h"

// The station configuration is built in: arguments change nothing.
int main(int, char**) {
    udpProtocol();
    return 0;
}
