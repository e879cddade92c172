// ELF input judged by objcopy: executables the toolchain links in several
// ways read into the image objcopy's -O ihex output holds, with its start
// address (its S-records cut the start to the data's address size), and every way a file can be cut short or be no executable is
// refused with the fault that names it, where objcopy refuses it too.
#include "peer_tools.h"
#include "support/elf_program.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <elf.h>

#include <functional>

using namespace kestrun_test;

namespace {

using Made = ::testing::AssertionResult;

// The firmware program compiled by gcc with `options` into dir/in.elf.
Made gccProgram(const fs::path &dir, std::vector<std::string> options)
{
    writeFile(dir / "prog.c", kElfProgram, sizeof kElfProgram - 1);
    writeFile(dir / "prog.ld", kElfLinkerScript, sizeof kElfLinkerScript - 1);
    std::vector<std::string> args{"gcc", "-Os", "-nostdlib", "-static", "-fno-pic", "-no-pie",
                                  "-Wl,--build-id=none"};
    for (std::string &option : options)
        args.push_back(option == "SCRIPT" ? (dir / "prog.ld").string() : option);
    args.insert(args.end(), {(dir / "prog.c").string(), "-o", (dir / "in.elf").string()});
    return runPeer(args, dir / "gcc.log");
}

// A 32-bit executable from raw bytes: objcopy makes an object of them and
// ld links it by `script` for i386.
Made ldObject32(const fs::path &dir, const std::string &script)
{
    const std::vector<uint8_t> bytes = rampBytes(300, 7);
    writeFile(dir / "data.bin", bytes.data(), bytes.size());
    writeFile(dir / "data.ld", script.data(), script.size());
    if (Made made = runPeer({"objcopy", "-I", "binary", "-O", "elf32-i386",
                             (dir / "data.bin").string(), (dir / "data.o").string()},
                            dir / "objcopy.log");
        !made)
        return made;
    return runPeer({"ld", "-m", "elf_i386", "-e", "0x08000010", "-T", (dir / "data.ld").string(),
                    (dir / "data.o").string(), "-o", (dir / "in.elf").string()},
                   dir / "ld.log");
}

// Little-endian fields of an ELF file of either class.
struct ElfFields {
    std::string &file;
    bool is64() const { return file[EI_CLASS] == ELFCLASS64; }
    uint64_t get(size_t at, int width) const
    {
        uint64_t value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = value << 8 | uint8_t(file[at + i]);
        return value;
    }
    void set(size_t at, int width, uint64_t value)
    {
        for (int i = 0; i < width; ++i, value >>= 8)
            file[at + i] = char(value);
    }
    int word() const { return is64() ? 8 : 4; }
    size_t phoff() const { return get(24 + word(), word()); }
    size_t phnum() const { return get(is64() ? 56 : 44, 2); }
    size_t phentsize() const { return is64() ? 56 : 32; }
};

void zeroPhysicalAddresses(std::string &file)
{
    ElfFields elf{file};
    for (size_t i = 0; i < elf.phnum(); ++i)
        elf.set(elf.phoff() + i * elf.phentsize() + (elf.is64() ? 24 : 12), elf.word(), 0);
}

void dropSectionHeaders(std::string &file)
{
    ElfFields elf{file};
    elf.set(24 + 2 * elf.word(), elf.word(), 0);   // e_shoff
    elf.set(24 + 3 * elf.word() + 12, 4, 0);         // e_shnum, e_shstrndx
}

void moveFirstSectionPastTheEnd(std::string &file)
{
    ElfFields elf{file};
    const size_t shoff = elf.get(24 + 2 * elf.word(), elf.word());
    elf.set(shoff + 64 + 24, 8, file.size()); // section 1's sh_offset, 64-bit
}

struct Reading {
    int32_t result = ResultOk;
    kestrun_fault fault{};
    uint32_t startValue = 0;
};

Reading readElf(const std::string &file, kestrun_image *image, size_t piece)
{
    Reading r;
    kestrun_reader *reader = kestrun_reader_new(KESTRUN_FORMAT_ELF, image, &r.result);
    for (size_t at = 0; r.result == ResultOk && at < file.size(); at += piece)
        r.result = kestrun_reader_feed(reader, file.data() + at, std::min(piece, file.size() - at));
    if (r.result == ResultOk)
        r.result = kestrun_reader_finish(reader);
    kestrun_reader_fault(reader, &r.fault);
    kestrun_reader_free(reader);
    uint32_t type = 0;
    if (image)
        kestrun_image_start(image, &type, &r.startValue);
    return r;
}

struct LinkedCase {
    const char *name;
    std::function<Made(const fs::path &)> make;
    void (*patch)(std::string &) = nullptr;      // before objcopy and us
    void (*oursOnly)(std::string &) = nullptr;   // objcopy reads the file before this
};

} // namespace

TEST(ElfInput, LinkedExecutablesReadAsObjcopyWritesThem)
{
    const LinkedCase cases[] = {
        {"data loaded apart from where it runs",
         [](const fs::path &d) { return gccProgram(d, {"-T", "SCRIPT"}); }},
        {"the default script: headers inside the first PT_LOAD",
         [](const fs::path &d) { return gccProgram(d, {"-Wl,-Ttext=0x08001000"}); }},
        {"32-bit, two sections in two segments",
         [](const fs::path &d) {
             return ldObject32(d, "SECTIONS { .text 0x08000000 : { LONG(0x12345678) LONG(0) } "
                                  ".data 0x20000000 : AT(0x08000100) { *(.data) } }");
         }},
        {"every physical address 0 in two PT_LOADs: the virtual ones",
         [](const fs::path &d) { return gccProgram(d, {"-T", "SCRIPT"}); }, zeroPhysicalAddresses},
        {"one PT_LOAD at physical 0 stays at 0",
         [](const fs::path &d) {
             return ldObject32(d, "SECTIONS { .data 0x08000400 : { *(.data) } }");
         },
         zeroPhysicalAddresses},
        {"no section headers: the PT_LOAD file bytes",
         [](const fs::path &d) { return gccProgram(d, {"-T", "SCRIPT"}); }, nullptr,
         dropSectionHeaders},
    };
    for (const LinkedCase &c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        ASSERT_TRUE(c.make(dir.path()));
        std::string file = readFile(dir.path() / "in.elf");
        if (c.patch) {
            c.patch(file);
            writeFile(dir.path() / "in.elf", file.data(), file.size());
        }
        ASSERT_TRUE(runPeer({"objcopy", "-O", "ihex", (dir.path() / "in.elf").string(),
                             (dir.path() / "peer.hex").string()},
                            dir.path() / "objcopy.log"));
        if (c.oursOnly)
            c.oursOnly(file);
        const std::string hex = readFile(dir.path() / "peer.hex");
        ImagePtr peer(kestrun_image_new());
        int32_t rc = ResultOk;
        kestrun_reader *reader = kestrun_reader_new(KESTRUN_FORMAT_IHEX, peer.get(), &rc);
        ASSERT_GE(kestrun_reader_feed(reader, hex.data(), hex.size()), ResultOk);
        ASSERT_EQ(kestrun_reader_finish(reader), ResultOk);
        kestrun_reader_free(reader);

        ImagePtr ours(kestrun_image_new());
        const Reading read = readElf(file, ours.get(), 333);
        ASSERT_EQ(read.result, ResultOk);
        uint64_t differences = 1;
        EXPECT_EQ(kestrun_image_compare(peer.get(), ours.get(), -1, nullptr, 0, &differences), ResultOk);
        EXPECT_EQ(differences, 0u);
        uint32_t type = 0, start = 0;
        kestrun_image_start(peer.get(), &type, &start);
        EXPECT_EQ(read.startValue, start);
    }
}

TEST(ElfInput, FilesCutShortOrNotExecutablesAreRefusedByWhatIsWrong)
{
    ScratchDir dir;
    ASSERT_TRUE(gccProgram(dir.path(), {"-T", "SCRIPT"}));
    const std::string program = readFile(dir.path() / "in.elf");
    ASSERT_TRUE(runPeer({"gcc", "-c", "-Os", (dir.path() / "prog.c").string(), "-o",
                         (dir.path() / "prog.o").string()},
                        dir.path() / "gcc.log"));
    const std::string object = readFile(dir.path() / "prog.o");
    auto cut = [&](size_t length) { return program.substr(0, length); };
    std::string farSection = program;
    moveFirstSectionPastTheEnd(farSection);
    // e_shnum 0: the count is section 0's sh_size, here far more than fit.
    std::string manySections = program;
    ElfFields many{manySections};
    many.set(0x3C, 2, 0);
    many.set(many.get(0x28, 8) + 32, 8, 3407872);

    struct Case {
        const char *name;
        std::string file;
        int32_t fault;
        uint64_t index;
        bool objcopyRefuses;
    };
    // The program's PT_LOADs: segment 0 at 0x1000, segment 1 at 0x2000.
    const Case cases[] = {
        {"the magic cut", cut(3), KESTRUN_FAULT_NOT_ELF, 0, true},
        {"the ident cut", cut(10), KESTRUN_FAULT_HEADER_CUT, 0, true},
        {"the ELF header cut", cut(40), KESTRUN_FAULT_HEADER_CUT, 0, true},
        {"the program headers cut", cut(100), KESTRUN_FAULT_PROGRAM_HEADERS_CUT, 0, true},
        {"cut inside the first PT_LOAD", cut(0x1010), KESTRUN_FAULT_SEGMENT_CUT, 0, true},
        {"cut inside the second PT_LOAD", cut(0x2010), KESTRUN_FAULT_SEGMENT_CUT, 1, true},
        {"only the section headers cut", cut(program.size() - 8),
         KESTRUN_FAULT_SECTION_HEADERS_CUT, 0, true},
        {"a section's contents past the end", farSection, KESTRUN_FAULT_SECTION_CUT, 1, true},
        {"more sections counted in section 0 than fit", manySections,
         KESTRUN_FAULT_SECTION_HEADERS_CUT, 0, true},
        // objcopy writes a relocatable object's sections at 0, one over another.
        {"a relocatable object", object, KESTRUN_FAULT_RELOCATABLE, 0, false},
        {"a Git LFS pointer",
         "version https://git-lfs.github.com/v1\noid sha256:4d7a2146\nsize 13272\n",
         KESTRUN_FAULT_LFS_POINTER, 0, true},
        {"text", ":00000001FF\n", KESTRUN_FAULT_NOT_ELF, 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.path() / "case.elf", c.file.data(), c.file.size());
        EXPECT_EQ(!runPeer({"objcopy", "-O", "binary", (dir.path() / "case.elf").string(),
                            (dir.path() / "case.bin").string()},
                           dir.path() / "objcopy.log"),
                  c.objcopyRefuses);
        ImagePtr image(kestrun_image_new());
        for (size_t piece : {size_t(1) << 20, size_t(7)}) {
            const Reading read = readElf(c.file, image.get(), piece);
            EXPECT_EQ(read.result, ResultNotElf);
            EXPECT_EQ(read.fault.kind, c.fault);
            EXPECT_EQ(read.fault.index, c.index);
            // Without an image, the same refusal.
            EXPECT_EQ(readElf(c.file, nullptr, piece).fault.kind, c.fault);
        }
        EXPECT_EQ(kestrun_image_data_bytes(image.get()), 0u);
    }
}
