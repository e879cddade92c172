#include "convert/MergeForm.h"

#include "base/AppState.h"
#include "convert/KestrunBinding.h"
#include "core/HexNumber.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

namespace {

const QString kTitle = QStringLiteral("ﾌｧｲﾙと結合");
const QString kPelcor = QStringLiteral("Pelcor");

// The choices as the form offers them, kestrun's word first: what comes
// before the colon is what the answer is read by.
const QStringList kPolicies{
    QStringLiteral("error: 重なりを許さない"),
    QStringLiteral("identical: 同じﾃﾞｰﾀなら許す"),
    QStringLiteral("first: 一覧で先のﾌｧｲﾙのﾃﾞｰﾀを残す (文書が一番先)"),
    QStringLiteral("last: 一覧で後のﾌｧｲﾙのﾃﾞｰﾀを使う (文書が一番先)"),
};
constexpr std::pair<const char *, std::int32_t> kPolicyWords[] = {
    {"error", KESTRUN_OVERLAP_REFUSE},
    {"identical", KESTRUN_OVERLAP_IDENTICAL},
    {"first", KESTRUN_OVERLAP_FIRST},
    {"last", KESTRUN_OVERLAP_LAST},
};
const QStringList kStarts{
    QStringLiteral("first: 一覧で先のﾌｧｲﾙのものを使う (文書が一番先)"),
    QStringLiteral("last: 一覧で後のﾌｧｲﾙのものを使う (文書が一番先)"),
    QStringLiteral("none: 書かない"),
    QStringLiteral("address: 下のｱﾄﾞﾚｽにする"),
};

QString wordOf(const QString &choice)
{
    return choice.section(u':', 0, 0);
}

// As the other image forms read an address: 0x optional, as kestrun takes it.
std::optional<std::uint32_t> hexAddress(const QString &text)
{
    const std::optional<std::uint64_t> value = HexNumber::read(text);
    return value ? std::optional(std::uint32_t(*value)) : std::nullopt;
}

bool isBinary(const QString &path)
{
    const ImageCalls *calls = KestrunBinding::imageCalls();
    QFile file(path);
    if (!calls || !file.open(QIODevice::ReadOnly))
        return false;
    // The detection reads the first lines; 4 KiB hold them.
    const QByteArray head = file.read(4096);
    return calls->kestrun_detect_format(reinterpret_cast<const std::uint8_t *>(head.constData()),
                                        std::uint64_t(head.size()))
           == KESTRUN_FORMAT_BINARY;
}

void tell(QWidget *owner, const QString &text)
{
    prompts().message(owner, QMessageBox::Critical, kPelcor, text, QMessageBox::Ok);
}

// The answers read, or why they cannot be taken.
std::optional<MergeChoices> read(const FormAnswers &answers, QString &why)
{
    MergeChoices choices;
    choices.files = answers.value(0);
    if (choices.files.isEmpty()) {
        why = QStringLiteral("結合するﾌｧｲﾙを追加してください。");
        return std::nullopt;
    }
    const QString policy = wordOf(answers.value(1).value(0));
    for (const auto &[word, rule] : kPolicyWords)
        if (policy == QLatin1String(word))
            choices.policy = rule;
    const QString start = wordOf(answers.value(2).value(0, kStarts.first()));
    if (start == u"address") {
        const std::optional<std::uint32_t> address = hexAddress(answers.value(3).value(0));
        if (!address) {
            why = QStringLiteral("開始ｱﾄﾞﾚｽを 16 進 8 桁までで指定してください。");
            return std::nullopt;
        }
        choices.start = {StartChoice::Rule::Given, *address};
    } else if (start == u"last" || start == u"none") {
        choices.start = *StartChoice::named(start);
    }
    return choices;
}

} // namespace

namespace MergeForm {

QString listed(QWidget *owner, const QString &path)
{
    // A name that is no file is an entry listed before (PATH@ADDR).
    if (!QFileInfo(path).isFile() || !isBinary(path))
        return path;
    for (;;) {
        const std::optional<QString> answer = prompts().askText(
            owner, QStringLiteral("ﾌｧｲﾙを追加"),
            QStringLiteral("%1 はﾊﾞｲﾅﾘﾌｧｲﾙです。置くｱﾄﾞﾚｽ (16 進)(&A):")
                .arg(QFileInfo(path).fileName()),
            QStringLiteral("00000000"));
        if (!answer)
            return QString();
        if (const std::optional<std::uint32_t> address = hexAddress(answer->trimmed()))
            return path + u'@' + QString::number(*address, 16).toUpper().rightJustified(8, u'0');
        tell(owner, QStringLiteral("ｱﾄﾞﾚｽを 16 進 8 桁までで指定してください。"));
    }
}

std::optional<MergeChoices> ask(QWidget *owner, const QString &folder, const QStringList &files)
{
    QList<FormField> fields{
        {FormField::Kind::Files, QStringLiteral("結合するﾌｧｲﾙ (一覧の順)(&F):"), folder, files,
         listed},
        {FormField::Kind::Choice, QStringLiteral("重なり(&O):"), kPolicies.first(), kPolicies, {}},
        {FormField::Kind::Choice, QStringLiteral("開始ｱﾄﾞﾚｽ(&S):"), kStarts.first(), kStarts, {}},
        {FormField::Kind::Text, QStringLiteral("指定する開始ｱﾄﾞﾚｽ (16 進)(&A):"), {}, {}, {}},
    };
    // The answers last given in this run of the program, but the list.
    QHash<QString, FormAnswers> &kept = appState().formAnswers;
    if (const auto last = kept.constFind(kTitle); last != kept.cend())
        for (qsizetype i = 1; i < fields.size() && i < last->size(); ++i)
            fields[i].initial = last->at(i).value(0);
    for (;;) {
        const std::optional<FormAnswers> answers = prompts().askForm(owner, kTitle, fields);
        if (!answers)
            return std::nullopt;
        kept.insert(kTitle, *answers);
        QString why;
        if (std::optional<MergeChoices> choices = read(*answers, why))
            return choices;
        tell(owner, why);
        fields[0].choices = answers->value(0);
        for (qsizetype i = 1; i < fields.size(); ++i)
            fields[i].initial = answers->value(i).value(0);
    }
}

} // namespace MergeForm
