// A stand-in for libFuzzer's main, for builds without clang's fuzzer runtime: runs the target's
// LLVMFuzzerTestOneInput once on every file named on the command line, and on every regular file of
// every folder named there (sorted by name). A failed check aborts the program, so CTest sees a crash.
// Arguments that start with '-' (libFuzzer options) are ignored. Exits 1 when no input was found, so a
// wrong corpus path cannot pass as a clean run.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace
{

bool readFile(const std::filesystem::path& path, std::vector<uint8_t>* bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);

    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            continue;
        const std::filesystem::path arg(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(arg, error)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(arg, error))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else {
            inputs.push_back(arg);
        }
        if (error) {
            std::fprintf(stderr, "%s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
    }

    std::vector<uint8_t> bytes;
    for (const auto& path : inputs) {
        if (!readFile(path, &bytes)) {
            std::fprintf(stderr, "%s: cannot read\n", path.c_str());
            return 1;
        }
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%s: replayed %zu inputs\n", argc > 0 ? argv[0] : "replay", inputs.size());
    return inputs.empty() ? 1 : 0;
}
