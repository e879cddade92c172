// The overlaps met while images are read and merged, each naming both of
// its writers by input and line: "b.hex:12: 08004000-0800400F also written
// by a.hex:3". The inputs are tagged by their number from 1, and named by
// the caller (kestrun: the arguments as given; Pelcor: the file names).
//
//     ConflictLog log({"a.hex", "b.hex"}, KESTRUN_OVERLAP_REFUSE);
//     options.onConflict = ConflictLog::collect;
//     options.conflictUser = log.userValue();
//     ... read and merge ...
//     if (rc == ResultOverlap) print(log.text(log.kept().back()));
#ifndef PELCOR_CONFLICT_LOG_H
#define PELCOR_CONFLICT_LOG_H

#include "exports.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class ConflictLog {
public:
    // `inputs` in the order of their tags; `policy` a KESTRUN_OVERLAP_*.
    ConflictLog(const QStringList &inputs, std::int32_t policy);

    // A kestrun_conflict_fn; userValue is the log.
    static std::int32_t collect(const kestrun_conflict *conflict, intptr_t userValue);
    intptr_t userValue() { return reinterpret_cast<intptr_t>(this); }

    // The conflicts the policy counts (overlaps with other bytes; under
    // "error" every overlap), the first few of them kept.
    std::uint64_t count() const { return m_count; }
    const std::vector<kestrun_conflict> &kept() const { return m_kept; }
    QString text(const kestrun_conflict &conflict) const;
    // The warnings of the conflicts the policy let pass ("a.hex:12:
    // warning: ... (the later bytes kept)"), then a line for those not
    // kept; none under identical and error.
    QStringList warnings() const;

private:
    QString name(std::uint32_t source) const;

    QStringList m_inputs;
    std::int32_t m_policy;
    std::uint64_t m_count = 0;
    std::vector<kestrun_conflict> m_kept;
};

#endif
