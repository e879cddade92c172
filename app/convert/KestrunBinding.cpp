#include "convert/KestrunBinding.h"

#include "convert/LibraryBinding.h"

#include "installed_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

LibraryBinding &library()
{
    // Found by its full path: the program's own folders are not on the
    // loader's search path.
    static LibraryBinding binding(
        KestrunBinding::libraryPath(QCoreApplication::applicationDirPath()));
    return binding;
}

// Binds `function` to the export `name` unless an earlier call did;
// false when it cannot be bound.
template <typename Function> bool bind(const char *name, Function &function)
{
    if (!function)
        function = reinterpret_cast<Function>(library().resolve(name));
    return function != nullptr;
}

} // namespace

namespace KestrunBinding {

QString libraryPath(const QString &programFolder)
{
    // The build tree and a folder copied whole keep the library beside the
    // program; an installed program finds it in the library folder.
    const QString beside = programFolder + QStringLiteral("/" KESTRUN_SONAME_FILE);
    const QString installed = QDir::cleanPath(
        programFolder + QStringLiteral("/" PELCOR_LIBDIR_FROM_BINDIR "/" KESTRUN_SONAME_FILE));
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

QString libraryPath()
{
    return library().path();
}

std::int32_t DllGetVersion(std::int32_t *version)
{
    static decltype(&::DllGetVersion) function = nullptr;
    return bind("DllGetVersion", function) ? function(version) : NotBound;
}

std::int32_t GetErrorString(std::int32_t code, char *buffer)
{
    static decltype(&::GetErrorString) function = nullptr;
    return bind("GetErrorString", function) ? function(code, buffer) : NotBound;
}

std::optional<std::uint32_t> CheckSum(const std::uint8_t *data, std::uint32_t dataLength,
                                      std::uint32_t first, std::uint32_t last, std::uint32_t blank,
                                      char *digits)
{
    static decltype(&::CheckSum) function = nullptr;
    if (!bind("CheckSum", function))
        return std::nullopt;
    return function(data, dataLength, first, last, blank, digits);
}

std::int32_t HexToBinary(const char *text, std::uint8_t *image, std::int32_t textLength,
                         std::uint32_t capacity, std::uint32_t *imageSize,
                         const std::uint32_t *start, std::uint32_t *end, std::uint32_t fill,
                         std::intptr_t userValue, ProgressCallback progress)
{
    static decltype(&::HexToBinary) function = nullptr;
    if (!bind("HexToBinary", function))
        return NotBound;
    return function(text, image, textLength, capacity, imageSize, start, end, fill, userValue,
                    progress);
}

std::int32_t BinaryToHex(const std::uint8_t *data, char *text, std::uint32_t dataLength,
                         std::uint32_t capacity, std::int32_t recordLength,
                         std::uint32_t *writtenLength, const std::uint32_t *start,
                         std::uint32_t *end, std::uint32_t blank, std::uint32_t newLine,
                         std::intptr_t userValue, ProgressCallback progress)
{
    static decltype(&::BinaryToHex) function = nullptr;
    if (!bind("BinaryToHex", function))
        return NotBound;
    return function(data, text, dataLength, capacity, recordLength, writtenLength, start, end,
                    blank, newLine, userValue, progress);
}

std::int32_t DumpFormat(std::uint8_t *data, char *text, std::uint32_t dataLength,
                        std::uint32_t capacity, std::uint32_t *writtenLength,
                        const std::uint32_t *start, std::uint32_t *end, std::uint32_t blank,
                        std::uint32_t newLine, std::uint32_t indent, std::intptr_t userValue,
                        ProgressCallback progress)
{
    static decltype(&::DumpFormat) function = nullptr;
    if (!bind("DumpFormat", function))
        return NotBound;
    return function(data, text, dataLength, capacity, writtenLength, start, end, blank, newLine,
                    indent, userValue, progress);
}

const ImageCalls *imageCalls()
{
    // Bound on first use; a library without the image interface is told of
    // once for its first missing function, as for any export.
    static ImageCalls calls;
    static bool bound = false;
    if (!bound) {
        bool all = true;
#define PELCOR_BIND_IMAGE_CALL(name) all = all && bind(#name, calls.name);
        PELCOR_IMAGE_CALLS(PELCOR_BIND_IMAGE_CALL)
#undef PELCOR_BIND_IMAGE_CALL
        bound = all;
    }
    return bound ? &calls : nullptr;
}

} // namespace KestrunBinding
