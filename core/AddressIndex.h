// Where the data records of an image text (Intel HEX or S-records) put
// their bytes, by line, as the library's reader reports each record: the
// absolute address under a column of the text, and the record that holds
// an address. Windowless; the document windows ask it for the caret's
// address and for go-to, and fill it from the read of their MemoryMap.
//
// The index keeps lines and addresses only: which columns of a line hold
// the data is the library's tokenizer's to say, asked for the one line a
// question is about. Lines are counted as an editor counts them (CR LF,
// LF and CR alone each end a line), as the document shows them.
//
// Records on consecutive lines of one length whose addresses step evenly
// (as every writer lays them) are kept as one run, so that a text's
// index costs a few bytes per extended address record, not 16 per line.
#ifndef PELCOR_ADDRESS_INDEX_H
#define PELCOR_ADDRESS_INDEX_H

#include "core/LibraryCalls.h"

#include <QByteArrayView>

#include <cstdint>
#include <optional>
#include <vector>

class AddressIndex {
public:
    // One data record: its line (from 1), the address of its first byte
    // (bases applied) and its data bytes (a record holds at most 255).
    struct Record {
        std::uint64_t line;
        std::uint32_t address;
        std::uint16_t length;
    };

    AddressIndex() = default;
    // Reads `text` with the library (MemoryMap::read); the records up to the first bad one
    // (or all of them) are kept, so that the part above an error still
    // answers.
    static AddressIndex read(const ImageCalls &calls, QByteArrayView text);

    // The library's tokenizer, which finds the data on a line of `format`
    // text (KESTRUN_FORMAT_*) for the questions about columns; without it
    // they have no answer.
    void setTokenizer(const ImageCalls &calls, std::int32_t format);
    // Adds the record after the last, in line order.
    void add(const Record &record);
    void clear() { m_runs.clear(); }

    bool empty() const { return m_runs.empty(); }
    std::uint64_t size() const;

    // The address of the data byte whose digits include byte `column`
    // (from 1) of `line`, whose text is `lineText` (its line end may be
    // included); none off the data the tokenizer finds there, or when the
    // line does not hold the record the index has for it.
    std::optional<std::uint32_t> addressAt(std::uint64_t line, QByteArrayView lineText,
                                           int column) const;
    // The first line whose record holds `address`; none when none does.
    std::optional<std::uint64_t> lineOf(std::uint32_t address) const;
    // That line, and which of its record's data bytes (from 0) `address` is.
    struct Place {
        std::uint64_t line;
        std::uint32_t byte;
    };
    std::optional<Place> placeOf(std::uint32_t address) const;
    // The digits of `count` data bytes from the `byte`-th on a line whose
    // text is `lineText`, no further than its data: the column (from 1) of
    // the first and the number of bytes they take; none when the
    // tokenizer finds no such byte there.
    struct Digits {
        int column;
        int width;
    };
    std::optional<Digits> digitsOf(QByteArrayView lineText, std::uint32_t byte,
                                   std::uint32_t count) const;
    // The last record on or above `line`, and the first on or below it.
    std::optional<Record> atOrAbove(std::uint64_t line) const;
    std::optional<Record> atOrBelow(std::uint64_t line) const;

    // Calls each(record) for every record, in line order.
    template <typename Each> void forEach(Each &&each) const
    {
        for (const Run &run : m_runs)
            for (std::uint32_t i = 0; i < run.count; ++i)
                each(run.record(i));
    }

    std::size_t memoryBytes() const { return m_runs.capacity() * sizeof(Run); }

private:
    // `count` records from `firstLine` on, the i-th at firstAddress +
    // i * step; step is at least length when count > 1, and the last
    // record ends within the 32-bit space.
    struct Run {
        std::uint64_t firstLine;
        std::uint32_t firstAddress;
        std::uint32_t count;
        std::uint32_t step;
        std::uint16_t length;

        Record record(std::uint32_t i) const
        {
            return {firstLine + i, firstAddress + i * step, length};
        }
    };

    // The run holding `line`'s record, or the last one before it.
    std::vector<Run>::const_iterator runAtOrAbove(std::uint64_t line) const;

    // The data field of one line, as the tokenizer finds it.
    std::optional<kestrun_token> tokenize(QByteArrayView lineText) const;

    std::vector<Run> m_runs;
    const ImageCalls *m_calls = nullptr;
    std::int32_t m_format = KESTRUN_FORMAT_BINARY;
};

#endif
