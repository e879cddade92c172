#include "LinkedLibrary.h"

#include "core/Cp932.h"
#include "core/LinkedLibraryCalls.h"

namespace LinkedLibrary {

const LibraryCalls &calls()
{
    static const LibraryCalls linked = linkedLibraryCalls();
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
