// The patcher behind kestrun_patcher_*: a record text streamed through as
// it was, line by line, but for the records that hold a changed byte, the
// records added where none held one, S5/S6 counts and, when asked, wrong
// checksums. Lines are passed on in long spans; only a line that may change
// is split into its fields, so a text goes through at about the speed of
// copying it.
#ifndef KESTRUN_PATCHER_H
#define KESTRUN_PATCHER_H

#include "exports.h"
#include "image.h"
#include "kestrun_patch.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kestrun {

class Patcher {
public:
    Patcher(int32_t format, const Image &original, const Image &changes);

    int32_t feed(const char *text, uint64_t length, kestrun_sink_fn sink, intptr_t user);
    int32_t pass(const char *text, uint64_t length, kestrun_sink_fn sink, intptr_t user);
    int32_t finish(kestrun_sink_fn sink, intptr_t user);

    bool fix = false;
    kestrun_fixed_fn onFixed = nullptr;
    intptr_t fixedUser = 0;
    kestrun_patch_stats stats{};

private:
    struct Range {
        uint64_t low;
        uint64_t stop;
    };
    // How a record added after a line is written: as that line is.
    struct Style {
        bool lower = false;
        std::string lineEnd = "\r\n";
        uint32_t length = 16;
        uint32_t srecType = 1;
    };
    class Out;

    bool completeLine(const char *&p, const char *stop, kestrun_sink_fn sink, intptr_t user,
                      int32_t &rc);

    bool mayChange(const char *line, uint32_t length);
    int32_t line(const char *line, uint32_t length, const char *end, uint32_t endLength, Out &out);
    int32_t change(const char *line, uint32_t length, const char *end, uint32_t endLength,
                   uint64_t number, Out &out);
    bool rewriteData(const char *line, uint32_t length, const kestrun_token &t, std::string &out);
    void fixChecksum(const kestrun_token &t, std::string &text);
    bool recount(const char *line, uint32_t length, const kestrun_token &t, std::string &out);
    void addRecords(std::vector<Range> runs, const Style &style, std::string &out);
    void hexRecord(uint32_t type, uint32_t address, const uint8_t *bytes, uint32_t count,
                   const Style &style, std::string &out) const;
    void srecRecord(uint32_t type, uint32_t address, const uint8_t *bytes, uint32_t count,
                    const Style &style, std::string &out) const;
    bool changeAt(uint64_t address, uint8_t &value) const;
    Style styleOf(const char *line, uint32_t length, const char *end, uint32_t endLength,
                  const kestrun_token &t) const;
    std::vector<Range> takeInsertions(uint64_t low, uint64_t stop);
    std::vector<Range> takeAll();

    int32_t m_format;
    const Image &m_changes;
    std::vector<Range> m_changed; // the changes' segments
    // Runs of changes no record holds, by the highest held address below
    // them; kHead for those below every held byte.
    std::map<uint64_t, std::vector<Range>> m_insertions;
    std::vector<Range> m_head;
    bool m_dataSeen = false;
    kestrun_line_state m_state{};
    uint64_t m_addedSoFar = 0;
    uint64_t m_longest = 0; // the longest data record so far
    std::string m_firstLineEnd;

    std::string m_pending; // a line cut by a piece's end
    std::string m_scratch;
};

} // namespace kestrun

struct kestrun_patcher {
    kestrun_patcher(int32_t format, const kestrun::Image &original,
                    const kestrun::Image &changes)
        : patcher(format, original, changes)
    {
    }
    kestrun::Patcher patcher;
};

#endif
