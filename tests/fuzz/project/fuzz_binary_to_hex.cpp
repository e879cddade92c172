#include "binary_to_hex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return kestrun_fuzz::binaryToHexOne(data, size);
}
