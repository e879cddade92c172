#include "convert/ImageJobRun.h"

#include "base/AppState.h"
#include "base/UserPrompts.h"
#include "convert/Form2.h"
#include "convert/KestrunBinding.h"
#include "convert/Progress.h"
#include "core/Cp932.h"

#include <utility>

namespace {

const QString kTitle = QStringLiteral("Pelcor");

} // namespace

ImageJobRun::ImageJobRun(ConversionHost &host) : m_host(host), m_calls(nullptr)
{
    appState().continueConversion = 1;
    m_calls = KestrunBinding::imageCalls();
}

ImageJobRun::~ImageJobRun()
{
    closeProgressWindow();
}

void ImageJobRun::showProgress()
{
    Form2 &progress = loadProgressWindow();
    progress.drawStatus(QStringLiteral("初期化してるよ"), QPoint(40, 5));
    progress.restoreColour();
    progress.refreshPicture();
    progress.showOwnedBy(m_host.dialogOwner());
    pumpEvents();
    progress.clearPicture();
}

ImageLoader::Request ImageJobRun::request(std::uint32_t source, std::int32_t policy) const
{
    return {source, policy, InputFormat::Detect, DrawProgress,
            progressWindow() ? progressWindow()->deviceContext() : 0};
}

TextLayout ImageJobRun::layout() const
{
    TextLayout layout;
    layout.progress = DrawProgress;
    layout.progressUser = progressWindow() ? progressWindow()->deviceContext() : 0;
    return layout;
}

bool ImageJobRun::stopped() const
{
    pumpEvents();
    return appState().continueConversion == 0;
}

QString ImageJobRun::message(std::int32_t code)
{
    char buffer[KESTRUN_MESSAGE_SIZE] = {};
    if (KestrunBinding::GetErrorString(code, buffer) != 1)
        return QStringLiteral("(%1)").arg(code);
    return decodeCp932(QByteArrayView(buffer, qstrnlen(buffer, sizeof buffer)))
        .replace(u'\n', u' ');
}

void ImageJobRun::close()
{
    closeProgressWindow();
}

bool ImageJobRun::fail(const QString &text)
{
    closeProgressWindow();
    prompts().message(m_host.dialogOwner(), QMessageBox::Critical, kTitle, text, QMessageBox::Ok);
    if (m_afterFailure)
        std::exchange(m_afterFailure, {})();
    return false;
}

bool ImageJobRun::cancelled()
{
    closeProgressWindow();
    ShowLibraryError(ResultCancelled);
    return false;
}

bool ImageJobRun::failWriting(std::int32_t rc)
{
    if (rc == ResultCancelled)
        return cancelled();
    closeProgressWindow();
    ShowLibraryError(rc);
    return false;
}

void ImageJobRun::warnConflicts(const ConflictLog &log, std::int32_t policy)
{
    if (!log.notes().isEmpty())
        prompts().message(m_host.dialogOwner(), QMessageBox::Warning, kTitle,
                          log.notes().join(u'\n'), QMessageBox::Ok);
    if (log.kept().empty() || (policy != KESTRUN_OVERLAP_LAST && policy != KESTRUN_OVERLAP_FIRST))
        return;
    QString text = QStringLiteral("同じｱﾄﾞﾚｽに違うﾃﾞｰﾀを書くﾚｺｰﾄﾞがあります。")
                   + (policy == KESTRUN_OVERLAP_LAST ? QStringLiteral("後のﾃﾞｰﾀを使いました。")
                                                     : QStringLiteral("先のﾃﾞｰﾀを残しました。"));
    for (const kestrun_conflict &c : log.kept())
        text += u'\n' + log.text(c);
    if (log.count() > log.kept().size())
        text += QStringLiteral("\nほか %1 ヶ所").arg(log.count() - log.kept().size());
    prompts().message(m_host.dialogOwner(), QMessageBox::Warning, kTitle, text, QMessageBox::Ok);
}

bool ImageJobRun::openResult(const QByteArray &text, const QString &path)
{
    if (stopped())
        return cancelled();
    if (Form2 *progress = progressWindow()) {
        progress->drawStatus(QStringLiteral("ﾊﾞｯﾌｧに転送してるよ"), QPoint(40, 5));
        progress->restoreColour();
        progress->refreshPicture();
    }
    pumpEvents();
    if (!m_host.openResult(QByteArray(), text, path, [] {
            pumpEvents();
            return appState().continueConversion != 0;
        }))
        return cancelled();
    closeProgressWindow();
    return true;
}
