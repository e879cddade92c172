// Whole-file conversions on Kestrun, as a user's tool would run them: read
// the input file, convert it in one call, write the output file. Buffers are
// sized the way the Pelcor program sizes them; with -t the time of each phase
// goes to standard error.
//
//     kestrun_bench [-t] hex2bin|bin2hex|dump IN OUT

#include "exports.h"
#include "core/LargeBuffer.h"
#include "WholeFile.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// The program's default allocation factor: output room is Scope x input length.
constexpr uint64_t kScope = 0x0A;
// What the program never goes below for HEX and dump text.
constexpr uint64_t kMinimumTextRoom = 1024;
constexpr int32_t kRecordLength = 32;
constexpr uint32_t kDumpIndent = 4;
constexpr uint32_t kFill = 0xFF;

using Clock = std::chrono::steady_clock;

class PhaseTimer {
public:
    explicit PhaseTimer(bool enabled) : m_enabled(enabled), m_last(Clock::now()) {}

    void mark(const char *phase)
    {
        const auto now = Clock::now();
        if (m_enabled) {
            const std::chrono::duration<double, std::milli> spent = now - m_last;
            std::fprintf(stderr, "%-8s %9.2f ms\n", phase, spent.count());
        }
        m_last = now;
    }

private:
    bool m_enabled;
    Clock::time_point m_last;
};

// The program's callback draws a bar and pumps events; this one stands for
// the cost of being called, which the library pays per record or line.
int32_t keepGoing(int32_t, int32_t, intptr_t)
{
    return 1;
}

bool reportFailure(const char *call, int32_t result)
{
    if (result == ResultOk)
        return false;
    std::fprintf(stderr, "kestrun_bench: %s returned %d\n", call, static_cast<int>(result));
    return true;
}

// The program computes its sizes in signed 32 bits and gives up past them.
bool textCapacity(uint64_t inputLength, uint64_t minimum, uint32_t &capacity)
{
    uint64_t wanted = kScope * inputLength;
    if (wanted < minimum)
        wanted = minimum;
    if (wanted > INT32_MAX) {
        std::fprintf(stderr, "kestrun_bench: output room of %llu bytes exceeds 32 bits\n",
                     static_cast<unsigned long long>(wanted));
        return false;
    }
    capacity = static_cast<uint32_t>(wanted);
    return true;
}

bool hexToBinary(const WholeFile &input, const char *outPath, PhaseTimer &timer)
{
    uint32_t capacity = 0;
    if (!textCapacity(input.length(), 0, capacity))
        return false;
    LargeBuffer image(size_t(capacity) + 1);
    if (!image.isValid())
        return reportFailure("mmap", ResultNoMemory);
    uint32_t imageSize = 0;
    const uint32_t start = 0;
    uint32_t end = 0;
    const int32_t result =
        HexToBinary(input.chars(), image.data(), static_cast<int32_t>(input.length()), capacity,
                    &imageSize, &start, &end, kFill, 0, keepGoing);
    timer.mark("convert");
    if (reportFailure("HexToBinary", result))
        return false;
    const bool written = WholeFile::write(outPath, image.data(), imageSize);
    timer.mark("write");
    return written;
}

bool binaryToHex(const WholeFile &input, const char *outPath, PhaseTimer &timer)
{
    uint32_t capacity = 0;
    if (!textCapacity(input.length(), kMinimumTextRoom, capacity))
        return false;
    LargeBuffer text(size_t(capacity) + 1);
    if (!text.isValid())
        return reportFailure("mmap", ResultNoMemory);
    uint32_t written = 0;
    const uint32_t start = 0;
    uint32_t end = 0;
    const int32_t result = BinaryToHex(
        input.data(), text.chars(), static_cast<uint32_t>(input.length()), capacity, kRecordLength,
        &written, &start, &end, kFill, KESTRUN_NEWLINE_CRLF, 0, keepGoing);
    timer.mark("convert");
    if (reportFailure("BinaryToHex", result))
        return false;
    const bool ok = WholeFile::write(outPath, text.data(), written);
    timer.mark("write");
    return ok;
}

bool dump(WholeFile &input, const char *outPath, PhaseTimer &timer)
{
    uint32_t capacity = 0;
    if (!textCapacity(input.length(), kMinimumTextRoom, capacity))
        return false;
    LargeBuffer text(size_t(capacity) + 1);
    if (!text.isValid())
        return reportFailure("mmap", ResultNoMemory);
    uint32_t written = 0;
    const uint32_t start = 0;
    uint32_t end = 0;
    const int32_t result =
        DumpFormat(input.data(), text.chars(), static_cast<uint32_t>(input.length()), capacity,
                   &written, &start, &end, kFill, KESTRUN_NEWLINE_CRLF, kDumpIndent, 0, keepGoing);
    timer.mark("convert");
    if (reportFailure("DumpFormat", result))
        return false;
    const bool ok = WholeFile::write(outPath, text.data(), written);
    timer.mark("write");
    return ok;
}

int usage()
{
    std::fprintf(stderr, "usage: kestrun_bench [-t] hex2bin|bin2hex|dump IN OUT\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    int first = 1;
    const bool timed = argc > 1 && std::strcmp(argv[1], "-t") == 0;
    if (timed)
        ++first;
    if (argc - first != 3)
        return usage();
    const char *mode = argv[first];
    const char *inPath = argv[first + 1];
    const char *outPath = argv[first + 2];
    if (std::strcmp(mode, "hex2bin") != 0 && std::strcmp(mode, "bin2hex") != 0
        && std::strcmp(mode, "dump") != 0)
        return usage();

    PhaseTimer timer(timed);
    WholeFile input;
    if (!input.read(inPath))
        return 1;
    timer.mark("read");
    bool ok = false;
    if (std::strcmp(mode, "hex2bin") == 0)
        ok = hexToBinary(input, outPath, timer);
    else if (std::strcmp(mode, "bin2hex") == 0)
        ok = binaryToHex(input, outPath, timer);
    else
        ok = dump(input, outPath, timer);
    return ok ? 0 : 1;
}
