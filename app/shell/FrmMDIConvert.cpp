// The frame as the conversions' host: the Dump menu's four commands, and
// the files, dialogs and document windows a conversion asks the frame for.
#include "shell/FrmMDI.h"

#include "base/WaitCursor.h"
#include "convert/Conversions.h"
#include "shell/FileRoutines.h"
#include "shell/Form1.h"

#include <QApplication>
#include <QPointer>

void FrmMDI::m_HexToBin_Click()
{
    WaitCursor wait;
    if (Form1 *window = activeDocument(); window && Form1::DocumentCount() >= 1)
        convertHexToBinary(window);
}

void FrmMDI::m_HexToDmp_Click()
{
    WaitCursor wait;
    if (Form1 *window = activeDocument(); window && Form1::DocumentCount() >= 1)
        convertHexToDump(window);
}

void FrmMDI::m_BinToHEX_Click()
{
    WaitCursor wait;
    convertBinaryToHex();
}

void FrmMDI::m_BinToDmp_Click()
{
    WaitCursor wait;
    convertBinaryToDump();
}

HexSource FrmMDI::sourceOf(Form1 *window)
{
    QPointer<Form1> guard(window);
    return {[guard] { return guard ? guard->documentBytes() : QByteArray(); }, DocumentPath(window),
            [guard](int line) {
                if (guard)
                    guard->selectLine(line);
            },
            [guard](std::vector<MarkedRange> ranges) {
                if (guard)
                    guard->setMarkedRanges(std::move(ranges));
            }};
}

bool FrmMDI::convertHexToBinary(Form1 *source)
{
    return ConvertHexToBinary(*this, sourceOf(source));
}

bool FrmMDI::convertHexToDump(Form1 *source)
{
    return ConvertHexToDump(*this, sourceOf(source));
}

bool FrmMDI::convertBinaryToHex()
{
    return ConvertBinaryToHex(*this);
}

bool FrmMDI::convertBinaryToDump()
{
    return ConvertBinaryToDump(*this);
}

QWidget *FrmMDI::dialogOwner()
{
    return this;
}

bool FrmMDI::chooseBinarySource(QString &path, QByteArray &data, const QString &title)
{
    path = ChooseOpenFile(frameWindow(), AllFiles, title);
    std::int32_t length = 0;
    if (path.isEmpty() || !LoadBinaryFile(path, data, length))
        return false;
    data.truncate(length);
    return true;
}

bool FrmMDI::saveBinaryResult(QByteArrayView bytes, QString &path)
{
    return SaveBinaryFile(bytes, path, true);
}

bool FrmMDI::openResult(const QByteArray &head, QByteArrayView body, const QString &path,
                        const std::function<bool()> &between)
{
    DocumentText text;
    text.head = head;
    // Raw: the caller keeps the output alive until this returns.
    text.body = QByteArray::fromRawData(body.data(), body.size());
    return placeDocument(std::move(text), path + Form1::UnsavedMarker, false, between) != nullptr;
}
