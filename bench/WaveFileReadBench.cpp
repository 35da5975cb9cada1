#include "wavegate/CWaveFileRead.h"
#include "wavegate/CWaveFileWrite.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// WAV files of a given size in MB, written once into a temporary folder that goes at exit.
class Files {
public:
    ~Files()
    {
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }

    const std::string& of(int megabytes)
    {
        auto it = m_paths.find(megabytes);
        if (it != m_paths.end())
            return it->second;
        std::filesystem::create_directories(m_folder);
        const std::string path = (m_folder / (std::to_string(megabytes) + "MB.wav")).string();
        CWaveFileWrite writer;
        WG_DevFormat format;
        CWGDevice::FillFormat(&format, 13);
        writer.SetFormat(&format);
        writer.SetFilename(path.c_str());
        writer.Open(0);
        std::vector<uint8_t> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<uint8_t>(i * 31);
        WG_WaveHeader header{block.data(), static_cast<uint32_t>(block.size()), static_cast<uint32_t>(block.size())};
        for (int i = 0; i < megabytes; ++i)
            writer.Write(&header);
        writer.Close();
        return m_paths.emplace(megabytes, path).first->second;
    }

private:
    std::filesystem::path m_folder =
        std::filesystem::temp_directory_path() / ("quavix-wave-bench-" + std::to_string(::getpid()));
    std::map<int, std::string> m_paths;
};

Files& files()
{
    static Files instance;
    return instance;
}

// Reads the whole sound in 64 KB blocks, as a player reads but without stopping.
void BM_ReadWaveFile(benchmark::State& state)
{
    const std::string& path = files().of(static_cast<int>(state.range(0)));
    std::vector<uint8_t> block(64 * 1024);
    int64_t bytes = 0;
    for (auto _ : state) {
        CWaveFileRead reader;
        reader.SetFilename(path.c_str());
        if (!reader.Open(0)) {
            state.SkipWithError("cannot open the file");
            return;
        }
        int n = 0;
        while ((n = reader.Read(block.data(), static_cast<int>(block.size()))) > 0)
            bytes += n;
    }
    state.SetBytesProcessed(bytes);
}

// The same file through cat, for the speed of the disk and the page cache.
void BM_CatWaveFile(benchmark::State& state)
{
    const std::string& path = files().of(static_cast<int>(state.range(0)));
    const std::string command = "cat '" + path + "' > /dev/null";
    const auto size = static_cast<int64_t>(std::filesystem::file_size(path));
    int64_t bytes = 0;
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cat failed");
            return;
        }
        bytes += size;
    }
    state.SetBytesProcessed(bytes);
}

BENCHMARK(BM_ReadWaveFile)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CatWaveFile)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
