#include "hex_to_binary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return kestrun_fuzz::hexToBinaryOne(data, size);
}
