// Runs the fuzz target once over each file named on the command line, so
// that the seed corpus is a regression test wherever libFuzzer is missing.
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::FILE* f = std::fopen(argv[i], "rb");
        if (!f) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        std::vector<std::uint8_t> bytes;
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
        std::fclose(f);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        std::printf("%s: %zu bytes, fine\n", argv[i], bytes.size());
    }
    return 0;
}
