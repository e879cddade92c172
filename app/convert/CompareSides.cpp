#include "convert/CompareSides.h"

CompareSides::CompareSides(ConversionHost &host, const QList<HexSource> &documents,
                           const QStringList &names)
    : m_host(host), m_documents(documents), m_choices(names)
{
    m_choices << fileChoice();
}

QString CompareSides::fileChoice()
{
    return QStringLiteral("ﾌｧｲﾙを選ぶ...");
}

FormField CompareSides::field(int side) const
{
    if (side == 0)
        return {FormField::Kind::Choice, QStringLiteral("比較するもの(&A):"), m_choices.first(),
                m_choices};
    return {FormField::Kind::Choice, QStringLiteral("比較する相手(&W):"),
            m_documents.size() > 1 ? m_choices.at(1) : fileChoice(), m_choices};
}

bool CompareSides::choose(const QString &first, const QString &second)
{
    const QString answers[2] = {first, second};
    for (int side = 0; side < 2; ++side) {
        const qsizetype chosen = m_choices.indexOf(answers[side]);
        if (chosen >= 0 && chosen < m_documents.size()) {
            m_chosen[side] = m_documents[chosen];
            continue;
        }
        QString path;
        QByteArray text;
        if (!m_host.chooseBinarySource(path, text,
                                       side == 0 ? QStringLiteral("比較するﾌｧｲﾙ")
                                                 : QStringLiteral("比較する相手のﾌｧｲﾙ")))
            return false;
        m_chosen[side] = HexSource{[text] { return text; }, path, {}, {}};
    }
    return true;
}
