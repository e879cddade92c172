#include "convert/Conversions.h"

#include "convert/ConversionPlan.h"
#include "convert/form2.h"
#include "convert/kestrun.h"
#include "convert/progress.h"
#include "settings/SettingsModel.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/busy_scope.h"
#include "shell/cp932.h"
#include "shell/file_routines.h"
#include "shell/user_prompts.h"

#include <memory>
#include <new>

namespace {

const QString kInitialising = QStringLiteral("初期化してるよ");
const QString kTransferring = QStringLiteral("ﾊﾞｯﾌｧに転送してるよ");
constexpr int kAllFiles = 5;
constexpr std::uint32_t kDumpIndent = 4;

void showSettingFault(const QString &key)
{
    prompts().message(frameWindow(), QMessageBox::Critical, QStringLiteral("Pelcor"),
                      settingFaultMessage(key), QMessageBox::Ok);
}

// The library's buffers are sized generously from the settings and mostly
// left untouched, so they are not cleared: untouched pages cost nothing.
std::unique_ptr<std::uint8_t[]> allocate(std::int64_t bytes)
{
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
}

// Ends a conversion whose library call failed.
bool fail(std::int32_t result)
{
    closeProgressWindow();
    ShowLibraryError(result);
    return false;
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

QString checksumText(const char *digits)
{
    return QString::fromLatin1(digits, qstrnlen(digits, 9));
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

// The dump lines of an image and their header, in the report's order. An
// empty image gives a report without lines.
struct DumpReport {
    QString checksum;
    QString lines;
};

std::optional<DumpReport> makeDump(std::uint8_t *data, std::uint32_t dataLength,
                                   std::uint32_t &start, std::uint32_t &end,
                                   const ConversionSettings &s, Form2 &progress)
{
    char digits[10] = {};
    if (!kestrun::CheckSum(data, dataLength, start, end, s.blank, digits)) {
        closeProgressWindow();
        return std::nullopt;
    }
    DumpReport report{checksumText(digits), QString()};
    if (s.noDump)
        return report;

    progress.clearPicture();
    const BufferSize capacity = dumpTextBufferSize(s, dataLength);
    if (!capacity.fault.isEmpty()) {
        closeProgressWindow();
        showSettingFault(capacity.fault);
        return std::nullopt;
    }
    auto text = allocate(capacity.bytes + 1);
    if (!text) {
        fail(ResultNoMemory);
        return std::nullopt;
    }
    // The library reads an end of 0 over empty data as an empty window.
    std::uint32_t dumpEnd = dataLength == 0 && end == UINT32_MAX ? 0 : end;
    std::uint32_t written = 0;
    const std::int32_t result = kestrun::DumpFormat(
        data, reinterpret_cast<char *>(text.get()), dataLength,
        static_cast<std::uint32_t>(capacity.bytes), &written, &start, &dumpEnd, s.blank, s.newLine,
        kDumpIndent, progress.deviceContext(), DrawProgress);
    if (result < 0) {
        fail(result);
        return std::nullopt;
    }
    end = dumpEnd;
    report.lines = dumpHeading(lineEndText(s.newLine))
        + QString::fromLatin1(reinterpret_cast<const char *>(text.get()), written);
    return report;
}

QString reportText(const QString &source, std::uint32_t start, std::uint32_t end,
                   const DumpReport &report, const ConversionSettings &s)
{
    return DumpHeader(fileNamePart(source), static_cast<std::int32_t>(start),
                      static_cast<std::int32_t>(end), report.checksum, lineEndText(s.newLine))
        + report.lines;
}

} // namespace

bool ConvertHexToBinary(Form1 *window)
{
    ContinueConversion = 1;
    BusyScope busy;
    const ConversionSettings s = readConversionSettings(SettingsModel::program().dumpSettings());
    if (!s.fault.isEmpty()) {
        showSettingFault(s.fault);
        return false;
    }
    const std::uint32_t start = s.rangeGiven ? s.start : 0;
    std::uint32_t end = s.rangeGiven ? s.end : 0;

    Form2 &progress = loadProgressWindow();
    progress.drawStatus(kInitialising, QPoint(40, 5));
    progress.restoreColour();
    progress.refreshPicture();
    progress.showOwnedBy(nullptr);
    pumpEvents();
    progress.clearPicture();

    const QByteArray text = encodeCp932(window->documentText());
    const BufferSize capacity = imageBufferSize(s, text.size());
    if (!capacity.fault.isEmpty()) {
        closeProgressWindow();
        showSettingFault(capacity.fault);
        return false;
    }
    auto image = allocate(capacity.bytes + 1);
    if (!image)
        return fail(ResultNoMemory);
    std::uint32_t imageSize = 0;
    const std::int32_t result = kestrun::HexToBinary(
        text.constData(), image.get(), static_cast<std::int32_t>(text.size()),
        static_cast<std::uint32_t>(capacity.bytes), &imageSize, &start, &end, s.blank,
        progress.deviceContext(), DrawProgress);
    if (result < 0)
        return fail(result);
    closeProgressWindow();

    QString name = renameExtension(DocumentPath(window), QStringLiteral(".bin"));
    return SaveBinaryFile(QByteArrayView(image.get(), imageSize), name, true);
}

bool ConvertBinaryToHex()
{
    ContinueConversion = 1;
    BusyScope busy;
    const ConversionSettings s = readConversionSettings(SettingsModel::program().dumpSettings());
    const QString fault = !s.fault.isEmpty() ? s.fault
                          : s.recordLengthUsable ? QString()
                                                 : QStringLiteral("RecordLength");
    if (!fault.isEmpty()) {
        showSettingFault(fault);
        return false;
    }
    const std::uint32_t start = s.rangeGiven ? s.start : 0;
    std::uint32_t end = s.rangeGiven ? s.end : 0;

    QString path;
    QByteArray data;
    if (!chooseBinarySource(path, data))
        return false;
    const BufferSize capacity = hexTextBufferSize(s, data.size());
    if (!capacity.fault.isEmpty()) {
        showSettingFault(capacity.fault);
        return false;
    }

    Form2 &progress = loadProgressWindow();
    progress.showOwnedBy(frameWindow());
    progress.clearPicture();
    auto text = allocate(capacity.bytes + 1);
    if (!text)
        return fail(ResultNoMemory);
    std::uint32_t written = 0;
    const std::int32_t result = kestrun::BinaryToHex(
        reinterpret_cast<const std::uint8_t *>(data.constData()),
        reinterpret_cast<char *>(text.get()), static_cast<std::uint32_t>(data.size()),
        static_cast<std::uint32_t>(capacity.bytes), s.recordLength, &written, &start, &end,
        s.blank, s.newLine, progress.deviceContext(), DrawProgress);
    if (result < 0)
        return fail(result);
    announceTransfer(progress);

    openResult(QString::fromLatin1(reinterpret_cast<const char *>(text.get()), written),
               renameExtension(path, QStringLiteral(".hex")));
    closeProgressWindow();
    return true;
}

bool ConvertBinaryToDump()
{
    ContinueConversion = 1;
    BusyScope busy;
    const ConversionSettings s = readConversionSettings(SettingsModel::program().dumpSettings());
    if (!s.fault.isEmpty()) {
        showSettingFault(s.fault);
        return false;
    }
    std::uint32_t start = s.rangeGiven ? s.start : 0;
    std::uint32_t end = s.rangeGiven ? s.end : 0;

    QString path;
    QByteArray data;
    if (!chooseBinarySource(path, data))
        return false;
    if (end == 0)
        end = static_cast<std::uint32_t>(data.size()) - 1;

    Form2 &progress = loadProgressWindow();
    progress.showOwnedBy(frameWindow());
    progress.clearPicture();
    const auto report = makeDump(reinterpret_cast<std::uint8_t *>(data.data()),
                                 static_cast<std::uint32_t>(data.size()), start, end, s, progress);
    if (!report)
        return false;
    announceTransfer(progress);

    openResult(reportText(path, start, end, *report, s),
               renameExtension(path, QStringLiteral(".txt")));
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

    ConversionSettings s = readConversionSettings(SettingsModel::program().dumpSettings());
    if (!s.fault.isEmpty()) {
        closeProgressWindow();
        showSettingFault(s.fault);
        return false;
    }
    // The image always starts at address 0; the range's start applies to
    // the checksum and the dump only.
    const std::int32_t givenStart = s.start;
    s.start = 0;
    std::uint32_t start = 0;
    std::uint32_t end = s.rangeGiven ? s.end : 0;

    const QByteArray text = encodeCp932(window->documentText());
    const BufferSize capacity = imageBufferSize(s, text.size());
    if (!capacity.fault.isEmpty()) {
        closeProgressWindow();
        showSettingFault(capacity.fault);
        return false;
    }
    auto image = allocate(capacity.bytes + 1);
    if (!image)
        return fail(ResultNoMemory);
    std::uint32_t imageSize = 0;
    const std::int32_t result = kestrun::HexToBinary(
        text.constData(), image.get(), static_cast<std::int32_t>(text.size()) - 1,
        static_cast<std::uint32_t>(capacity.bytes), &imageSize, &start, &end, s.blank,
        progress.deviceContext(), DrawProgress);
    if (result < 0)
        return fail(result);
    if (s.rangeGiven)
        start = static_cast<std::uint32_t>(givenStart);

    const auto report = makeDump(image.get(), imageSize, start, end, s, progress);
    if (!report)
        return false;
    announceTransfer(progress);

    const QString source = DocumentPath(window);
    openResult(reportText(source, start, end, *report, s),
               renameExtension(source, QStringLiteral(".txt")));
    closeProgressWindow();
    return true;
}
