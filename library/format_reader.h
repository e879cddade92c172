// What every format's reader is told before its first piece, and what the
// one reader handle asks of it.
#ifndef KESTRUN_FORMAT_READER_H
#define KESTRUN_FORMAT_READER_H

#include "exports.h"
#include "image.h"

#include <cstdint>
#include <string>

namespace kestrun {

// Progress in the caller's units: offsets shifted right so that the total
// fits the callback's 31 bits, the total as the caller gave it.
struct Progress {
    ProgressCallback callback = nullptr;
    intptr_t userValue = 0;
    int32_t total = 0;
    unsigned shift = 0;
    // Reports come at most once in this many bytes (0: at every call); a
    // call for each of millions of records costs a twentieth of a read.
    uint64_t every = 0;
    mutable uint64_t next = 0;

    void set(ProgressCallback cb, uint64_t bytes, intptr_t user)
    {
        callback = cb;
        userValue = user;
        next = 0;
        shift = 0;
        while ((bytes >> shift) > uint64_t(INT32_MAX))
            ++shift;
        total = static_cast<int32_t>(bytes >> shift);
    }
    bool report(uint64_t done) const
    {
        if (!callback || done < next)
            return true;
        next = done + every;
        return callback(static_cast<int32_t>(done >> shift), total, userValue) != 0;
    }
};

// What every format's reader is told before its first piece.
struct ReaderSettings {
    OverlapRule overlap;
    StoredWindow window;
    uint32_t source = 0;
    kestrun_record_fn onRecord = nullptr;
    intptr_t recordUser = 0;
    Progress progress;
    uint64_t dataBytes = 0; // data bytes read (those outside the window too)
    // Records whose checksum is wrong are read as if it were right, and
    // counted, for a caller that is to make them right.
    bool acceptChecksums = false;
    uint64_t badChecksums = 0;
};

class FormatReader : public ReaderSettings {
public:
    virtual ~FormatReader() = default;
    virtual int32_t feed(const char *bytes, uint64_t length) = 0;
    virtual int32_t finish() = 0;
    // The place of the failure; null when there is none.
    virtual const kestrun_place *place() const = 0;
    // Counts for kestrun_reader_stats (`format` is the handle's to fill).
    virtual void statsInto(kestrun_read_stats &stats) const = 0;
    // The input to come begins at `offset` of a longer one, on `line`.
    virtual void beginAt(uint64_t, uint64_t) {}
    // Binary input only: the address of its first byte.
    virtual int32_t setAddress(uint32_t) { return ResultBadArgument; }
    // Why a binary or ELF input was refused; KESTRUN_FAULT_NONE otherwise.
    virtual const kestrun_fault &fault() const
    {
        static const kestrun_fault none{};
        return none;
    }
    // The fault in English, for kestrun_reader_detail.
    virtual std::string detail() const { return std::string(); }
    // A family the input names (UF2); false when it names none.
    virtual bool family(uint32_t &) const { return false; }
    // Where text stands after the end record (kestrun_reader_past_end);
    // null when none does.
    virtual const kestrun_place *pastEnd() const { return nullptr; }
};

} // namespace kestrun

#endif
