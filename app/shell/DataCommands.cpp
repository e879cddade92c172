#include "shell/DataCommands.h"

#include "base/UserPrompts.h"
#include "core/ByteValues.h"
#include "core/HexNumber.h"
#include "shell/DataView.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>

DataCommands::DataCommands(DataView *view) : QObject(view), m_view(view), m_menu(new QMenu(view))
{
    QAction *paste = m_menu->addAction(QStringLiteral("貼り付け(&P)"), this,
                                       qOverload<>(&DataCommands::paste));
    paste->setShortcut(QKeySequence::Paste);
    m_menu->addAction(QStringLiteral("塗りつぶし(&L)..."), this, &DataCommands::fill);
}

void DataCommands::refuse(const QString &text)
{
    prompts().message(m_view, QMessageBox::Warning, QStringLiteral("Pelcor"), text,
                      QMessageBox::Ok);
}

void DataCommands::fill()
{
    const std::optional<DataView::Span> span = m_view->selection();
    if (!span)
        return;
    const std::optional<QString> answer =
        prompts().askText(m_view, QStringLiteral("ﾃﾞｰﾀの塗りつぶし"),
                          QStringLiteral("埋めるﾊﾞｲﾄ(16進数)(&B):"), QStringLiteral("FF"));
    if (!answer)
        return;
    const std::optional<QByteArray> pattern = HexNumber::bytes(*answer);
    if (!pattern) {
        refuse(QStringLiteral("%1 は 16 進数のﾊﾞｲﾄではありません").arg(*answer));
        return;
    }
    const qsizetype count = qsizetype(span->high - span->low) + 1;
    QByteArray bytes;
    bytes.reserve(count);
    while (bytes.size() < count)
        bytes += pattern->first(std::min(pattern->size(), count - bytes.size()));
    m_view->writeAt(span->low, bytes);
}

void DataCommands::paste()
{
    paste(QApplication::clipboard()->text());
}

void DataCommands::paste(const QString &text)
{
    const std::optional<DataView::Span> span = m_view->selection();
    if (!span || text.isEmpty())
        return;
    const std::optional<QByteArray> bytes = m_view->inCharacters()
                                                ? ByteValues::characterBytes(text)
                                                : HexNumber::bytes(text);
    if (!bytes) {
        refuse(m_view->inCharacters()
                   ? QStringLiteral("貼り付ける文字にｺｰﾄﾞﾍﾟｰｼﾞ 932 にないものがあります")
                   : QStringLiteral("貼り付けるﾃﾞｰﾀが 16 進数のﾊﾞｲﾄではありません"));
        return;
    }
    const QByteArray written = bytes->first(
        std::min<qsizetype>(bytes->size(), qsizetype(UINT32_MAX - span->low) + 1));
    if (!m_view->writeAt(span->low, written))
        return;
    const std::uint64_t next = std::uint64_t(span->low) + std::uint64_t(written.size());
    const std::uint32_t caret = next <= UINT32_MAX && m_view->rows().shows(std::uint32_t(next))
                                    ? std::uint32_t(next)
                                    : std::uint32_t(next - 1);
    m_view->select(caret, caret);
}
