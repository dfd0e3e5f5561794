#include "child_run.h"

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string slurp(std::FILE* f) {
    std::string text;
    std::rewind(f);
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    return text;
}

}  // namespace

FakeRun::FakeRun() {
    void* shared = mmap(nullptr, sizeof(fake::Net), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) std::abort();
    net_ = static_cast<fake::Net*>(shared);  // zero-filled by the system
}

FakeRun::~FakeRun() { munmap(net_, sizeof(fake::Net)); }

Outcome FakeRun::run(const std::function<int()>& body) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (!out || !err) std::abort();
    // Nothing the test process has buffered may be written twice.
    std::fflush(nullptr);

    const pid_t child = fork();
    if (child == -1) std::abort();
    if (child == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        fake::g_net = net_;
        std::exit(body());  // flushes standard output, as the tool's own exit does
    }

    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    Outcome o;
    o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    o.out = slurp(out);
    o.err = slurp(err);
    std::fclose(out);
    std::fclose(err);
    return o;
}
