// Rewrites the lines of a text the library is still writing, as each is
// finished: the library ends every line with a NUL, so what lies before
// the first NUL is final. The engine uses it where the library's layout
// starts at address 0 but the user's does not (HEX records from a base
// address, dump lines of an image that starts at its lowest data), and
// runs it from the progress report, before the report lets anyone else
// (kestrun's streaming output) read the lines.
#ifndef PELCOR_LINE_REWRITER_H
#define PELCOR_LINE_REWRITER_H

#include <cstddef>
#include <cstdint>

class LineRewriter {
public:
    LineRewriter() = default;
    // Data records get `offset` added to their address, with the checksum
    // made right again; other records stay. No address may pass FFFF.
    static LineRewriter recordAddresses(std::uint32_t offset);
    // Dump lines of `lineLength` characters get `offset` added to the
    // eight address digits that follow their `indent` spaces.
    static LineRewriter dumpAddresses(std::uint32_t offset, std::size_t lineLength,
                                      std::size_t indent);

    bool isActive() const { return m_from != nullptr; }
    // The lines from `text` on are to be rewritten.
    void follow(char *text) { m_from = text; }
    void stop() { m_from = nullptr; }
    // Rewrites every finished line not yet rewritten.
    void catchUp();

private:
    enum class Kind { Records, Dump };

    void rewriteRecord(char *record) const;

    Kind m_kind = Kind::Records;
    std::uint32_t m_offset = 0;
    std::size_t m_lineLength = 0;
    std::size_t m_indent = 0;
    char *m_from = nullptr;
};

#endif
