// The library exports a conversion needs, as one table. Pelcor fills it
// with its run-time binding (KestrunBinding), which reports a missing library to
// the user; the kestrun command and the tests fill it with the exports they
// link (linkedLibraryCalls, core/LinkedLibraryCalls.h). Both then convert
// through the same ConversionEngine.
#ifndef PELCOR_LIBRARY_CALLS_H
#define PELCOR_LIBRARY_CALLS_H

#include "exports.h"

#include <cstdint>
#include <optional>

// The image interface's functions the engine calls, by name.
#define PELCOR_IMAGE_CALLS(X)                                                                    \
    X(kestrun_image_new)                                                                         \
    X(kestrun_image_free)                                                                        \
    X(kestrun_image_bounds)                                                                      \
    X(kestrun_image_next)                                                                        \
    X(kestrun_image_piece)                                                                       \
    X(kestrun_image_read)                                                                        \
    X(kestrun_image_data_bytes)                                                                  \
    X(kestrun_image_start)                                                                       \
    X(kestrun_image_sum)                                                                         \
    X(kestrun_hex_reader_new)                                                                    \
    X(kestrun_hex_reader_free)                                                                   \
    X(kestrun_hex_reader_set_overlap)                                                            \
    X(kestrun_hex_reader_set_window)                                                             \
    X(kestrun_hex_reader_set_origin)                                                             \
    X(kestrun_hex_reader_on_record)                                                              \
    X(kestrun_hex_reader_on_conflict)                                                            \
    X(kestrun_hex_reader_on_progress)                                                            \
    X(kestrun_hex_reader_feed)                                                                   \
    X(kestrun_hex_reader_finish)                                                                 \
    X(kestrun_hex_reader_place)                                                                  \
    X(kestrun_hex_reader_stats)                                                                  \
    X(kestrun_hex_options_init)                                                                  \
    X(kestrun_hex_writer_new)                                                                    \
    X(kestrun_hex_writer_free)                                                                   \
    X(kestrun_hex_writer_on_progress)                                                            \
    X(kestrun_hex_writer_put)                                                                    \
    X(kestrun_hex_writer_finish)                                                                 \
    X(kestrun_hex_text_size)                                                                     \
    X(kestrun_dump_writer_new)                                                                   \
    X(kestrun_dump_writer_free)                                                                  \
    X(kestrun_dump_writer_on_progress)                                                           \
    X(kestrun_dump_writer_put)                                                                   \
    X(kestrun_dump_writer_image)                                                                 \
    X(kestrun_dump_writer_finish)                                                                \
    X(kestrun_dump_text_size)                                                                   \
    PELCOR_FORMAT_CALLS(X)

// The other formats, the image operations, merging, comparing and checks.
#define PELCOR_FORMAT_CALLS(X)                                                                   \
    X(GetErrorString)                                                                            \
    X(kestrun_detect_format)                                                                     \
    X(kestrun_format_describe)                                                                   \
    X(kestrun_reader_family)                                                                     \
    X(kestrun_uf2_family_id)                                                                     \
    X(kestrun_uf2_family_name)                                                                   \
    X(kestrun_reader_new)                                                                        \
    X(kestrun_reader_free)                                                                       \
    X(kestrun_reader_format)                                                                     \
    X(kestrun_reader_set_overlap)                                                                \
    X(kestrun_reader_set_window)                                                                 \
    X(kestrun_reader_set_origin)                                                                 \
    X(kestrun_reader_set_source)                                                                 \
    X(kestrun_reader_set_address)                                                                \
    X(kestrun_reader_on_record)                                                                  \
    X(kestrun_reader_on_conflict)                                                                \
    X(kestrun_reader_on_progress)                                                                \
    X(kestrun_reader_feed)                                                                       \
    X(kestrun_reader_finish)                                                                     \
    X(kestrun_reader_place)                                                                      \
    X(kestrun_reader_detail)                                                                     \
    X(kestrun_reader_fault)                                                                      \
    X(kestrun_reader_stats)                                                                      \
    X(kestrun_reader_past_end)                                                                   \
    X(kestrun_tokenize_line)                                                                     \
    X(kestrun_resume_point)                                                                      \
    X(kestrun_reader_set_checksums)                                                              \
    X(kestrun_reader_bad_checksums)                                                              \
    X(kestrun_patcher_new)                                                                       \
    X(kestrun_patcher_free)                                                                      \
    X(kestrun_patcher_fix_checksums)                                                             \
    X(kestrun_patcher_on_fixed)                                                                  \
    X(kestrun_patcher_feed)                                                                      \
    X(kestrun_patcher_pass)                                                                      \
    X(kestrun_patcher_finish)                                                                    \
    X(kestrun_patcher_stats)                                                                     \
    X(kestrun_write_options_init)                                                                \
    X(kestrun_writer_new)                                                                        \
    X(kestrun_writer_free)                                                                       \
    X(kestrun_writer_on_progress)                                                                \
    X(kestrun_writer_put)                                                                        \
    X(kestrun_writer_image)                                                                      \
    X(kestrun_writer_finish)                                                                     \
    X(kestrun_writer_split)                                                                      \
    X(kestrun_writer_resume)                                                                     \
    X(kestrun_writer_finish_part)                                                                \
    X(kestrun_write_size)                                                                        \
    X(kestrun_image_store)                                                                       \
    X(kestrun_image_put)                                                                         \
    X(kestrun_image_set_start)                                                                   \
    X(kestrun_image_crop)                                                                        \
    X(kestrun_image_exclude)                                                                     \
    X(kestrun_image_fill)                                                                        \
    X(kestrun_image_offset)                                                                      \
    X(kestrun_image_byte_swap)                                                                   \
    X(kestrun_image_split)                                                                       \
    X(kestrun_image_unsplit)                                                                     \
    X(kestrun_hex_writer_image)                                                                  \
    X(kestrun_hex_image_size)                                                                    \
    X(kestrun_hex_reader_set_source)                                                             \
    X(kestrun_srec_reader_new)                                                                   \
    X(kestrun_srec_reader_free)                                                                  \
    X(kestrun_srec_reader_set_overlap)                                                           \
    X(kestrun_srec_reader_set_window)                                                            \
    X(kestrun_srec_reader_set_origin)                                                            \
    X(kestrun_srec_reader_set_source)                                                            \
    X(kestrun_srec_reader_on_record)                                                             \
    X(kestrun_srec_reader_on_conflict)                                                           \
    X(kestrun_srec_reader_on_progress)                                                           \
    X(kestrun_srec_reader_feed)                                                                  \
    X(kestrun_srec_reader_finish)                                                                \
    X(kestrun_srec_reader_place)                                                                 \
    X(kestrun_srec_reader_stats)                                                                 \
    X(kestrun_srec_options_init)                                                                 \
    X(kestrun_srec_writer_new)                                                                   \
    X(kestrun_srec_writer_free)                                                                  \
    X(kestrun_srec_writer_on_progress)                                                           \
    X(kestrun_srec_writer_image)                                                                 \
    X(kestrun_srec_writer_finish)                                                                \
    X(kestrun_srec_image_size)                                                                   \
    X(kestrun_image_merge)                                                                       \
    X(kestrun_image_compare)                                                                     \
    X(kestrun_check_new)                                                                         \
    X(kestrun_check_new_crc)                                                                     \
    X(kestrun_check_free)                                                                        \
    X(kestrun_check_preset)                                                                      \
    X(kestrun_check_width)                                                                       \
    X(kestrun_check_image)                                                                       \
    X(kestrun_check_bytes)                                                                       \
    X(kestrun_image_replace)                                                                     \
    X(kestrun_image_insert_check)

// The image interface, all bound or none.
struct ImageCalls {
#define PELCOR_IMAGE_CALL_POINTER(name) decltype(&::name) name = nullptr;
    PELCOR_IMAGE_CALLS(PELCOR_IMAGE_CALL_POINTER)
#undef PELCOR_IMAGE_CALL_POINTER
};

struct LibraryCalls {
    // CheckSum; no value when the export could not be called.
    std::optional<std::uint32_t> (*checkSum)(const std::uint8_t *data, std::uint32_t dataLength,
                                             std::uint32_t first, std::uint32_t last,
                                             std::uint32_t blank, char *digits);
    decltype(&::HexToBinary) hexToBinary;
    decltype(&::BinaryToHex) binaryToHex;
    decltype(&::DumpFormat) dumpFormat;
    // The image interface, found when the engine first needs it; null when
    // it cannot be bound (the binding has said why).
    const ImageCalls *(*image)() = nullptr;
};

#endif
