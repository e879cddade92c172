#include "core/ImageText.h"

namespace {

// The whole image through a text writer, which is freed whatever the result.
template <typename Writer, typename OnProgress, typename PutImage, typename Finish, typename Free>
std::int32_t writeWhole(const ImageCalls &calls, Writer *w, const kestrun_image *image,
                        const TextLayout &layout, OnProgress onProgress, PutImage putImage,
                        Finish finish, Free free)
{
    if (layout.progress)
        onProgress(w, layout.progress, calls.kestrun_image_data_bytes(image), layout.progressUser);
    std::int32_t rc = putImage(w, image, 0, UINT32_MAX);
    if (rc >= 0)
        rc = finish(w);
    free(w);
    return rc;
}

} // namespace

std::int32_t writeHexText(const ImageCalls &c, const kestrun_image *image, const TextLayout &layout,
                          kestrun_sink_fn sink, std::intptr_t user)
{
    kestrun_hex_options o;
    c.kestrun_hex_options_init(&o);
    o.record_length = layout.recordLength;
    o.line_end = layout.lineEnd;
    o.address_records = layout.addressRecords.value_or(KESTRUN_ADDRESS_AUTO);
    if (layout.startAddress) {
        o.start_type = KESTRUN_START_LINEAR;
        o.start_value = *layout.startAddress;
    }
    std::int32_t rc = ResultOk;
    kestrun_hex_writer *w = c.kestrun_hex_writer_new(&o, sink, user, &rc);
    return w ? writeWhole(c, w, image, layout, c.kestrun_hex_writer_on_progress,
                          c.kestrun_hex_writer_image, c.kestrun_hex_writer_finish,
                          c.kestrun_hex_writer_free)
             : rc;
}

std::int32_t writeSRecordText(const ImageCalls &c, const kestrun_image *image,
                              const TextLayout &layout, kestrun_sink_fn sink, std::intptr_t user)
{
    kestrun_srec_options o;
    c.kestrun_srec_options_init(&o);
    o.record_length = layout.recordLength;
    o.line_end = layout.lineEnd;
    o.address_size = layout.addressSize.value_or(KESTRUN_SREC_AUTO);
    if (layout.startAddress) {
        o.start_type = KESTRUN_START_LINEAR;
        o.start_value = *layout.startAddress;
    }
    std::int32_t rc = ResultOk;
    kestrun_srec_writer *w = c.kestrun_srec_writer_new(&o, sink, user, &rc);
    return w ? writeWhole(c, w, image, layout, c.kestrun_srec_writer_on_progress,
                          c.kestrun_srec_writer_image, c.kestrun_srec_writer_finish,
                          c.kestrun_srec_writer_free)
             : rc;
}

std::int32_t appendToBytes(const char *bytes, std::uint64_t length, std::intptr_t user)
{
    reinterpret_cast<QByteArray *>(user)->append(bytes, qsizetype(length));
    return ResultOk;
}
