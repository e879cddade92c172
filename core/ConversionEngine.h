// The work of the four conversions, without a window: the settings and the
// source go in, the library's result and the output bytes come out. Pelcor's
// drivers and the kestrun command both convert through it, so a source gives
// the same bytes whichever of them the user runs. The drivers put their
// progress window's steps between the library calls through the two steps
// below; everything that decides a byte of the result lives here.
//
// One engine serves one conversion: construct it with the settings read
// when the conversion starts, call one of the four conversions, read what
// it made.
#ifndef PELCOR_CONVERSION_ENGINE_H
#define PELCOR_CONVERSION_ENGINE_H

#include "core/ConversionPlan.h"
#include "core/HexLayout.h"
#include "core/LargeBuffer.h"
#include "core/LibraryCalls.h"
#include "core/LineRewriter.h"

#include <QByteArrayView>
#include <QString>

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

class ConversionEngine {
public:
    // Results beside the library's own codes, below all of them.
    // A library export could not be called; its binding has said why.
    static constexpr std::int32_t NotBound = INT32_MIN;
    // No buffer size could be made from the settings; fault() names the one
    // to blame.
    static constexpr std::int32_t SettingFault = INT32_MIN + 1;
    // The output would be larger than the library's 32-bit sizes;
    // failureMessage() names its size.
    static constexpr std::int32_t TooLarge = INT32_MIN + 2;
    // A given range that cannot be converted: its end lies before its
    // start, it holds no byte of the source, or its addresses would pass
    // 32 bits; failureMessage() says which.
    static constexpr std::int32_t RangeFault = INT32_MIN + 3;
    // The large-image check said no.
    static constexpr std::int32_t Declined = INT32_MIN + 4;

    ConversionEngine(const LibraryCalls &calls, const ConversionSettings &settings);

    // The callback and value every long library call reports to.
    void setProgress(ProgressCallback callback, std::intptr_t userValue);
    // Runs once, before the first library call, after the settings and the
    // source have been found usable for the output's size.
    void setBeforeLibrary(std::function<void()> step);
    // Runs before a dump's lines are sized and made (not for a checksum
    // only), after the checksum.
    void setBeforeDump(std::function<void()> step);
    // Runs when the buffer of a text output (HEX text, dump lines) has been
    // made, just before the library writes into it. Whenever the library
    // reports progress, the text it has finished ends at the first NUL.
    void setTextReady(std::function<void(const char *text)> step);
    // Asked before an automatic image larger than kLargeImage is made, with
    // its size and its lowest and highest data address; false ends the
    // conversion with Declined. Without it such an image is made at once.
    using LargeImageCheck =
        std::function<bool(std::uint64_t size, std::uint32_t lowest, std::uint32_t highest)>;
    void setLargeImageCheck(LargeImageCheck check);

    // The setting that makes binary to HEX impossible before any source is
    // read (RecordLength among them), or empty.
    static QString binaryToHexFault(const ConversionSettings &settings);

    // HEX text to the image of the address window. The library reads the
    // text up to a NUL, which must follow it (as in every QByteArray).
    std::int32_t hexToBinary(QByteArrayView text);
    // A binary image to Intel HEX text.
    std::int32_t binaryToHex(QByteArrayView data);
    // A binary image to a dump report. The library overwrites the bytes of
    // `data` that a dump shows as '.', so the checksum is taken first.
    std::int32_t binaryToDump(std::span<std::uint8_t> data);
    // HEX text, NUL-terminated as above, to the dump report of its image
    // from address 0 (from its lowest data address with fromLowest).
    std::int32_t hexToDump(QByteArrayView text);
    // Checks HEX text through the library without making its image, and
    // reads where its data lies: layout() and dataSum() then describe it.
    std::int32_t inspect(QByteArrayView text);

    // The setting to blame after SettingFault.
    QString fault() const { return m_fault; }
    // What to tell the user after SettingFault, TooLarge or RangeFault.
    QString failureMessage() const;
    // Where the data of the last HEX text lies (read once, when first asked).
    const HexLayout &layout();
    // The sum of the bytes the last HEX text's image holds at its data
    // addresses, each address counted once.
    std::uint32_t dataSum();
    // The window of the last conversion, as the report's Address line
    // shows it.
    std::uint32_t windowStart() const { return m_start; }
    std::uint32_t windowEnd() const { return m_end; }
    // How many bytes of fill the last image made from HEX text began with;
    // data bytes equal to the fill byte count as fill.
    std::uint64_t leadingFill() const { return m_leadingFill; }
    // What the last library call made: the image, the HEX text or the dump
    // lines (nothing for a checksum only). Valid while the engine lives.
    QByteArrayView output() const;
    // A dump report up to its lines: the header with the file name, the
    // address range and the checksum, then the column heading and its rule
    // unless only the checksum was asked for. Final from the dump step on,
    // before the lines are made.
    QString reportHead(const QString &fileName) const;
    // The eight checksum digits of the last dump.
    QString checksum() const { return m_checksum; }

private:
    // The addresses first..last; with autoEnd the library finds the end.
    struct Window {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        bool autoEnd = true;
    };

    std::int32_t refuse(const QString &setting);
    std::int32_t refuseRange(const QString &message);
    std::int32_t tooLarge(std::uint64_t bytes);
    void beforeLibrary();
    bool makeOutput(std::int64_t capacity);
    bool makeText(std::int64_t capacity);
    void useText(QByteArrayView text);
    Window hexWindow();
    std::int32_t checkLayoutSource();
    std::int32_t validate();
    Window binaryWindow(std::uint64_t dataLength) const;
    std::int32_t checkBinaryWindow(const Window &window, std::uint64_t dataLength);
    std::int32_t assemble(QByteArrayView text, std::int32_t progressTotal, Window window);
    std::int32_t growImage(std::int64_t &capacity);
    std::int32_t writeHex(QByteArrayView data, std::uint32_t first, std::uint32_t last, char *text,
                          std::uint64_t capacity, std::uint32_t &written);
    std::int32_t writeHexFromBase(QByteArrayView data, std::uint32_t first, std::uint32_t last,
                                  std::uint64_t capacity);
    std::int32_t dump(std::uint8_t *data, std::uint32_t length, std::uint32_t imageStart = 0);
    // The progress callback while lines are rewritten: catches the
    // rewriter up, then reports on with the whole conversion's total.
    static std::int32_t relay(std::int32_t done, std::int32_t total, std::intptr_t self);
    ProgressCallback callbackNow() const;
    std::intptr_t userValueNow() const;

    LibraryCalls m_calls;
    ConversionSettings m_settings;
    ProgressCallback m_callback = nullptr;
    std::intptr_t m_userValue = 0;
    std::function<void()> m_beforeLibrary;
    std::function<void()> m_beforeDump;
    std::function<void(const char *)> m_textReady;

    LargeImageCheck m_largeImageCheck;
    LineRewriter m_rewriter;
    std::int32_t m_relayTotal = -1;

    std::uint32_t m_start = 0;
    std::uint32_t m_end = 0;
    QString m_fault;
    QString m_message;
    QByteArrayView m_text;
    std::optional<HexLayout> m_layout;
    QString m_checksum;
    bool m_hasLines = false;
    LargeBuffer m_output;
    std::uint32_t m_outputLength = 0;
    std::uint64_t m_leadingFill = 0;
};

#endif
