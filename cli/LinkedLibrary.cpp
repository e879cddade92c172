#include "LinkedLibrary.h"

#include "core/LinkedLibraryCalls.h"
#include "core/ResultMessage.h"

namespace LinkedLibrary {

const LibraryCalls &calls()
{
    static const LibraryCalls linked = linkedLibraryCalls();
    return linked;
}

QString message(std::int32_t code)
{
    return resultMessage(GetErrorString, code);
}

std::int32_t version()
{
    std::int32_t number = 0;
    DllGetVersion(&number);
    return number;
}

} // namespace LinkedLibrary
