// The check a command line asks for (a preset, or a CRC model given by its
// parameters), the range it covers in an image, and a value put at or
// read from its slot: what crc, merge and convert share.
#ifndef KESTRUN_CLI_CHECK_REQUEST_H
#define KESTRUN_CLI_CHECK_REQUEST_H

#include "ImageJobOptions.h"
#include "exports.h"

#include <QString>

#include <memory>

struct CheckFree {
    void operator()(kestrun_check *check) const { kestrun_check_free(check); }
};
using CheckPointer = std::unique_ptr<kestrun_check, CheckFree>;

class CheckRequest {
public:
    explicit CheckRequest(const ImageJob &job);

    // Null with `error` for an unknown name.
    CheckPointer make(QString &error) const;
    QString name() const;
    // The range of `image` to check: --range, or the lowest to the highest
    // data address outside the slot. False, with
    // `error`, for an empty image or a slot within the range.
    bool range(const kestrun_image *image, std::optional<std::uint32_t> slot,
               std::uint32_t slotBytes, AddressRange &out, QString &error) const;
    // Computes and stores the value at job.insertAt; false with `error`.
    // Data in the slot that differ from the value are refused unless
    // `policy` (the --overlap the user gave) is "last", which writes over
    // them and says so in `warning`; `inputs` name the data's writers.
    bool insert(kestrun_image *image, const QStringList &inputs, std::int32_t policy,
                QString &error, QString &warning) const;

    // The presets, one a line with what they are, for --algorithm list.
    static QString list();

private:
    const ImageJob &m_job;
};

#endif
