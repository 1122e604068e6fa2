// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target's entry point once over each file named, or each file in each folder named, so the
// targets build in every normal build and their kept inputs are checked by the test run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsOf(const fs::path& argument) {
    std::vector<fs::path> files;
    std::error_code error;
    if (fs::is_directory(argument, error)) {
        for (const auto& entry : fs::directory_iterator(argument, error)) {
            if (entry.is_regular_file(error)) files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());  // the same order on every run, for a readable log
    } else {
        files.push_back(argument);
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& file : inputsOf(argv[i])) {
            std::ifstream in(file, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
                return 1;
            }
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    // A corpus that went missing must not pass as an empty success.
    return replayed > 0 ? 0 : 1;
}
