#include "test_support.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <iconv.h>

#include <array>
#include <cstring>
#include <set>
#include <sstream>

using namespace kestrun_test;

namespace {

struct MessageCase {
    int32_t code;
    const char *utf8;
    size_t cp932Length;
};

// The messages as the user reads them; the library holds them as code page
// 932 bytes, so they are compared after conversion.
const MessageCase messageCases[] = {
    {ResultOk, "正常終了", 8},
    {ResultNotIntelHex, "ｲﾝﾃﾙﾍｷｻ形式ではありません", 25},
    {ResultChecksumError, "ﾁｪｯｸｻﾑ値が異常です", 18},
    {ResultEndRecordError, "ｴﾝﾄﾞﾚｺｰﾄﾞが異常です", 19},
    {ResultCancelled, "中止しました", 12},
    {ResultOverflow, "ｵｰﾊﾞｰﾌﾛｰです", 12},
    {ResultNoMemory, "ﾒﾓﾘが足りません", 15},
    {ResultAddressFault, "例外が発生しました\nﾍｷｻﾌｧｲﾙのｱﾄﾞﾚｽ指定が不正な可能性があります", 61},
};

const char *const exportNames[] = {"DllGetVersion", "GetErrorString", "LShift",       "RShift",
                                   "CheckSum",      "LineCheckSum",   "LineHexToBin", "HexToBinary",
                                   "BinaryToHex",   "DumpFormat"};

std::string cp932ToUtf8(const std::string &bytes)
{
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == iconv_t(-1))
        return "<no CP932 converter>";
    std::string input = bytes;
    std::string output(input.size() * 4, '\0');
    char *in = input.data();
    char *out = output.data();
    size_t inLeft = input.size();
    size_t outLeft = output.size();
    size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (converted == size_t(-1) || inLeft != 0)
        return "<not valid CP932>";
    output.resize(output.size() - outLeft);
    return output;
}

std::set<std::string> definedDynamicSymbols(const std::string &libraryPath)
{
    std::set<std::string> names;
    std::string command = "nm -D --defined-only '" + libraryPath + "'";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name)
            names.insert(name);
    }
    pclose(pipe);
    return names;
}

} // namespace

TEST(Frame, VersionIs203)
{
    int32_t version = -1;
    EXPECT_EQ(DllGetVersion(&version), 1);
    EXPECT_EQ(version, 203);
    EXPECT_EQ(version, KESTRUN_LIBRARY_VERSION);
}

TEST(Frame, MessagesAreTheCp932TextsWithTheirLengths)
{
    for (const MessageCase &message : messageCases) {
        SCOPED_TRACE(message.code);
        GuardedBuffer<char> buffer(KESTRUN_MESSAGE_SIZE);
        ASSERT_EQ(GetErrorString(message.code, buffer.data()), 1);
        EXPECT_TRUE(buffer.guardIntact());
        std::string bytes(buffer.data());
        EXPECT_EQ(bytes.size(), message.cp932Length);
        EXPECT_EQ(cp932ToUtf8(bytes), message.utf8);
    }
}

TEST(Frame, UnknownCodesLeaveTheBufferAlone)
{
    for (int32_t code : {1, 4, -8, 100, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(code);
        GuardedBuffer<char> buffer(KESTRUN_MESSAGE_SIZE);
        EXPECT_EQ(GetErrorString(code, buffer.data()), 0);
        EXPECT_TRUE(buffer.untouched());
    }
}

TEST(Frame, ShiftsTakeTheCountModulo32)
{
    struct ShiftCase {
        uint32_t value;
        int32_t count;
        uint32_t left;
        uint32_t right;
    };
    const ShiftCase cases[] = {
        {0x80000001u, 0, 0x80000001u, 0x80000001u},
        {0x80000001u, 1, 0x00000002u, 0x40000000u},
        {0x80000000u, 31, 0x00000000u, 0x00000001u},
        {0x12345678u, 32, 0x12345678u, 0x12345678u},
        {0x80000001u, 33, 0x00000002u, 0x40000000u},
        {0xFFFFFFFFu, 4, 0xFFFFFFF0u, 0x0FFFFFFFu},
        {0x00000001u, 64 + 31, 0x80000000u, 0x00000000u},
        // Negative counts taken modulo 32 as well: -1 shifts by 31.
        {0x80000001u, -1, 0x80000000u, 0x00000001u},
        {0x80000001u, INT32_MIN, 0x80000001u, 0x80000001u},
    };
    for (const ShiftCase &shift : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << shift.value << " by " << std::dec << shift.count);
        uint32_t value = shift.value;
        LShift(&value, shift.count);
        EXPECT_EQ(value, shift.left);
        value = shift.value;
        RShift(&value, shift.count);
        EXPECT_EQ(value, shift.right);
    }
}

TEST(Frame, LibraryExportsTheTenNamesAndTheImageInterfaceOnly)
{
    void *handle = dlopen(KESTRUN_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    for (const char *name : exportNames)
        EXPECT_NE(dlsym(handle, name), nullptr) << name;

    using VersionFunction = int32_t (*)(int32_t *);
    auto version = reinterpret_cast<VersionFunction>(dlsym(handle, "DllGetVersion"));
    int32_t number = 0;
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version(&number), 1);
    EXPECT_EQ(number, 203);

    // Beside the ten, only the image interface's kestrun_ functions.
    std::set<std::string> expected(std::begin(exportNames), std::end(exportNames));
    std::set<std::string> others;
    for (const std::string &name : definedDynamicSymbols(KESTRUN_LIBRARY_PATH)) {
        if (!expected.count(name) && name.rfind("kestrun_", 0) != 0)
            others.insert(name);
    }
    EXPECT_EQ(others, std::set<std::string>());
    for (const char *name : {"kestrun_image_new", "kestrun_hex_reader_feed", "kestrun_hex_writer_put",
                             "kestrun_dump_writer_put"})
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    dlclose(handle);
}
