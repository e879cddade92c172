#include "cp932_decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return kestrun_fuzz::cp932DecodingOne(data, size);
}
