#include "core/ImageText.h"

std::int32_t writeImage(const ImageCalls &c, const kestrun_image *image, std::int32_t format,
                        const TextLayout &layout, kestrun_sink_fn sink, std::intptr_t user)
{
    kestrun_write_options o;
    c.kestrun_write_options_init(format, &o);
    o.record_length = layout.recordLength;
    o.line_end = layout.lineEnd;
    o.address_records = layout.addressRecords.value_or(KESTRUN_ADDRESS_AUTO);
    o.address_size = layout.addressSize.value_or(KESTRUN_SREC_AUTO);
    if (layout.startAddress) {
        o.start_type = KESTRUN_START_LINEAR;
        o.start_value = *layout.startAddress;
    }
    o.fill = layout.fill;
    o.indent = layout.indent;
    o.first = layout.first;
    o.last = layout.last;
    o.word_width = layout.wordWidth;
    o.family = layout.family;
    std::int32_t rc = ResultOk;
    kestrun_writer *w = c.kestrun_writer_new(format, &o, sink, user, &rc);
    if (!w)
        return rc;
    if (layout.progress)
        c.kestrun_writer_on_progress(w, layout.progress, c.kestrun_image_data_bytes(image),
                                     layout.progressUser);
    rc = c.kestrun_writer_image(w, image, 0, UINT32_MAX);
    if (rc >= 0)
        rc = c.kestrun_writer_finish(w);
    c.kestrun_writer_free(w);
    return rc;
}

std::int32_t writeHexText(const ImageCalls &c, const kestrun_image *image, const TextLayout &layout,
                          kestrun_sink_fn sink, std::intptr_t user)
{
    return writeImage(c, image, KESTRUN_FORMAT_IHEX, layout, sink, user);
}

std::int32_t writeSRecordText(const ImageCalls &c, const kestrun_image *image,
                              const TextLayout &layout, kestrun_sink_fn sink, std::intptr_t user)
{
    return writeImage(c, image, KESTRUN_FORMAT_SREC, layout, sink, user);
}

std::int32_t appendToBytes(const char *bytes, std::uint64_t length, std::intptr_t user)
{
    reinterpret_cast<QByteArray *>(user)->append(bytes, qsizetype(length));
    return ResultOk;
}
