#include "convert/Conversions.h"

#include "core/ConversionEngine.h"
#include "convert/Form2.h"
#include "convert/KestrunBinding.h"
#include "convert/Progress.h"
#include "core/SettingsModel.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/BusyScope.h"
#include "core/Cp932.h"
#include "shell/FileRoutines.h"
#include "shell/UserPrompts.h"

namespace {

const QString kInitialising = QStringLiteral("初期化してるよ");
const QString kTransferring = QStringLiteral("ﾊﾞｯﾌｧに転送してるよ");
constexpr int kAllFiles = 5;

static_assert(ConversionEngine::NotBound == KestrunBinding::NotBound);

// The library as bound at run time, whose failures the binding reports.
const LibraryCalls kBoundLibrary{KestrunBinding::CheckSum, KestrunBinding::HexToBinary, KestrunBinding::BinaryToHex,
                                 KestrunBinding::DumpFormat};

ConversionSettings currentSettings()
{
    return readConversionSettings(SettingsModel::program().dumpSettings());
}

void showSettingFault(const QString &key)
{
    prompts().message(frameWindow(), QMessageBox::Critical, QStringLiteral("Pelcor"),
                      settingFaultMessage(key), QMessageBox::Ok);
}

// Ends a conversion that failed once the progress window was loaded.
bool fail(const ConversionEngine &engine, std::int32_t result)
{
    closeProgressWindow();
    if (result == ConversionEngine::SettingFault)
        showSettingFault(engine.fault());
    else
        ShowLibraryError(result);
    return false;
}

// An engine that reports to the shared progress window.
ConversionEngine engineFor(const ConversionSettings &s, Form2 &progress)
{
    ConversionEngine engine(kBoundLibrary, s);
    engine.setProgress(DrawProgress, progress.deviceContext());
    engine.setBeforeDump([&progress] { progress.clearPicture(); });
    return engine;
}

// The steps after a successful library call: Cmd can stop nothing more.
void announceTransfer(Form2 &progress)
{
    progress.lock();
    progress.drawStatus(kTransferring, QPoint(40, 5));
    progress.restoreColour();
    progress.refreshPicture();
    pumpEvents();
}

void openResult(const QString &text, const QString &path)
{
    if (auto *frame = qobject_cast<FrmMDI *>(frameWindow()))
        frame->openDocument(text, path + Form1::UnsavedMarker, false);
}

// A result window's text: `head`, then the library's output, which is
// ASCII, in one block that is filled once.
QString resultText(const QString &head, QByteArrayView ascii)
{
    QString text;
    text.reserve(head.size() + ascii.size());
    adviseHugePages(text.data(), std::size_t(text.capacity()) * sizeof(QChar));
    text += head;
    text += QLatin1StringView(ascii.data(), ascii.size());
    return text;
}

QString reportText(const ConversionEngine &engine, const QString &source)
{
    return resultText(engine.reportHead(fileNamePart(source)), engine.output());
}

// Asks for a binary source and loads it; false when there is none.
bool chooseBinarySource(QString &path, QByteArray &data)
{
    path = ChooseOpenFile(frameWindow(), kAllFiles);
    std::int32_t length = 0;
    if (path.isEmpty() || !LoadBinaryFile(path, data, length))
        return false;
    data.truncate(length);
    return true;
}

} // namespace

bool ConvertHexToBinary(Form1 *window)
{
    ContinueConversion = 1;
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
    const std::int32_t result = engine.hexToBinary(window->documentBytes());
    if (result < 0)
        return fail(engine, result);
    closeProgressWindow();

    QString name = renameExtension(DocumentPath(window), QStringLiteral(".bin"));
    return SaveBinaryFile(engine.output(), name, true);
}

bool ConvertBinaryToHex()
{
    ContinueConversion = 1;
    BusyScope busy;
    const ConversionSettings s = currentSettings();
    if (const QString fault = ConversionEngine::binaryToHexFault(s); !fault.isEmpty()) {
        showSettingFault(fault);
        return false;
    }

    QString path;
    QByteArray data;
    if (!chooseBinarySource(path, data))
        return false;
    // Loaded hidden, so that the engine can refuse the sizes before the
    // window shows.
    Form2 &progress = loadProgressWindow();
    ConversionEngine engine = engineFor(s, progress);
    engine.setBeforeLibrary([&progress] {
        progress.showOwnedBy(frameWindow());
        progress.clearPicture();
    });
    const std::int32_t result = engine.binaryToHex(data);
    if (result < 0)
        return fail(engine, result);
    announceTransfer(progress);

    openResult(resultText(QString(), engine.output()),
               renameExtension(path, QStringLiteral(".hex")));
    closeProgressWindow();
    return true;
}

bool ConvertBinaryToDump()
{
    ContinueConversion = 1;
    BusyScope busy;
    const ConversionSettings s = currentSettings();
    if (!s.fault.isEmpty()) {
        showSettingFault(s.fault);
        return false;
    }

    QString path;
    QByteArray data;
    if (!chooseBinarySource(path, data))
        return false;

    Form2 &progress = loadProgressWindow();
    progress.showOwnedBy(frameWindow());
    progress.clearPicture();
    ConversionEngine engine = engineFor(s, progress);
    const std::int32_t result = engine.binaryToDump(
        std::span(reinterpret_cast<std::uint8_t *>(data.data()), data.size()));
    if (result < 0)
        return fail(engine, result);
    announceTransfer(progress);

    openResult(reportText(engine, path), renameExtension(path, QStringLiteral(".txt")));
    closeProgressWindow();
    return true;
}

bool ConvertHexToDump(Form1 *window)
{
    ContinueConversion = 1;
    BusyScope busy;
    Form2 &progress = loadProgressWindow();
    progress.clearPicture();
    progress.drawStatus(kInitialising, QPoint(45, 5));
    progress.showOwnedBy(frameWindow());
    pumpEvents();
    progress.restoreColour();
    progress.clearPicture();

    const ConversionSettings s = currentSettings();
    if (!s.fault.isEmpty()) {
        closeProgressWindow();
        showSettingFault(s.fault);
        return false;
    }
    ConversionEngine engine = engineFor(s, progress);
    const std::int32_t result = engine.hexToDump(window->documentBytes());
    if (result < 0)
        return fail(engine, result);
    announceTransfer(progress);

    const QString source = DocumentPath(window);
    openResult(reportText(engine, source), renameExtension(source, QStringLiteral(".txt")));
    closeProgressWindow();
    return true;
}
