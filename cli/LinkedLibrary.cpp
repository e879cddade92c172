#include "LinkedLibrary.h"

#include "core/Cp932.h"

namespace {

std::optional<std::uint32_t> checkSum(const std::uint8_t *data, std::uint32_t dataLength,
                                      std::uint32_t first, std::uint32_t last, std::uint32_t blank,
                                      char *digits)
{
    return CheckSum(data, dataLength, first, last, blank, digits);
}

} // namespace

namespace LinkedLibrary {

const LibraryCalls &calls()
{
    static const LibraryCalls linked{checkSum, HexToBinary, BinaryToHex, DumpFormat};
    return linked;
}

QString message(std::int32_t code)
{
    char buffer[KESTRUN_MESSAGE_SIZE] = {};
    if (GetErrorString(code, buffer) != 1)
        return QString();
    return decodeCp932(QByteArrayView(buffer, qstrnlen(buffer, sizeof buffer)));
}

std::int32_t version()
{
    std::int32_t number = 0;
    DllGetVersion(&number);
    return number;
}

} // namespace LinkedLibrary
