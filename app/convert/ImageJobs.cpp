#include "convert/ImageJobs.h"

#include "base/AppState.h"
#include "base/UserPrompts.h"
#include "convert/CompareSides.h"
#include "convert/ImageJobParts.h"
#include "convert/ImageJobRun.h"
#include "convert/MergeForm.h"
#include "core/CheckRange.h"
#include "core/CompareListing.h"
#include "core/ConversionPlan.h"
#include "core/HexErrorLine.h"
#include "core/HexNumber.h"
#include "core/HexText.h"
#include "core/ImageMerge.h"
#include "core/PathRules.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

using namespace ImageJobParts;

// The differences a comparison marks in the documents, at most: plenty for
// any map, and bounded for images that differ at every other byte.
constexpr std::size_t kMarkedRanges = 100000;


// "LOW-HIGH" in hex into `range`, empty for none; false when unreadable.
bool readRange(const QString &text, std::optional<AddressRange> &range)
{
    range.reset();
    if (text.isEmpty())
        return true;
    const QStringList parts = text.split(u'-');
    const auto low = parts.size() == 2 ? hexAddress(parts[0].trimmed()) : std::nullopt;
    const auto high = parts.size() == 2 ? hexAddress(parts[1].trimmed()) : std::nullopt;
    if (!low || !high || *low > *high)
        return false;
    range = AddressRange{*low, *high};
    return true;
}

// A fill byte: two hex digits; empty gives `none`.
std::optional<std::int32_t> fillByte(const QString &text, std::int32_t none)
{
    if (text.isEmpty())
        return none;
    const std::optional<std::uint32_t> value = hexAddress(text);
    return value && *value <= 0xFF ? std::optional(std::int32_t(*value)) : std::nullopt;
}


// Who wrote the bytes a CRC would go over: the document's line.
QString writerOf(const kestrun_conflict &over, const QString &name)
{
    return ConflictLog({name}, KESTRUN_OVERLAP_LAST).place(1, over.earlier_line);
}

QString checkFault(const CheckRange::Insertion &done, std::uint32_t slot, const QString &name)
{
    switch (done.fault) {
    case CheckRange::Fault::SlotPastEnd:
        return QStringLiteral("CRC を %1 に置くと FFFFFFFF を越えます。").arg(hexDigits(slot));
    case CheckRange::Fault::NoData:
        return QStringLiteral("CRC を計算するﾃﾞｰﾀがありません。");
    case CheckRange::Fault::SlotInRange:
        return QStringLiteral("CRC のｱﾄﾞﾚｽ %1 が範囲 %2-%3 の中にあります。\n"
                              "CRC を含まない範囲を指定してください。")
            .arg(hexDigits(slot), hexDigits(done.range.low), hexDigits(done.range.high));
    case CheckRange::Fault::SlotHeld:
        return QStringLiteral("CRC を置く %1-%2 には別のﾃﾞｰﾀがあります (%3)。")
            .arg(hexDigits(done.over->low), hexDigits(done.over->high), writerOf(*done.over, name));
    case CheckRange::Fault::Library:
        return ImageJobRun::message(done.rc);
    case CheckRange::Fault::TooWide:
    case CheckRange::Fault::None:
        break;
    }
    return QString();
}


} // namespace

bool ConvertToSRecords(ConversionHost &host, const HexSource &source)
{
    ImageJobRun run(host);
    if (!run.calls())
        return false;
    run.showProgress();
    const QString name = nameOf(source.path);
    ConflictLog log({name}, KESTRUN_OVERLAP_LAST);
    QString error;
    const ImageHandle image =
        loadText(run, source, source.text(), name, 1, KESTRUN_OVERLAP_LAST, log, error);
    if (!image)
        return failLoading(run, error);
    QByteArray text;
    const std::int32_t rc = writeSRecordText(*run.calls(), image.get(), run.layout(), appendToBytes,
                                             reinterpret_cast<std::intptr_t>(&text));
    if (rc < 0)
        return run.failWriting(rc);
    if (!run.openResult(text, renameExtension(source.path, QStringLiteral(".srec"))))
        return false;
    run.warnConflicts(log, KESTRUN_OVERLAP_LAST);
    return true;
}

namespace {

enum class Outcome { Done, Failed, Stopped };

// One merge as the form chose it: Failed (said) lets the form come back
// with its list to try again; a stop or a failure to show the result ends
// the job.
Outcome mergeOnce(ConversionHost &host, const HexSource &source, const MergeChoices &choices)
{
    ImageJobRun run(host);
    if (!run.calls())
        return Outcome::Stopped;
    run.showProgress();
    QStringList names{nameOf(source.path)};
    for (const QString &file : choices.files)
        names << nameOf(file);
    ConflictLog log(names, choices.policy);
    ImageMerge merge(*run.calls(), names, choices.policy, log, choices.start);
    if (!merge.ready()) {
        run.fail(ImageJobRun::message(ResultNoMemory));
        return Outcome::Stopped;
    }
    const QByteArray text = source.text();
    for (int i = 0; i < names.size(); ++i) {
        QString error;
        const ImageHandle image =
            i == 0 ? loadText(run, source, text, names[0], 1, choices.policy, log, error)
                   : ImageLoader::load(*run.calls(), choices.files[i - 1],
                                       run.request(std::uint32_t(i + 1), choices.policy), log,
                                       error);
        if (!image) {
            // A fault in the document itself is shown at its line instead.
            const bool again = i > 0 && !run.stopped();
            failLoading(run, error);
            return again ? Outcome::Failed : Outcome::Stopped;
        }
        if (!merge.add(image.get(), i, error, ImageJobRun::message)) {
            run.fail(QStringLiteral("結合できません。\n") + error);
            return Outcome::Failed;
        }
    }
    const ImageHandle merged = merge.take();
    // In the document's own format, as kestrun merge writes for its name.
    const ResultForm form = resultFormOf(*run.calls(), source, text);
    if (!openImage(run, merged.get(), form,
                   withSuffix(source.path, QStringLiteral("_merged"), form.extension)))
        return Outcome::Stopped;
    if (!merge.notes().isEmpty())
        host.showNote(merge.notes().join(u' '));
    run.warnConflicts(log, choices.policy);
    return Outcome::Done;
}

} // namespace

bool MergeWithFiles(ConversionHost &host, const HexSource &source)
{
    const QString folder = source.path.isEmpty() ? QString() : QFileInfo(source.path).absolutePath();
    QStringList files;
    for (;;) {
        const std::optional<MergeChoices> choices =
            MergeForm::ask(host.dialogOwner(), folder, files);
        if (!choices)
            return false;
        const Outcome outcome = mergeOnce(host, source, *choices);
        if (outcome != Outcome::Failed)
            return outcome == Outcome::Done;
        files = choices->files;
    }
}

bool InsertCrc(ConversionHost &host, const HexSource &source)
{
    ImageJobRun run(host);
    if (!run.calls())
        return false;
    const QStringList presets = CheckRange::presets(*run.calls());
    const std::optional<FormAnswers> answers = askRemembered(
        host.dialogOwner(), QStringLiteral("CRC 挿入"),
        {{FormField::Kind::Choice, QStringLiteral("ｱﾙｺﾞﾘｽﾞﾑ(&G):"), QStringLiteral("crc-32"),
          presets},
         {FormField::Kind::Text, QStringLiteral("挿入するｱﾄﾞﾚｽ (16 進)(&A):"), {}, {}},
         {FormField::Kind::Text, QStringLiteral("範囲 (LOW-HIGH, 空欄はﾃﾞｰﾀ全体)(&R):"), {}, {}},
         {FormField::Kind::Choice, QStringLiteral("ﾊﾞｲﾄ順(&E):"), kEndians.first(), kEndians},
         {FormField::Kind::Text,
          QStringLiteral("空きの値 (16 進)(&B):"),
          QStringLiteral("FF"),
          {}}});
    if (!answers)
        return false;
    const std::optional<std::uint32_t> slot = hexAddress(answers->at(1).value(0));
    std::optional<AddressRange> range;
    const bool rangeRead = readRange(answers->at(2).value(0), range);
    const std::optional<std::int32_t> fill = fillByte(answers->at(4).value(0), 0xFF);
    if (!slot || !rangeRead || !fill) {
        refuse(host, !slot ? QStringLiteral("挿入するｱﾄﾞﾚｽを 16 進 8 桁までで指定してください。")
                     : !rangeRead
                         ? QStringLiteral("範囲は 16 進で LOW-HIGH と指定してください。")
                         : QStringLiteral("空きの値は 16 進 2 桁までで指定してください。"));
        return false;
    }
    const std::int32_t endian =
        answers->at(3).value(0) == kEndians[1] ? KESTRUN_BIG_ENDIAN : KESTRUN_LITTLE_ENDIAN;
    std::int32_t rc = ResultOk;
    const CheckHandle check(
        run.calls()->kestrun_check_new(answers->at(0).value(0).toLatin1().constData(), &rc),
        CheckRelease{run.calls()});
    if (!check)
        return run.fail(ImageJobRun::message(rc));

    run.showProgress();
    const QString name = nameOf(source.path);
    ConflictLog log({name}, KESTRUN_OVERLAP_LAST);
    QString error;
    const QByteArray text = source.text();
    const ImageHandle image = loadText(run, source, text, name, 1, KESTRUN_OVERLAP_LAST, log, error);
    if (!image)
        return failLoading(run, error);
    CheckRange::Insertion done = CheckRange::insert(
        *run.calls(), image.get(), check.get(), range, *slot, endian, std::uint8_t(*fill));
    // Other bytes in the slot are written over only when the user says so,
    // as kestrun asks for --overlap last; Enter keeps them.
    if (done.fault == CheckRange::Fault::SlotHeld) {
        if (prompts().labelledMessage(host.dialogOwner(), QMessageBox::Warning, kTitle,
                                      checkFault(done, *slot, name)
                                          + QStringLiteral("\nCRC をその上に書きますか?"),
                                      QMessageBox::Yes | QMessageBox::No, {}, QMessageBox::No)
            != QMessageBox::Yes) {
            run.close();
            return false;
        }
        done = CheckRange::insert(*run.calls(), image.get(), check.get(), range, *slot, endian,
                                  std::uint8_t(*fill), KESTRUN_OVERLAP_LAST);
    }
    if (done.fault != CheckRange::Fault::None)
        return run.fail(checkFault(done, *slot, name));
    const ResultForm form = resultFormOf(*run.calls(), source, text);
    if (!openImage(run, image.get(), form,
                   withSuffix(source.path, QStringLiteral("_crc"), form.extension)))
        return false;
    host.showNote(QStringLiteral("%1 = %2 (%3-%4) を %5 に書き込みました")
                      .arg(answers->at(0).value(0),
                           CheckRange::valueText(done, run.calls()->kestrun_check_width(check.get())),
                           hexDigits(done.range.low), hexDigits(done.range.high),
                           hexDigits(*slot)));
    run.warnConflicts(log, KESTRUN_OVERLAP_LAST);
    return true;
}

bool InsertSerial(ConversionHost &host, const HexSource &source)
{
    ImageJobRun run(host);
    if (!run.calls())
        return false;
    QStringList widths;
    for (int width = 1; width <= 8; ++width)
        widths << QString::number(width);
    const std::optional<FormAnswers> answers = askRemembered(
        host.dialogOwner(), QStringLiteral("ｼﾘｱﾙ番号の書き込み"),
        {{FormField::Kind::Text, QStringLiteral("書き込むｱﾄﾞﾚｽ (16 進)(&A):"), {}, {}},
         {FormField::Kind::Text, QStringLiteral("番号 (16 進)(&N):"), {}, {}},
         {FormField::Kind::Choice, QStringLiteral("ﾊﾞｲﾄ数(&W):"), QStringLiteral("4"), widths},
         {FormField::Kind::Choice, QStringLiteral("ﾊﾞｲﾄ順(&E):"), kEndians.first(), kEndians}});
    if (!answers)
        return false;
    const std::optional<std::uint32_t> slot = hexAddress(answers->at(0).value(0));
    const std::uint32_t width = std::clamp(answers->at(2).value(0).toUInt(), 1u, 8u);
    const std::optional<std::uint64_t> number = HexNumber::read(
        answers->at(1).value(0), width == 8 ? UINT64_MAX : (std::uint64_t(1) << (8 * width)) - 1);
    if (!slot || !number || std::uint64_t(*slot) + width > std::uint64_t(UINT32_MAX) + 1) {
        refuse(host, !slot     ? QStringLiteral("書き込むｱﾄﾞﾚｽを 16 進 8 桁までで指定してください。")
                     : !number ? QStringLiteral("番号は 16 進で %1 ﾊﾞｲﾄに収まるように指定してください。")
                                     .arg(width)
                               : QStringLiteral("番号を %1 に置くと FFFFFFFF を越えます。")
                                     .arg(hexDigits(*slot)));
        return false;
    }
    const std::int32_t endian =
        answers->at(3).value(0) == kEndians[1] ? KESTRUN_BIG_ENDIAN : KESTRUN_LITTLE_ENDIAN;
    run.showProgress();
    const QString name = nameOf(source.path);
    ConflictLog log({name}, KESTRUN_OVERLAP_LAST);
    QString error;
    const QByteArray text = source.text();
    const ImageHandle image = loadText(run, source, text, name, 1, KESTRUN_OVERLAP_LAST, log, error);
    if (!image)
        return failLoading(run, error);
    const QByteArray bytes = CheckRange::valueBytes(*number, width, endian);
    if (const std::int32_t rc = run.calls()->kestrun_image_put(
            image.get(), *slot, reinterpret_cast<const std::uint8_t *>(bytes.constData()), width);
        rc < 0)
        return run.fail(ImageJobRun::message(rc));
    const ResultForm form = resultFormOf(*run.calls(), source, text);
    if (!openImage(run, image.get(), form,
                   withSuffix(source.path, QStringLiteral("_sn"), form.extension)))
        return false;
    host.showNote(QStringLiteral("番号 %1 を %2 に書き込みました")
                      .arg(hexDigits(*number, 8 * width), hexDigits(*slot)));
    run.warnConflicts(log, KESTRUN_OVERLAP_LAST);
    return true;
}

bool CompareWithOther(ConversionHost &host, const HexSource &source)
{
    // The source first; it is among the others when it is not the active
    // document.
    QList<HexSource> documents{source};
    QStringList names{nameOf(source.path)};
    for (const HexSource &other : host.otherDocuments())
        if (other.path != source.path) {
            documents << other;
            names << nameOf(other.path);
        }
    CompareSides sides(host, documents, names);
    const std::optional<FormAnswers> answers =
        askRemembered(host.dialogOwner(), QStringLiteral("比較"),
                      {sides.field(0),
                       sides.field(1),
                       {FormField::Kind::Text,
                        QStringLiteral("空きの値 (16 進, 空欄は空きのまま)(&B):"),
                        {},
                        {}}});
    if (!answers)
        return false;
    const std::optional<std::int32_t> fill = fillByte(answers->at(2).value(0), -1);
    if (!fill) {
        refuse(host, QStringLiteral("空きの値は 16 進 2 桁までで指定してください。"));
        return false;
    }
    if (!sides.choose(answers->at(0).value(0), answers->at(1).value(0)))
        return false;

    ImageJobRun run(host);
    if (!run.calls())
        return false;
    run.showProgress();
    const QString compared[2] = {nameOf(sides.source(0).path), nameOf(sides.source(1).path)};
    ImageHandle images[2];
    for (int i = 0; i < 2; ++i) {
        ConflictLog log({compared[0], compared[1]}, KESTRUN_OVERLAP_LAST);
        QString error;
        images[i] = loadText(run, sides.source(i), sides.source(i).text(), compared[i],
                             std::uint32_t(i + 1), KESTRUN_OVERLAP_LAST, log, error);
        if (!images[i])
            return failLoading(run, error);
    }
    const CompareListing listing =
        compareImages(*run.calls(), images[0].get(), images[1].get(), compared[0], compared[1],
                      *fill, kComparedShown, kMarkedRanges);
    std::vector<MarkedRange> marks;
    marks.reserve(listing.ranges.size());
    for (const CompareListing::Difference &difference : listing.ranges)
        marks.push_back(
            {difference.range, differenceKindText(difference.kind, compared[0], compared[1])});
    for (int i = 0; i < 2; ++i)
        if (sides.source(i).mark)
            sides.source(i).mark(marks);
    if (run.stopped())
        return run.cancelled();
    if (listing.count == 0) {
        run.close();
        prompts().message(
            host.dialogOwner(), QMessageBox::Information, kTitle,
            QStringLiteral("%1 と %2 に違いはありません。").arg(compared[0], compared[1]),
            QMessageBox::Ok);
        return true;
    }
    return run.openResult(
        (compareSummary(listing, compared[0], compared[1]) + listing.text).toUtf8(),
        withSuffix(sides.source(0).path, QStringLiteral("_cmp"), QStringLiteral(".txt")));
}

bool BinaryToHexAt(ConversionHost &host)
{
    QString path;
    QByteArray data;
    if (!host.chooseBinarySource(path, data, QString()))
        return false;
    const std::optional<FormAnswers> answers =
        askRemembered(host.dialogOwner(), QStringLiteral("バイナリ  ->  HEX"),
                          {{FormField::Kind::Text,
                            QStringLiteral("ﾍﾞｰｽｱﾄﾞﾚｽ (16 進)(&A):"),
                            QStringLiteral("00000000"),
                            {}}});
    if (!answers)
        return false;
    const std::optional<std::uint32_t> base = hexAddress(answers->at(0).value(0));
    if (!base) {
        refuse(host, QStringLiteral("ﾍﾞｰｽｱﾄﾞﾚｽを 16 進 8 桁までで指定してください。"));
        return false;
    }

    ImageJobRun run(host);
    if (!run.calls())
        return false;
    run.showProgress();
    ConflictLog log({nameOf(path)}, KESTRUN_OVERLAP_LAST);
    QString error;
    MemoryPieces pieces(data);
    const ImageHandle image =
        ImageLoader::load(*run.calls(), pieces, InputArgument{nameOf(path), *base},
                          run.request(1, KESTRUN_OVERLAP_LAST), log, error);
    if (!image)
        return failLoading(run, error);
    return openHex(run, image.get(), renameExtension(path, QStringLiteral(".hex")));
}
