#include "convert/OtherFormats.h"

#include "base/UserPrompts.h"
#include "convert/ImageJobRun.h"
#include "core/FormatList.h"
#include "core/HexNumber.h"
#include "core/ImageOutput.h"
#include "core/InputPieces.h"
#include "core/PathRules.h"
#include "core/SafeFileWriter.h"

#include <QFileInfo>

namespace {

const QString kTitle = QStringLiteral("他の形式に変換");
const QStringList kWidths{QStringLiteral("8"), QStringLiteral("16"), QStringLiteral("32"),
                          QStringLiteral("64")};

// The formats offered: every one the library writes but the document's
// own Intel HEX, as "name: title".
QStringList choices(const ImageCalls &calls)
{
    QStringList offered;
    for (const kestrun_format_info &info : FormatList::all(calls, KESTRUN_FORMAT_FLAG_WRITE))
        if (info.format != KESTRUN_FORMAT_IHEX)
            offered << QLatin1String(info.name) + QStringLiteral(": ") + QLatin1String(info.title);
    return offered;
}

// A family by name or hexadecimal ID; 0 for none, nothing when unreadable.
std::optional<std::uint32_t> familyOf(const ImageCalls &calls, const QString &text)
{
    if (text.trimmed().isEmpty())
        return 0u;
    std::uint32_t id = 0;
    if (calls.kestrun_uf2_family_id(text.trimmed().toLatin1().constData(), &id) == ResultOk)
        return id;
    const std::optional<std::uint64_t> value = HexNumber::read(text.trimmed(), UINT32_MAX);
    return value && *value ? std::optional(std::uint32_t(*value)) : std::nullopt;
}

// The name of the result: the source's with the format's first extension
// (.txt for a format that has none).
QString resultPath(const QString &source, const kestrun_format_info &info)
{
    const QString extension = QString::fromLatin1(info.extensions).section(u' ', 0, 0);
    const QString path = source.isEmpty() ? QStringLiteral("無題") : source;
    return renameExtension(path, u'.' + (extension.isEmpty() ? QStringLiteral("txt") : extension));
}

} // namespace

namespace OtherFormats {

bool convert(ConversionHost &host, const HexSource &source)
{
    ImageJobRun run(host);
    if (!run.calls())
        return false;
    const ImageCalls &calls = *run.calls();
    const std::optional<FormAnswers> answers = prompts().askForm(
        host.dialogOwner(), kTitle,
        {FormField{FormField::Kind::Choice, QStringLiteral("形式"), QString(), choices(calls)},
         FormField{FormField::Kind::Choice, QStringLiteral("VMEM の語の幅 (ﾋﾞｯﾄ)"),
                   QStringLiteral("32"), kWidths},
         FormField{FormField::Kind::Text,
                   QStringLiteral("UF2 のﾌｧﾐﾘ (RP2040 などの名前か 16 進の ID、空欄はなし)"),
                   QString(), {}}});
    if (!answers)
        return false;
    const auto format = FormatList::named(calls, answers->value(0).value(0).section(u':', 0, 0),
                                          KESTRUN_FORMAT_FLAG_WRITE);
    const std::optional<std::uint32_t> family = familyOf(calls, answers->value(2).value(0));
    if (!format || !family)
        return run.fail(QStringLiteral("UF2 のﾌｧﾐﾘ %1 は名前でも 16 進の ID でもありません。")
                            .arg(answers->value(2).value(0)));
    kestrun_format_info info{};
    calls.kestrun_format_describe(*format, &info);
    run.showProgress();
    const QString name = QFileInfo(source.path).fileName();
    ConflictLog log({name}, KESTRUN_OVERLAP_LAST);
    QString error;
    const QByteArray text = source.text();
    MemoryPieces pieces(text);
    const ImageHandle image =
        ImageLoader::load(calls, pieces, InputArgument{name, std::nullopt},
                          run.request(1, KESTRUN_OVERLAP_LAST), log, error);
    if (!image)
        return run.stopped() ? run.cancelled() : run.fail(QStringLiteral("読み込めません。\n") + error);
    ImageOutput out;
    out.format = OutputFormat(*format);
    out.layout = run.layout();
    out.layout.wordWidth = answers->value(1).value(0).toUInt();
    out.layout.family = *family;
    QByteArray bytes;
    const std::int32_t rc =
        out.write(calls, image.get(), appendToBytes, reinterpret_cast<std::intptr_t>(&bytes));
    if (rc < 0)
        return run.failWriting(rc);
    const QString path = resultPath(source.path, info);
    if (!(info.flags & KESTRUN_FORMAT_FLAG_BYTES)) {
        if (!run.openResult(bytes, path))
            return false;
        run.warnConflicts(log, KESTRUN_OVERLAP_LAST);
        return true;
    }
    run.close();
    const QString target = prompts().saveFile(
        host.dialogOwner(), QString(), path,
        {QStringLiteral("%1 (*.%2)").arg(QLatin1String(info.title), QFileInfo(path).suffix())}, 0);
    if (target.isEmpty())
        return false;
    if (!SafeFileWriter::writeWhole(target, bytes, &error))
        return run.fail(QStringLiteral("%1 に書き込めません。\n%2").arg(target, error));
    run.warnConflicts(log, KESTRUN_OVERLAP_LAST);
    return true;
}

} // namespace OtherFormats
