// Replays a fuzz target's checked-in corpus as an ordinary test, so that every build runs the
// seeds (and the inputs that once found a fault) through the target's checks.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(FuzzCorpus, EveryInputPassesTheTargetsChecks) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VEGAL_FUZZ_CORPUS)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        SCOPED_TRACE(entry.path().string());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++inputs;
    }
    EXPECT_GT(inputs, 0) << "no seeds in " << VEGAL_FUZZ_CORPUS;
}
