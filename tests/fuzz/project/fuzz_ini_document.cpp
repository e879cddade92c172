#include "ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return kestrun_fuzz::iniDocumentOne(data, size);
}
