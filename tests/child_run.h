// Runs the tool over the fake platform in a child process, so that its exit
// status, its console and everything it did on the fake network can be
// checked, failures that end the process included.
#pragma once

#include <functional>
#include <string>

#include "fake_net.h"

struct Outcome {
    std::string out;  // standard output, byte for byte
    std::string err;  // the error stream
    int status;       // the exit status, or 128 + the signal that ended it
};

class FakeRun {
public:
    FakeRun();  // an empty script in memory shared with the child
    ~FakeRun();
    FakeRun(const FakeRun&) = delete;
    FakeRun& operator=(const FakeRun&) = delete;

    fake::Net* net() { return net_; }

    // Runs `body` in a child with the fake in place; its return is the exit status.
    Outcome run(const std::function<int()>& body);

private:
    fake::Net* net_;
};
