#include "line_hex_to_bin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return kestrun_fuzz::lineHexToBinOne(data, size);
}
