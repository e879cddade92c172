// Runs one kestrun invocation from start to exit status: settings, input,
// the conversion through the engine Pelcor uses, the output, and every
// failure reported on standard error as "FILE: message" or, for a record
// of a HEX text, "FILE:LINE: message".
#ifndef KESTRUN_CLI_COMMAND_RUNNER_H
#define KESTRUN_CLI_COMMAND_RUNNER_H

#include "InputSource.h"
#include "Invocation.h"
#include "OutputTarget.h"
#include "core/ConversionEngine.h"

#include <QByteArray>
#include <QString>

class StreamingOutput;

class CommandRunner {
public:
    // "kestrun: note: no data in WINDOW; the data lies in LOW-HIGH" (or
    // "the input holds no data"): a given range that holds fill alone.
    static QString emptyWindowNote(ConversionEngine::Addresses window,
                                   std::optional<ConversionEngine::Addresses> data);
    // Exit statuses.
    static constexpr int Done = 0;
    static constexpr int Failed = 1;
    static constexpr int UsageError = 2;

    explicit CommandRunner(const Invocation &invocation);

    int run();

private:
    int usage(const QString &error) const;
    int fail(const QString &where, const QString &message) const;
    int cancelled() const;
    QString outputPath() const;
    QString checkOutput() const;
    bool readSettings(ConversionSettings &settings) const;
    int convert(const ConversionSettings &settings, InputSource &input);
    std::int32_t runEngine(ConversionEngine &engine, InputSource &input,
                           StreamingOutput &output) const;
    int reportFailure(const ConversionEngine &engine, std::int32_t result) const;
    static QString conflictText(const kestrun_conflict &conflict);
    static bool noteEmptyWindow(ConversionEngine::Addresses window,
                                std::optional<ConversionEngine::Addresses> data);
    void warnOfConflicts(const ConversionEngine &engine) const;
    int outputStatus(OutputTarget::Outcome outcome, const QString &error) const;
    QByteArray resultHead(const ConversionEngine &engine) const;
    void noteLeadingFill(ConversionEngine &engine, const ConversionSettings &settings) const;
    QByteArray infoText(ConversionEngine &engine) const;

    const Invocation &m_invocation;
};

#endif
