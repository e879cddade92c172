#include "convert/Conversions.h"

#include "base/AppState.h"
#include "base/BusyScope.h"
#include "base/UserPrompts.h"
#include "convert/Form2.h"
#include "convert/KestrunBinding.h"
#include "convert/Progress.h"
#include "core/ConversionEngine.h"
#include "core/Cp932.h"
#include "core/HexErrorLine.h"
#include "core/PathRules.h"
#include "core/SettingsModel.h"
#include "exports.h"

#include <QFileInfo>

namespace {

const QString kInitialising = QStringLiteral("初期化してるよ");
const QString kTransferring = QStringLiteral("ﾊﾞｯﾌｧに転送してるよ");

static_assert(ConversionEngine::NotBound == KestrunBinding::NotBound);

// The library as bound at run time, whose failures the binding reports.
const LibraryCalls kBoundLibrary{KestrunBinding::CheckSum, KestrunBinding::HexToBinary,
                                 KestrunBinding::BinaryToHex, KestrunBinding::DumpFormat,
                                 KestrunBinding::imageCalls};

ConversionSettings currentSettings()
{
    return readConversionSettings(SettingsModel::program().dumpSettings());
}

void showSettingFault(const QString &key)
{
    prompts().message(appState().frame, QMessageBox::Critical, QStringLiteral("Pelcor"),
                      settingFaultMessage(key), QMessageBox::Ok);
}

// Ends a conversion that failed once the progress window was loaded. The
// library's failures show its own message; the engine's say what to set.
bool fail(const ConversionEngine &engine, std::int32_t result)
{
    closeProgressWindow();
    switch (result) {
    case ConversionEngine::SettingFault:
    case ConversionEngine::TooLarge:
    case ConversionEngine::RangeFault:
        prompts().message(appState().frame, QMessageBox::Critical, QStringLiteral("Pelcor"),
                          engine.failureMessage(), QMessageBox::Ok);
        break;
    case ConversionEngine::Declined:
        break;
    default:
        ShowLibraryError(result);
        break;
    }
    return false;
}

// Whether `result` is a failure of one record of a HEX or S-record text,
// which has a line to show.
bool isRecordError(std::int32_t result)
{
    return HexErrorLine::isRecordError(result) || result == ResultOverlap;
}

// Ends a conversion of `source`'s text that failed. A record error names
// its line as the editor counts it, which the source shows selected once
// the message is closed.
bool failOnText(const ConversionEngine &engine, std::int32_t result, const HexSource &source)
{
    if (!isRecordError(result))
        return fail(engine, result);
    closeProgressWindow();
    const std::optional<HexErrorLine::Place> place =
        engine.place() ? std::optional(HexErrorLine::inEditor(*engine.place())) : std::nullopt;
    ShowLibraryError(result, place ? HexErrorLine::describe(*place) : QString());
    if (place && source.showLine)
        source.showLine(place->line);
    return false;
}

// Says once, after the result, that text follows the end record, and where
// records wrote one address twice with other bytes (the later bytes are in
// the result, as they always were).
void reportConflicts(const ConversionEngine &engine, const HexSource &source)
{
    if (const QString warning = engine.pastEndWarning(QFileInfo(source.path).fileName(), true);
        !warning.isEmpty())
        prompts().message(appState().frame, QMessageBox::Warning, QStringLiteral("Pelcor"),
                          warning, QMessageBox::Ok);
    if (engine.conflictCount() == 0)
        return;
    constexpr std::size_t kShown = 5;
    auto hex = [](std::uint32_t value) {
        return QString::number(value, 16).toUpper().rightJustified(8, u'0');
    };
    QString text = QStringLiteral("同じｱﾄﾞﾚｽに違うﾃﾞｰﾀを書くﾚｺｰﾄﾞがあります。"
                                  "後のﾚｺｰﾄﾞのﾃﾞｰﾀを使いました。");
    const auto &conflicts = engine.conflicts();
    for (std::size_t i = 0; i < std::min(conflicts.size(), kShown); ++i)
        text += QStringLiteral("\n%1 - %2: %3 行目 (%4 行目と違います)")
                    .arg(hex(conflicts[i].low), hex(conflicts[i].high),
                         QString::number(conflicts[i].line),
                         QString::number(conflicts[i].earlier_line));
    if (engine.conflictCount() > kShown)
        text += QStringLiteral("\nほか %1 ヶ所").arg(engine.conflictCount() - kShown);
    prompts().message(appState().frame, QMessageBox::Warning, QStringLiteral("Pelcor"), text,
                      QMessageBox::Ok);
}

// Asks before an image, or the dump of one, too large to make without a
// word; the answer いいえ leaves the user free to set a range, and the
// third (Apply, labelled with its size) makes this one from the lowest
// address. That third is the default: Enter must not make hundreds of
// megabytes of fill by accident.
ConversionEngine::LargeImageCheck confirmLargeImage(bool dump)
{
    return [dump](std::uint64_t size, std::uint32_t lowest, std::uint32_t highest) {
        using Answer = ConversionEngine::LargeImageAnswer;
        switch (prompts().labelledMessage(
            appState().frame, QMessageBox::Question, QStringLiteral("Pelcor"),
            dump ? largeDumpQuestion(size, lowest, highest)
                 : largeImageQuestion(size, lowest, highest),
            QMessageBox::Yes | QMessageBox::Apply | QMessageBox::No,
            {{QMessageBox::Apply, fromLowestChoice(lowest, highest)}}, QMessageBox::Apply)) {
        case QMessageBox::Yes:
            return Answer::Make;
        case QMessageBox::Apply:
            return Answer::FromLowest;
        default:
            return Answer::Decline;
        }
    };
}

// Asks before a given range that would hold fill alone, as a range left
// from another file or mistyped does; いいえ writes nothing.
bool confirmEmptyWindow(ConversionEngine::Addresses window,
                        std::optional<ConversionEngine::Addresses> data)
{
    const auto held = data ? std::optional(std::pair(data->low, data->high)) : std::nullopt;
    return prompts().message(appState().frame, QMessageBox::Question, QStringLiteral("Pelcor"),
                             emptyWindowQuestion(window.low, window.high, held),
                             QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

// An engine that reports to the shared progress window; `dump` words the
// large-image question for a dump report.
ConversionEngine engineFor(const ConversionSettings &s, Form2 &progress, bool dump = false)
{
    ConversionEngine engine(kBoundLibrary, s);
    engine.setProgress(DrawProgress, progress.deviceContext());
    engine.setBeforeDump([&progress] { progress.clearPicture(); });
    engine.setLargeImageCheck(confirmLargeImage(dump));
    engine.setEmptyWindowCheck(confirmEmptyWindow);
    return engine;
}

// The steps after a successful library call. Cmd stays live: placing a
// large result in its window takes longer than the library, and stops
// there.
void announceTransfer(Form2 &progress)
{
    progress.drawStatus(kTransferring, QPoint(40, 5));
    progress.restoreColour();
    progress.refreshPicture();
    pumpEvents();
}

// Hands the library's output, under `head`, to the host as a new document,
// letting the frame and Cmd run between its pieces. False, with no window
// left, when the user stopped it.
bool openResult(ConversionHost &host, const QString &head, QByteArrayView output,
                const QString &path)
{
    return host.openResult(head.toUtf8(), output, path, [] {
        pumpEvents();
        return appState().continueConversion != 0;
    });
}

// Ends a conversion whose result the user stopped while it was placed.
bool cancelled()
{
    closeProgressWindow();
    ShowLibraryError(ResultCancelled);
    return false;
}

} // namespace

bool ConvertHexToBinary(ConversionHost &host, const HexSource &source)
{
    appState().continueConversion = 1;
    BusyScope busy;
    const ConversionSettings s = currentSettings();
    if (!s.fault.isEmpty()) {
        showSettingFault(s.fault);
        return false;
    }

    Form2 &progress = loadProgressWindow();
    progress.drawStatus(kInitialising, QPoint(40, 5));
    progress.restoreColour();
    progress.refreshPicture();
    progress.showOwnedBy(nullptr);
    pumpEvents();
    progress.clearPicture();

    ConversionEngine engine = engineFor(s, progress);
    const QByteArray text = source.text();
    const std::int32_t result = engine.hexToBinary(text);
    if (result < 0)
        return failOnText(engine, result, source);
    closeProgressWindow();

    QString name = renameExtension(source.path, QStringLiteral(".bin"));
    const bool saved = host.saveBinaryResult(engine.output(), name);
    if (saved)
        reportConflicts(engine, source);
    return saved;
}

bool ConvertBinaryToHex(ConversionHost &host)
{
    appState().continueConversion = 1;
    BusyScope busy;
    const ConversionSettings s = currentSettings();
    if (const QString fault = ConversionEngine::binaryToHexFault(s); !fault.isEmpty()) {
        showSettingFault(fault);
        return false;
    }

    QString path;
    QByteArray data;
    if (!host.chooseBinarySource(path, data, QString()))
        return false;
    // Loaded hidden, so that the engine can refuse the sizes before the
    // window shows.
    Form2 &progress = loadProgressWindow();
    ConversionEngine engine = engineFor(s, progress);
    engine.setBeforeLibrary([&progress, &host] {
        progress.showOwnedBy(host.dialogOwner());
        progress.clearPicture();
    });
    const std::int32_t result = engine.binaryToHex(data);
    if (result < 0)
        return fail(engine, result);
    announceTransfer(progress);

    if (!openResult(host, QString(), engine.output(),
                    renameExtension(path, QStringLiteral(".hex"))))
        return cancelled();
    closeProgressWindow();
    return true;
}

bool ConvertBinaryToDump(ConversionHost &host)
{
    appState().continueConversion = 1;
    BusyScope busy;
    const ConversionSettings s = currentSettings();
    if (!s.fault.isEmpty()) {
        showSettingFault(s.fault);
        return false;
    }

    QString path;
    QByteArray data;
    if (!host.chooseBinarySource(path, data, QString()))
        return false;

    Form2 &progress = loadProgressWindow();
    progress.showOwnedBy(host.dialogOwner());
    progress.clearPicture();
    ConversionEngine engine = engineFor(s, progress);
    const std::int32_t result =
        engine.binaryToDump(std::span(reinterpret_cast<std::uint8_t *>(data.data()), data.size()));
    if (result < 0)
        return fail(engine, result);
    announceTransfer(progress);

    if (!openResult(host, engine.reportHead(nameForCp932Text(path)), engine.output(),
                    renameExtension(path, QStringLiteral(".txt"))))
        return cancelled();
    closeProgressWindow();
    return true;
}

bool ConvertHexToDump(ConversionHost &host, const HexSource &source)
{
    appState().continueConversion = 1;
    BusyScope busy;
    Form2 &progress = loadProgressWindow();
    progress.clearPicture();
    progress.drawStatus(kInitialising, QPoint(45, 5));
    progress.showOwnedBy(host.dialogOwner());
    pumpEvents();
    progress.restoreColour();
    progress.clearPicture();

    const ConversionSettings s = currentSettings();
    if (!s.fault.isEmpty()) {
        closeProgressWindow();
        showSettingFault(s.fault);
        return false;
    }
    ConversionEngine engine = engineFor(s, progress, true);
    const QByteArray text = source.text();
    const std::int32_t result = engine.hexToDump(text);
    if (result < 0)
        return failOnText(engine, result, source);
    announceTransfer(progress);

    if (!openResult(host, engine.reportHead(nameForCp932Text(source.path)), engine.output(),
                    renameExtension(source.path, QStringLiteral(".txt"))))
        return cancelled();
    closeProgressWindow();
    reportConflicts(engine, source);
    return true;
}
