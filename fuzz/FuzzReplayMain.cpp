// Runs a fuzz target over files and folders of inputs, as the normal test run does with each
// target's seed corpus and the inputs it was ever found to fail on.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int Replay(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
                if (entry.is_regular_file())
                    count += Replay(entry.path());
            }
        } else if (std::filesystem::is_regular_file(path)) {
            count += Replay(path);
        }
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}
