// A conversion's source, handed over in pieces: the whole text of a
// document at once, or a file read a piece at a time, so that a source of
// any size costs a piece of memory.
#ifndef PELCOR_INPUT_PIECES_H
#define PELCOR_INPUT_PIECES_H

#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <memory>

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
    // The bytes from..to (within size()) as a source of their own, read
    // apart from this one and from any thread; null where the source
    // cannot be read out of order (a pipe).
    virtual std::unique_ptr<InputPieces> part(std::uint64_t, std::uint64_t) const
    {
        return nullptr;
    }
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
    std::unique_ptr<InputPieces> part(std::uint64_t from, std::uint64_t to) const override
    {
        const std::uint64_t size = this->size();
        from = std::min(from, size);
        to = std::clamp(to, from, size);
        return std::make_unique<MemoryPieces>(m_bytes.sliced(qsizetype(from), qsizetype(to - from)));
    }

private:
    QByteArrayView m_bytes;
    bool m_given = false;
};

#endif
