// Owning handles for the library's images and checks, freed through the
// same call table that made them, so that the bound library (Pelcor) and
// the linked one (kestrun) free alike.
//
//     ImageHandle image = newImage(calls);
//     if (!image) ... out of memory ...
//     calls.kestrun_image_put(image.get(), 0, bytes, n);
#ifndef PELCOR_IMAGE_HANDLE_H
#define PELCOR_IMAGE_HANDLE_H

#include "core/LibraryCalls.h"

#include <memory>

struct ImageRelease {
    const ImageCalls *calls = nullptr;
    void operator()(kestrun_image *image) const { calls->kestrun_image_free(image); }
};
using ImageHandle = std::unique_ptr<kestrun_image, ImageRelease>;

struct CheckRelease {
    const ImageCalls *calls = nullptr;
    void operator()(kestrun_check *check) const { calls->kestrun_check_free(check); }
};
using CheckHandle = std::unique_ptr<kestrun_check, CheckRelease>;

// A new empty image; null when memory is short.
inline ImageHandle newImage(const ImageCalls &calls)
{
    return ImageHandle(calls.kestrun_image_new(), ImageRelease{&calls});
}

#endif
