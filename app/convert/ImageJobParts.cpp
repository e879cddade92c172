#include "convert/ImageJobParts.h"

#include "base/AppState.h"
#include "core/HexErrorLine.h"
#include "core/HexNumber.h"
#include "core/ImageText.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace ImageJobParts {

const QString kTitle = QStringLiteral("Pelcor");

const QStringList kEndians{QStringLiteral("little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"),
                           QStringLiteral("big: ﾋﾞｯｸﾞｴﾝﾃﾞｨｱﾝ")};

QString nameOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QStringLiteral("無題") : name;
}

QString withSuffix(const QString &path, const QString &suffix, const QString &extension)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + suffix + extension);
}

void refuse(ConversionHost &host, const QString &text)
{
    prompts().message(host.dialogOwner(), QMessageBox::Critical, kTitle, text, QMessageBox::Ok);
}

std::optional<std::uint32_t> hexAddress(const QString &text)
{
    const std::optional<std::uint64_t> value = HexNumber::read(text);
    return value ? std::optional(std::uint32_t(*value)) : std::nullopt;
}

ImageHandle loadText(ImageJobRun &run, const HexSource &source, const QByteArray &text,
                     const QString &name, std::uint32_t tag, std::int32_t policy, ConflictLog &log,
                     QString &error)
{
    MemoryPieces pieces(text);
    std::optional<kestrun_place> place;
    ImageLoader::Request request = run.request(tag, policy);
    request.place = &place;
    ImageHandle image = ImageLoader::load(*run.calls(), pieces, InputArgument{name, std::nullopt},
                                          request, log, error);
    if (!image && place && source.showLine)
        run.showLineAfterFailure(
            [line = HexErrorLine::inEditor(*place).line,
             show = source.showLine] { show(line); });
    return image;
}

bool openHex(ImageJobRun &run, const kestrun_image *image, const QString &path)
{
    QByteArray text;
    const std::int32_t rc = writeHexText(*run.calls(), image, run.layout(), appendToBytes,
                                         reinterpret_cast<std::intptr_t>(&text));
    return rc < 0 ? run.failWriting(rc) : run.openResult(text, path);
}

namespace {

// The extensions S-record files go by, as the file dialogs list them.
const QStringList kSRecordExtensions{QStringLiteral("s19"), QStringLiteral("s28"),
                                     QStringLiteral("s37"), QStringLiteral("srec"),
                                     QStringLiteral("mot")};

} // namespace

ResultForm resultFormOf(const ImageCalls &calls, const HexSource &source, const QByteArray &text)
{
    // The detection reads the first lines; 4 KiB hold them.
    const std::uint64_t head = std::min<std::uint64_t>(std::uint64_t(text.size()), 4096);
    if (calls.kestrun_detect_format(reinterpret_cast<const std::uint8_t *>(text.constData()), head)
        != KESTRUN_FORMAT_SREC)
        return {};
    const QString suffix = QFileInfo(source.path).suffix();
    return {true, u'.'
                      + (kSRecordExtensions.contains(suffix, Qt::CaseInsensitive)
                             ? suffix
                             : QStringLiteral("srec"))};
}

bool openImage(ImageJobRun &run, const kestrun_image *image, const ResultForm &form,
               const QString &path)
{
    if (!form.sRecords)
        return openHex(run, image, path);
    QByteArray text;
    const std::int32_t rc = writeSRecordText(*run.calls(), image, run.layout(), appendToBytes,
                                             reinterpret_cast<std::intptr_t>(&text));
    return rc < 0 ? run.failWriting(rc) : run.openResult(text, path);
}

bool failLoading(ImageJobRun &run, const QString &error)
{
    return run.stopped() ? run.cancelled() : run.fail(QStringLiteral("読み込めません。\n") + error);
}

std::optional<FormAnswers> askRemembered(QWidget *owner, const QString &title,
                                         QList<FormField> fields)
{
    QHash<QString, FormAnswers> &kept = appState().formAnswers;
    if (const auto last = kept.constFind(title); last != kept.cend())
        for (qsizetype i = 0; i < fields.size() && i < last->size(); ++i)
            if (fields[i].kind == FormField::Kind::Text
                || fields[i].choices.contains(last->at(i).value(0)))
                fields[i].initial = last->at(i).value(0);
    std::optional<FormAnswers> answers = prompts().askForm(owner, title, fields);
    if (answers)
        kept.insert(title, *answers);
    return answers;
}

} // namespace ImageJobParts
