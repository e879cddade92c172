// The overlaps met while images are read and merged, each naming both of
// its writers by input and line: "b.hex:12: 08004000-0800400F also written
// by a.hex:3" (a binary or ELF input, which has no lines, by its name
// alone). The inputs are tagged by their number from 1, and named by the
// caller (kestrun: the arguments as given; Pelcor: the file names).
//
//     ConflictLog log({"a.hex", "b.hex"}, KESTRUN_OVERLAP_REFUSE);
//     options.onConflict = ConflictLog::collect;
//     options.conflictUser = log.userValue();
//     ... read and merge ...
//     if (rc == ResultOverlap) print(log.text(log.refused()));
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
    // The last record's conflicts as one: a record over several earlier
    // ones is reported once for each, and a refusal names them all, from
    // the first earlier line on.
    const kestrun_conflict &refused() const { return m_record; }
    // Folds `conflict` into `record`, the report of the record being read:
    // one over several earlier records is reported once for each, in
    // address order, and `record` grows over them, named by the first
    // earlier line. Another record's report, or the `first`, starts anew.
    static void fold(kestrun_conflict &record, const kestrun_conflict &conflict, bool first);
    QString text(const kestrun_conflict &conflict) const;
    // "FILE:LINE", or "FILE" for line 0 (an input without lines).
    QString place(std::uint32_t source, std::uint64_t line) const;
    // The readers' own warnings ("a.hex:3: warning: text after the end
    // record is not read"), whatever the policy, in the order met.
    void note(const QStringList &lines) { m_notes << lines; }
    const QStringList &notes() const { return m_notes; }
    // The notes, then the warnings of the conflicts the policy let pass
    // ("a.hex:12: warning: ... (the later bytes kept)"), then a line for
    // those not kept; no conflict's under identical and error.
    QStringList warnings() const;

private:
    QString name(std::uint32_t source) const;

    QStringList m_inputs;
    std::int32_t m_policy;
    std::uint64_t m_count = 0;
    std::vector<kestrun_conflict> m_kept;
    kestrun_conflict m_record{};
    QStringList m_notes;
};

#endif
