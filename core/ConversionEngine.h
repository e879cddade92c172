// The work of the four conversions, without a window: the settings and the
// source go in, the result comes out, into a buffer (output()) or, piece by
// piece, into a sink. Pelcor's drivers and the kestrun command both convert
// through it, so a source gives the same bytes whichever of them the user
// runs. The formats are the library's: a text is read by its one reader,
// in the format the library's detection finds (Intel HEX, S-records, or an
// ELF executable; any other text is read as Intel HEX and refused where it
// stops being that), into its image, and written by its writers; this
// engine only decides windows, refusals and where the bytes go. "HEX text"
// below is any of these.
//
// One engine serves one conversion: construct it with the settings read
// when the conversion starts, call one of the conversions, read what it made.
//
// Its work is one file a job: ConversionEngine.cpp (set-up, refusals, the
// output), ConversionEngineInput.cpp (reading the source through the
// library's reader), ConversionEngineWindows.cpp (the address windows and
// the questions about them), ConversionEngineBinary.cpp (HEX to binary,
// streamed or through the image), ConversionEngineParts.cpp (reading a long
// HEX text in two parts at once), ConversionEngineHex.cpp (binary to HEX),
// ConversionEngineDump.cpp (the dump report) and ConversionEngineWriteParts.cpp
// (writing a long text in two parts at once).
#ifndef PELCOR_CONVERSION_ENGINE_H
#define PELCOR_CONVERSION_ENGINE_H

#include "core/AscendingBinary.h"
#include "core/ConversionPlan.h"
#include "core/InputPieces.h"
#include "core/LargeBuffer.h"
#include "core/LibraryCalls.h"

#include <QByteArrayView>
#include <QString>

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>


class ConversionEngine {
public:
    // Results beside the library's own codes, below all of them.
    // A library export could not be called; its binding has said why.
    static constexpr std::int32_t NotBound = INT32_MIN;
    // No buffer size could be made from the settings; fault() names the one
    // to blame.
    static constexpr std::int32_t SettingFault = INT32_MIN + 1;
    // The output would be larger than a buffer can hold; failureMessage()
    // names its size.
    static constexpr std::int32_t TooLarge = INT32_MIN + 2;
    // A given range that cannot be converted: its end lies before its
    // start, it holds no byte of the source, or its addresses would pass
    // 32 bits; failureMessage() says which.
    static constexpr std::int32_t RangeFault = INT32_MIN + 3;
    // The large-image check said no.
    static constexpr std::int32_t Declined = INT32_MIN + 4;
    // The source could not be read; failureMessage() says why.
    static constexpr std::int32_t InputFault = INT32_MIN + 5;

    // The conflicts kept for the user, of all those counted.
    static constexpr std::size_t kConflictsKept = 20;

    ConversionEngine(const LibraryCalls &calls, const ConversionSettings &settings);
    ~ConversionEngine();
    ConversionEngine(ConversionEngine &&other) noexcept;
    ConversionEngine(const ConversionEngine &) = delete;
    ConversionEngine &operator=(const ConversionEngine &) = delete;
    ConversionEngine &operator=(ConversionEngine &&) = delete;

    // The callback and value every long library call reports to.
    void setProgress(ProgressCallback callback, std::intptr_t userValue);
    // Runs once, before the result is made, after the settings and the
    // source have been found usable.
    void setBeforeLibrary(std::function<void()> step);
    // Runs before a dump's lines are made (not for a checksum only), after
    // the checksum.
    void setBeforeDump(std::function<void()> step);
    // Sends every output byte to `sink` as it is made, instead of keeping
    // it for output(); a false return stops the conversion (ResultCancelled).
    // With `startOver` (which drops all the sink took, false when it cannot),
    // HEX to binary sends the bytes of records in address order as they are
    // read, holding no image, and starts over with one should a record come
    // out of order.
    void setSink(std::function<bool(QByteArrayView bytes)> sink,
                 std::function<bool()> startOver = {});
    // With a sink that can start over: bytes at an offset of the output,
    // beside those the sink takes in order, which never reach them; called
    // from another thread while the sink takes its bytes. With it, HEX to
    // binary reads a long text as two parts at once. Without a sink, the
    // output buffer takes them.
    void setPlacedSink(std::function<bool(std::uint64_t offset, QByteArrayView bytes)> sink);
    // Told the exact size of the output before it goes to the sink, where
    // it is known beforehand (binary to HEX, a dump's lines).
    void setExpectedSize(std::function<void(std::uint64_t size)> note)
    {
        m_expectedSize = std::move(note);
    }
    // The length from which a text read or written is worth two parts at
    // once (32 MiB by default): HEX to binary reads it so, binary to HEX and
    // the dump of a binary source write it so.
    void setTwoPartsFrom(std::uint64_t textBytes) { m_twoPartsFrom = textBytes; }
    // Asked before an image, or the dump of one, larger than kLargeImage is
    // made, with its size and its lowest and highest data address within
    // it: Make goes on, FromLowest makes this one from the lowest data
    // address instead (as the fromLowest setting would, which stays as it
    // is), Decline ends the conversion with Declined. Without it such an
    // image is made at once.
    enum class LargeImageAnswer { Make, FromLowest, Decline };
    using LargeImageCheck = std::function<LargeImageAnswer(std::uint64_t size, std::uint32_t lowest,
                                                           std::uint32_t highest)>;
    void setLargeImageCheck(LargeImageCheck check);
    // Addresses low..high, both included.
    struct Addresses {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
    };
    // Asked before a HEX text's given window that holds none of its data
    // is made (it would be fill alone), with the window and the lowest and
    // highest data address (none for a text without data); false ends the
    // conversion with Declined. Without it such a window is made at once.
    using EmptyWindowCheck = std::function<bool(Addresses window, std::optional<Addresses> data)>;
    void setEmptyWindowCheck(EmptyWindowCheck check);

    // The setting that makes binary to HEX impossible before any source is
    // read (RecordLength among them), or empty.
    static QString binaryToHexFault(const ConversionSettings &settings);

    // HEX text to the image of the address window.
    std::int32_t hexToBinary(QByteArrayView text);
    std::int32_t hexToBinary(InputPieces &text);
    // A binary image to Intel HEX text.
    std::int32_t binaryToHex(QByteArrayView data);
    std::int32_t binaryToHex(InputPieces &data);
    // A binary image to a dump report; the source is read twice (checksum,
    // then lines).
    std::int32_t binaryToDump(std::span<std::uint8_t> data);
    std::int32_t binaryToDump(InputPieces &data);
    // HEX text to the dump report of its image from address 0 (from its
    // lowest data address with fromLowest).
    std::int32_t hexToDump(QByteArrayView text);
    std::int32_t hexToDump(InputPieces &text);
    // Reads HEX text into its image without making a result: image() and
    // stats() then describe it.
    std::int32_t inspect(QByteArrayView text);
    std::int32_t inspect(InputPieces &text);

    // The setting to blame after SettingFault.
    QString fault() const { return m_fault; }
    // What to tell the user after SettingFault, TooLarge, RangeFault or
    // InputFault.
    QString failureMessage() const;
    // Where the HEX text failed, after a record error.
    const std::optional<kestrun_place> &place() const { return m_place; }
    // Records that wrote addresses already written with other bytes: the
    // first kConflictsKept of them, and how many there were.
    const std::vector<kestrun_conflict> &conflicts() const { return m_conflicts; }
    std::uint64_t conflictCount() const { return m_conflictCount; }
    // The last record's conflicts as one (ConflictLog::fold), which a
    // refusal names.
    const kestrun_conflict &lastConflict() const { return m_lastConflict; }
    // What the reader noted of the source, with the source named `name`:
    // "NAME:LINE: warning: text after the end record ...", or empty; LINE
    // as an editor counts lines with `editorLine`.
    QString pastEndWarning(const QString &name, bool editorLine = false) const;
    // The image of the last HEX text and what its reader counted (its
    // format among them); the image interface that reads it.
    const kestrun_image *image() const { return m_image; }
    const kestrun_read_stats &readStats() const { return m_readStats; }
    // The same counts as the HEX reader gave them, for the command line's
    // info: the records by type only for Intel HEX.
    kestrun_hex_stats stats() const;
    const ImageCalls *imageCalls() const { return m_image ? m_imageCalls : nullptr; }
    // The lowest and highest data address of the last HEX text, false when
    // it held none; also after a conversion that streamed it without an
    // image.
    bool dataBounds(std::uint32_t &lowest, std::uint32_t &highest) const;
    // The window of the last conversion, as the report's Address line
    // shows it.
    std::uint32_t windowStart() const { return m_start; }
    std::uint32_t windowEnd() const { return m_end; }
    // What the last conversion made, when no sink took it: the image, the
    // HEX text or the dump lines (nothing for a checksum only).
    QByteArrayView output() const;
    // A dump report up to its lines: the header with the file name, the
    // address range and the checksum, then the column heading and its rule
    // unless only the checksum was asked for. Final from the dump step on,
    // before the lines are made.
    QString reportHead(const QString &fileName) const;
    // The eight checksum digits of the last dump.
    QString checksum() const { return m_checksum; }

private:
    // The addresses first..last; with autoEnd up to the highest data.
    struct Window {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        bool autoEnd = true;
    };

    const ImageCalls *bind();
    std::int32_t refuse(const QString &setting);
    std::int32_t refuseRange(const QString &message);
    std::int32_t tooLarge(std::uint64_t bytes);
    void beforeLibrary();
    bool makeOutput(std::uint64_t size);
    std::int32_t readSource(InputPieces &text, AscendingBinary *ascending = nullptr);
    bool streamable(const Window &window);
    std::int32_t streamHexToBinary(InputPieces &text, const Window &window);
    // What a streamed reading found: the window's start and the data's bounds.
    struct Streamed {
        bool empty = true;
        std::uint32_t start = 0;
        std::uint32_t lowest = 0;
        std::uint32_t highest = 0;
        bool windowHeld = false;
    };
    std::int32_t settleStreamed(const Streamed &streamed, const Window &window);
    bool startOver();
    std::optional<std::uint64_t> resumePoint(InputPieces &text);
    std::int32_t streamHexInTwo(InputPieces &text, std::uint64_t middle,
                                const AscendingBinary::Window &whole, Streamed &streamed);
    std::int32_t placeAt(std::uint64_t offset, QByteArrayView bytes);
    std::optional<std::int32_t> writeInTwo(InputPieces &data, std::uint64_t from,
                                           std::int32_t format,
                                           const kestrun_write_options &options,
                                           std::uint32_t address, std::uint64_t length,
                                           std::uint64_t textSize);
    struct PlacedPart;
    static std::int32_t toPlace(const char *bytes, std::uint64_t length, std::intptr_t part);
    static std::int32_t streamRecord(const kestrun_record *record, std::intptr_t binary);
    Window hexWindow() const;
    std::int32_t hexImageWindow(const Window &window);
    std::optional<Addresses> dataWithin(std::uint32_t first, std::uint32_t last) const;
    std::int32_t writeImageWindow();
    Window binaryWindow(std::uint64_t dataLength) const;
    std::int32_t checkBinaryWindow(const Window &window, std::uint64_t dataLength);
    using PieceUse = std::function<std::int32_t(std::uint64_t position, const std::uint8_t *bytes,
                                                std::uint64_t count)>;
    std::int32_t eachPiece(InputPieces &data, std::uint64_t first, std::uint64_t stop,
                           const PieceUse &use, std::uint64_t &reached);
    std::int32_t sumSource(InputPieces &data, std::uint64_t length);
    std::int32_t sumPieces(InputPieces &data, std::uint64_t &sum, QString &error) const;
    std::int32_t dumpLines(InputPieces *data, std::uint64_t length);
    std::int32_t put(QByteArrayView bytes);
    static std::int32_t toSink(const char *bytes, std::uint64_t length, std::intptr_t self);
    static std::int32_t keepConflict(const kestrun_conflict *conflict, std::intptr_t self);

    LibraryCalls m_calls;
    const ImageCalls *m_imageCalls = nullptr;
    ConversionSettings m_settings;
    ProgressCallback m_callback = nullptr;
    std::intptr_t m_userValue = 0;
    std::function<void()> m_beforeLibrary;
    std::function<void()> m_beforeDump;
    std::function<bool(QByteArrayView)> m_sink;
    LargeImageCheck m_largeImageCheck;
    EmptyWindowCheck m_emptyWindowCheck;

    std::uint32_t m_start = 0;
    std::uint32_t m_end = 0;
    bool m_emptyWindow = false;
    QString m_fault;
    QString m_message;
    std::optional<kestrun_place> m_place;
    std::vector<kestrun_conflict> m_conflicts;
    std::uint64_t m_conflictCount = 0;
    kestrun_conflict m_lastConflict{};
    std::optional<kestrun_place> m_pastEnd;
    bool m_readSRecords = false;
    kestrun_image *m_image = nullptr;
    kestrun_read_stats m_readStats{};
    QString m_checksum;
    bool m_hasLines = false;
    LargeBuffer m_output;
    std::uint64_t m_outputLength = 0;
    std::function<bool()> m_startOver;
    std::function<bool(std::uint64_t, QByteArrayView)> m_placedSink;
    std::function<void(std::uint64_t)> m_expectedSize;
    std::uint64_t m_twoPartsFrom = std::uint64_t(32) << 20;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> m_streamedBounds;
};

#endif
