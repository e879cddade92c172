// Writes a benchmark image of a given size with a fixed seed, so that every
// run converts the same bytes.
//
//     bench_image random|firmware MIB OUT
//
// random: every byte drawn at random, the worst case for branch prediction.
// firmware: mostly erased flash (0xFF): a code block in the first eighth,
// then a 4 KiB table at the start of every MiB.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

void fillRandom(std::vector<uint8_t> &image, size_t from, size_t count, std::mt19937 &generator)
{
    for (size_t i = from; i < from + count && i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(generator() >> 24);
}

std::vector<uint8_t> makeImage(bool firmware, size_t size)
{
    std::mt19937 generator(firmware ? 0xF1A5u : 0x5EEDu);
    std::vector<uint8_t> image(size, 0xFF);
    if (!firmware) {
        fillRandom(image, 0, size, generator);
        return image;
    }
    fillRandom(image, 0, size / 8, generator);
    for (size_t table = size_t(1) << 20; table < size; table += size_t(1) << 20)
        fillRandom(image, table, 4096, generator);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    const bool known =
        argc == 4 && (std::strcmp(argv[1], "random") == 0 || std::strcmp(argv[1], "firmware") == 0);
    const long mebibytes = known ? std::strtol(argv[2], nullptr, 10) : 0;
    if (mebibytes <= 0 || mebibytes > 1024) {
        std::fprintf(stderr, "usage: bench_image random|firmware MIB OUT\n");
        return 2;
    }
    const auto image =
        makeImage(std::strcmp(argv[1], "firmware") == 0, static_cast<size_t>(mebibytes) << 20);
    FILE *out = std::fopen(argv[3], "wb");
    if (!out || std::fwrite(image.data(), 1, image.size(), out) != image.size()
        || std::fclose(out) != 0) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
