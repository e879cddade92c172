#include "shell/DataLink.h"

#include "base/UserPrompts.h"
#include "convert/KestrunBinding.h"
#include "core/TextPatch.h"
#include "shell/DataView.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/MemoryMapPanel.h"

DataLink::DataLink(Form1 *window) : QObject(window), m_window(window)
{
    DataView *data = window->dataView();
    connect(window->Txt(), &DocumentView::caretMoved, this, &DataLink::textCaretMoved);
    connect(window, &Form1::addressesRead, this, &DataLink::textCaretMoved);
    connect(data, &DataView::caretMoved, this, &DataLink::dataCaretChanged);
    connect(data, &DataView::bytesWritten, this, &DataLink::writeBytes);
}

void DataLink::textCaretMoved()
{
    if (m_following)
        return;
    const std::optional<std::uint32_t> address = m_window->textCaretAddress();
    m_window->mapPanel()->setCaret(address);
    if (address)
        m_window->dataView()->setCaret(*address);
}

void DataLink::dataCaretChanged(std::uint32_t address)
{
    m_following = true;
    selectInText(address, false);
    m_following = false;
    m_window->mapPanel()->setCaret(address);
    emit dataCaretMoved();
}

bool DataLink::selectInText(std::uint32_t address, bool centre)
{
    const AddressIndex &index = m_window->addresses();
    DocumentView *view = m_window->Txt();
    const std::optional<AddressIndex::Place> place = index.placeOf(address);
    const std::optional<AddressIndex::Digits> digits =
        place ? index.digitsOf(view->lineBytes(int(place->line)), place->byte, 1) : std::nullopt;
    if (!digits)
        return false;
    view->selectBytes(int(place->line), digits->column, digits->width, centre);
    return true;
}

bool DataLink::goToAddress(std::uint32_t address)
{
    m_following = true;
    const bool found = selectInText(address, true);
    m_following = false;
    if (!found)
        return false;
    m_window->dataView()->setCaret(address);
    m_window->mapPanel()->setCaret(address);
    emit dataCaretMoved();
    return true;
}

std::optional<TextPatch::Lines> DataLink::linesHolding(std::uint32_t address,
                                                       std::uint32_t count) const
{
    const AddressIndex &index = m_window->addresses();
    std::uint64_t first = UINT64_MAX, last = 0;
    for (std::uint64_t at = address; at < std::uint64_t(address) + count; ++at) {
        const std::optional<AddressIndex::Place> place = index.placeOf(std::uint32_t(at));
        if (!place || at > UINT32_MAX)
            return std::nullopt;
        first = std::min(first, place->line);
        last = std::max(last, place->line);
    }
    const DocumentView *view = m_window->Txt();
    auto lineStart = [view](std::uint64_t line) {
        return qsizetype(view->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                             static_cast<unsigned long>(line - 1)));
    };
    const qsizetype end = last < std::uint64_t(view->lineTotal())
                              ? lineStart(last + 1)
                              : qsizetype(view->SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
    return TextPatch::Lines{lineStart(first), end, first};
}

void DataLink::writeBytes(std::uint32_t address, const QByteArray &bytes)
{
    const ImageCalls *calls = KestrunBinding::imageCalls();
    if (!calls || m_window->recordFormat() == KESTRUN_FORMAT_BINARY)
        return;
    TextPatch patch(*calls, m_window->recordFormat());
    patch.write(address, bytes);
    m_following = true;
    const TextPatch::Result result =
        m_window->applyPatch(patch, linesHolding(address, std::uint32_t(bytes.size())));
    m_following = false;
    if (result.result < 0) {
        prompts().message(m_window, QMessageBox::Warning, QStringLiteral("Pelcor"),
                          QStringLiteral("ﾃﾞｰﾀを書き換えられません\n%1").arg(result.error),
                          QMessageBox::Ok);
        return;
    }
    m_window->dataView()->refresh();
}
