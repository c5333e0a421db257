// Runs a fuzz target's entry point once on each file given, or on each file in
// each folder given (a folder that does not exist holds none), without
// libFuzzer: the crash inputs kept under
// fuzz/regressions and the starting corpus run this way as ordinary tests, in
// every build, so a fixed crash stays fixed.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Run(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << path << '\n';
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int inputs = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::vector<fs::path> files;
        if (!fs::exists(arg)) {
            continue;
        }
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::directory_iterator(arg)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
        } else {
            files.push_back(arg);
        }
        for (const auto& f : files) {
            ok = Run(f) && ok;
            ++inputs;
        }
    }
    std::cout << inputs << " inputs\n";
    return ok ? 0 : 1;
}
