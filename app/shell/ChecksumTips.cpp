#include "shell/ChecksumTips.h"

#include "core/HexLineStyles.h"
#include "core/ResultMessage.h"
#include "shell/DocumentView.h"

#include <QToolTip>

namespace {

// Milliseconds the mouse rests before the tip shows, as Qt's own tips.
constexpr unsigned long kRest = 700;

} // namespace

ChecksumTips::ChecksumTips(DocumentView *view) : QObject(view), m_view(view)
{
    view->SendScintilla(QsciScintillaBase::SCI_SETMOUSEDWELLTIME, kRest);
    connect(view, &QsciScintillaBase::SCN_DWELLSTART, this, &ChecksumTips::show);
    connect(view, &QsciScintillaBase::SCN_DWELLEND, this, [] { QToolTip::hideText(); });
}

QString ChecksumTips::tipAt(long position) const
{
    const ImageCalls *calls = m_view->recordCalls();
    if (!calls || position < 0)
        return QString();
    const long line =
        m_view->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
    const long start =
        m_view->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const std::optional<kestrun_place> place = wrongChecksumAt(
        *calls, m_view->recordFormat(), m_view->lineBytes(int(line) + 1), position - start);
    return place ? placeMessage(calls->GetErrorString, *place) : QString();
}

void ChecksumTips::show(int position, int x, int y)
{
    const QString tip = tipAt(position);
    if (!tip.isEmpty())
        QToolTip::showText(m_view->viewport()->mapToGlobal(QPoint(x, y)), tip, m_view->viewport());
}
