// Every input that ever broke a library fuzz target, and every seed, runs
// through the same checks as in the fuzzer, here without clang's fuzzer
// runtime, and in the sanitizer build of these tests under the sanitizers.
#include "../fuzz/harness/library_targets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace kestrun_fuzz {

// Names the target in test listings instead of its bytes.
void PrintTo(const FuzzTarget &target, std::ostream *out)
{
    *out << target.name;
}

} // namespace kestrun_fuzz

namespace {

namespace fs = std::filesystem;
using kestrun_fuzz::FuzzTarget;

[[noreturn]] void throwFailure(const kestrun_fuzz::CheckFailure &failure)
{
    throw failure;
}

std::vector<fs::path> inputsOf(const std::string &target)
{
    const fs::path data(KESTRUN_TEST_DATA);
    std::vector<fs::path> inputs;
    for (const fs::path &folder :
         {data / "crashers" / target, data / ".." / "fuzz" / "corpus" / target}) {
        if (!fs::is_directory(folder))
            continue;
        for (const fs::directory_entry &entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        }
    }
    return inputs;
}

std::vector<uint8_t> readInput(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

class CrashCorpus : public testing::TestWithParam<FuzzTarget> {};

} // namespace

TEST_P(CrashCorpus, EveryKeptInputPassesTheFuzzChecks)
{
    kestrun_fuzz::failureHandler() = throwFailure;
    const std::vector<fs::path> inputs = inputsOf(GetParam().name);
    EXPECT_FALSE(inputs.empty());
    for (const fs::path &path : inputs) {
        const std::vector<uint8_t> input = readInput(path);
        try {
            GetParam().run(input.data(), input.size());
        } catch (const kestrun_fuzz::CheckFailure &failure) {
            ADD_FAILURE() << path << ": " << failure.file << ":" << failure.line << ": "
                          << failure.condition;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Library, CrashCorpus, testing::ValuesIn(kestrun_fuzz::kLibraryTargets),
                         [](const testing::TestParamInfo<FuzzTarget> &info) {
                             return std::string(info.param.name);
                         });
