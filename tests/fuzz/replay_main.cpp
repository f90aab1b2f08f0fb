// Replays a fuzz target's corpus without libFuzzer: every file of the folders
// (or the files) named on the command line goes once through the target's
// entry function, in name order, so that each test run checks past findings
// again. A violated invariant stops the program (FUZZ_CHECK traps).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size);

namespace
{

std::vector<std::filesystem::path> Inputs(int argc, char** argv)
{
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i)
    {
        const std::filesystem::path path(argv[i]);
        if (!std::filesystem::is_directory(path))
        {
            inputs.push_back(path);
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(path))
        {
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        }
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::filesystem::path> inputs = Inputs(argc, argv);
    // An empty corpus would pass without checking anything.
    if (inputs.empty())
    {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    for (const auto& input : inputs)
    {
        std::ifstream in(input, std::ios::binary);
        if (!in)
        {
            std::fprintf(stderr, "cannot open %s\n", input.string().c_str());
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::printf("%s (%zu bytes)\n", input.filename().string().c_str(), bytes.size());
        std::fflush(stdout);
        (void)LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
