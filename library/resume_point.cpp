// Where a second reader may take up a record text in the middle, so that
// a long text can be read in two parts at once: the first line from which
// a reader that starts with nothing in force reads what a reader of the
// whole text reads. The lines are judged by the tokenizer, so this knows
// no more of a record than the readers do.
#include "exports.h"

#include <cstring>

extern "C" {

KESTRUN_API int64_t kestrun_resume_point(int32_t format, const char *text, uint64_t length)
{
    // S-records count their data records in S5/S6, which a part cannot
    // know; only Intel HEX has a record that sets every base it relies on.
    if (format != KESTRUN_FORMAT_IHEX || !text)
        return -1;
    const char *end = text + length;
    const char *p = static_cast<const char *>(std::memchr(text, '\n', length));
    while (p && p + 1 < end) {
        const char *line = p + 1;
        const char *next = static_cast<const char *>(std::memchr(line, '\n', size_t(end - line)));
        // Only a whole line is judged: the next one must have begun.
        if (!next)
            return -1;
        kestrun_line_state state{};
        kestrun_token token{};
        if (*line == ':'
            && kestrun_tokenize_line(KESTRUN_FORMAT_IHEX, line, uint64_t(next - line), &state,
                                     &token) == ResultOk
            && token.type == 0x04)
            return int64_t(line - text);
        p = next;
    }
    return -1;
}

} // extern "C"
