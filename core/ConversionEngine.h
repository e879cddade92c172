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
#include "core/LargeBuffer.h"
#include "core/LibraryCalls.h"

#include <QByteArrayView>
#include <QString>

#include <climits>
#include <cstdint>
#include <functional>
#include <span>

class ConversionEngine {
public:
    // Results beside the library's own codes, below all of them.
    // A library export could not be called; its binding has said why.
    static constexpr std::int32_t NotBound = INT32_MIN;
    // No buffer size could be made from the settings; fault() names the one
    // to blame.
    static constexpr std::int32_t SettingFault = INT32_MIN + 1;

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
    // from address 0.
    std::int32_t hexToDump(QByteArrayView text);

    QString fault() const { return m_fault; }
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
    std::int32_t refuse(const QString &setting);
    void beforeLibrary();
    bool makeOutput(std::int64_t capacity);
    bool makeText(std::int64_t capacity);
    std::int32_t assemble(QByteArrayView text, std::int32_t progressTotal,
                          const ConversionSettings &window);
    std::int32_t dump(std::uint8_t *data, std::uint32_t length);

    LibraryCalls m_calls;
    ConversionSettings m_settings;
    ProgressCallback m_callback = nullptr;
    std::intptr_t m_userValue = 0;
    std::function<void()> m_beforeLibrary;
    std::function<void()> m_beforeDump;
    std::function<void(const char *)> m_textReady;

    std::uint32_t m_start = 0;
    std::uint32_t m_end = 0;
    QString m_fault;
    QString m_checksum;
    bool m_hasLines = false;
    LargeBuffer m_output;
    std::uint32_t m_outputLength = 0;
};

#endif
