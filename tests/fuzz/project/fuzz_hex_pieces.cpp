#include "text_pieces.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return kestrun_fuzz::hexPiecesOne(data, size);
}
