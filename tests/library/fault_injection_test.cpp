// Failures from outside the library's control: memory that cannot be had,
// and files that claim the far end of the address space. Each case runs in
// a forked child, so that its limits and any crash stay there; the child
// sends its results back through a pipe.
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kestrun_test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr uint64_t kMiB = 1024 * 1024;

struct ChildOutcome {
    bool exitedNormally = false;
    int signal = 0;
    std::vector<int64_t> values;
};

// Runs `body` in a child; whatever it returns comes back in `values`.
template <typename Body> ChildOutcome inChild(Body body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::vector<int64_t> values = body();
        const ssize_t bytes = ssize_t(values.size() * sizeof(int64_t));
        _exit(write(fds[1], values.data(), size_t(bytes)) == bytes ? 0 : 1);
    }
    close(fds[1]);
    ChildOutcome outcome;
    int64_t value = 0;
    while (read(fds[0], &value, sizeof value) == ssize_t(sizeof value))
        outcome.values.push_back(value);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.exitedNormally = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return outcome;
}

uint64_t addressSpaceInUse()
{
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    return pages * uint64_t(sysconf(_SC_PAGESIZE));
}

void limitAddressSpace(uint64_t bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_AS, &limit);
}

uint64_t peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return uint64_t(usage.ru_maxrss) * 1024;
}

struct Load {
    std::string text;
    uint32_t start = 0;
    uint32_t end = 0;
    uint32_t capacity = 64;
};

int32_t run(const Load &load, uint32_t *imageSize = nullptr)
{
    std::vector<uint8_t> image(load.capacity);
    uint32_t size = 0;
    uint32_t end = load.end;
    const int32_t result = HexToBinary(load.text.c_str(), image.data(), int32_t(load.text.size()),
                                       load.capacity, &size, &load.start, &end, 0xFF, 0, nullptr);
    if (imageSize)
        *imageSize = size;
    return result;
}

} // namespace

// `mebibytes` of data from address 0 in records of 128 bytes.
std::string contiguousHex(uint32_t mebibytes)
{
    const std::vector<uint8_t> data = rampBytes(128, 0x21);
    std::vector<std::string> records;
    for (uint32_t upper = 0; upper < mebibytes * 16; ++upper) {
        records.push_back(linearRecord(uint16_t(upper)));
        for (uint32_t address = 0; address < 0x10000; address += 128)
            records.push_back(dataRecord(uint16_t(address), data));
    }
    return hexFile(records);
}

TEST(FaultInjection, TightAddressSpaceGivesNoMemory)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space";
    // Work memory follows the data: 8 MiB of data need about that much,
    // four bytes at 256 MiB need next to nothing.
    const Load much{contiguousHex(8), 0, 3, 4};
    const Load far{hexFile({linearRecord(0x1000), dataRecord(0, {1, 2, 3, 4})}), 0x10000000,
                   0x10000003, 4};
    struct LimitCase {
        const char *name;
        const Load &load;
        uint64_t headroom;
        int32_t result;
    };
    const LimitCase cases[] = {
        {"much data, ample room", much, 256 * kMiB, ResultOk},
        {"much data, 2 MiB of room", much, 2 * kMiB, ResultNoMemory},
        {"far data, 2 MiB of room", far, 2 * kMiB, ResultOk},
    };
    for (const LimitCase &row : cases) {
        SCOPED_TRACE(row.name);
        const ChildOutcome outcome = inChild([&] {
            limitAddressSpace(addressSpaceInUse() + row.headroom);
            return std::vector<int64_t>{run(row.load)};
        });
        ASSERT_TRUE(outcome.exitedNormally) << "signal " << outcome.signal;
        ASSERT_EQ(outcome.values.size(), 1u);
        EXPECT_EQ(outcome.values[0], row.result);
    }
}

TEST(FaultInjection, SparseRecordsOver4GiBNeedLittleMemory)
{
    // 2048 records of 16 bytes, 2 MiB apart from address 0 to the top of
    // the space, read with the window 0-FF: a 127 KB file whose memory must
    // follow its 32 KiB of data, not the 4 GiB its addresses span.
    std::vector<std::string> records;
    for (uint32_t i = 0; i < 2048; ++i) {
        records.push_back(linearRecord(uint16_t(i * 0x20)));
        records.push_back(dataRecord(0, rampBytes(16, uint8_t(i))));
    }
    const Load sparse{hexFile(records), 0, 0xFF, 0x100};
    const ChildOutcome outcome = inChild([&] {
        alarm(60);
        const uint64_t before = peakResidentBytes();
        const int32_t result = run(sparse);
        return std::vector<int64_t>{result, int64_t(peakResidentBytes() - before)};
    });
    ASSERT_TRUE(outcome.exitedNormally) << "signal " << outcome.signal;
    ASSERT_EQ(outcome.values.size(), 2u);
    EXPECT_EQ(outcome.values[0], ResultOk);
    EXPECT_LT(outcome.values[1], int64_t(64 * kMiB));
}

TEST(FaultInjection, AddressesNear4GiBEndInBoundedTimeAndMemory)
{
    const std::vector<uint8_t> sixteen = rampBytes(16);
    std::vector<std::string> seesaw;
    for (int i = 0; i < 1000; ++i) {
        seesaw.push_back(linearRecord(i % 2 ? 0xFFFF : 0x0000));
        seesaw.push_back(dataRecord(0xFFF0, sixteen));
    }
    struct TopCase {
        const char *name;
        Load load;
        int32_t result;
    };
    const TopCase cases[] = {
        {"top 16 bytes, automatic window",
         {hexFile({linearRecord(0xFFFF), dataRecord(0xFFF0, sixteen)})},
         ResultOverflow},
        {"top 16 bytes, their own window",
         {hexFile({linearRecord(0xFFFF), dataRecord(0xFFF0, sixteen)}), 0xFFFFFFF0, 0xFFFFFFFF, 16},
         ResultOk},
        {"longest record at the top",
         {hexFile({linearRecord(0xFFFF), dataRecord(0xFFFF, rampBytes(255))})},
         ResultAddressFault},
        {"segment above the top",
         {hexFile({linearRecord(0xFFFF), segmentRecord(0xF000), dataRecord(0, {1})})},
         ResultAddressFault},
        {"bottom and top a thousand times",
         {hexFile(seesaw), 0xFFFFFFF0, 0xFFFFFFFF, 16},
         ResultOk},
    };
    const ChildOutcome outcome = inChild([&] {
        // A hang ends the child by the alarm; the test then fails on it.
        alarm(60);
        std::vector<int64_t> values;
        const uint64_t before = peakResidentBytes();
        for (const TopCase &row : cases)
            values.push_back(run(row.load));
        values.push_back(int64_t(peakResidentBytes() - before));
        return values;
    });
    ASSERT_TRUE(outcome.exitedNormally) << "signal " << outcome.signal;
    ASSERT_EQ(outcome.values.size(), std::size(cases) + 1);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(outcome.values[i], cases[i].result) << cases[i].name;
    EXPECT_LT(outcome.values.back(), int64_t(64 * kMiB));
}
