// A conversion's source, handed over in pieces: the whole text of a
// document at once, or a file read a piece at a time, so that a source of
// any size costs a piece of memory.
#ifndef PELCOR_INPUT_PIECES_H
#define PELCOR_INPUT_PIECES_H

#include <QByteArrayView>
#include <QString>

#include <cstdint>

class InputPieces {
public:
    virtual ~InputPieces() = default;
    // The source's size as far as it is known (for progress; 0 unknown).
    virtual std::uint64_t size() const = 0;
    // The next piece into `piece` (empty at the end); false when reading
    // failed, error() saying why.
    virtual bool next(QByteArrayView &piece) = 0;
    // Back to the start, for a second pass; false when the source cannot.
    virtual bool rewind() = 0;
    virtual QString error() const { return QString(); }
};

// Bytes already in memory, as one piece.
class MemoryPieces : public InputPieces {
public:
    explicit MemoryPieces(QByteArrayView bytes) : m_bytes(bytes) {}
    std::uint64_t size() const override { return std::uint64_t(m_bytes.size()); }
    bool next(QByteArrayView &piece) override
    {
        piece = m_given ? QByteArrayView() : m_bytes;
        m_given = true;
        return true;
    }
    bool rewind() override
    {
        m_given = false;
        return true;
    }

private:
    QByteArrayView m_bytes;
    bool m_given = false;
};

#endif
