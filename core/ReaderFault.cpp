#include "core/ReaderFault.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ReaderFault", text);
}

QString hexAddress(std::uint64_t address)
{
    return QString::number(address, 16).toUpper().rightJustified(8, u'0');
}

} // namespace

QString ReaderFault::message(const kestrun_fault &fault, const QString &resultText)
{
    const QString index = QString::number(fault.index);
    const QString at = QString::number(fault.at);
    const QString limit = QString::number(fault.limit);
    switch (fault.kind) {
    case KESTRUN_FAULT_NOT_ELF:
        return tr("ELF ファイルではありません");
    case KESTRUN_FAULT_LFS_POINTER:
        return tr("Git LFS のポインタファイルで、ELF ファイルそのものではありません "
                  "(git lfs pull で取り出せます)");
    case KESTRUN_FAULT_HEADER_CUT:
        return tr("途中で切れています: ELF ヘッダはオフセット %1 まであり、ファイルは %2 バイトです")
            .arg(at, limit);
    case KESTRUN_FAULT_HEADER_DAMAGED:
        return tr("ELF ヘッダが壊れています");
    case KESTRUN_FAULT_RELOCATABLE:
        return tr("再配置可能オブジェクトで、実行ファイルではありません: 先にリンクしてください");
    case KESTRUN_FAULT_PROGRAM_HEADERS_CUT:
        return tr("途中で切れています: プログラムヘッダはオフセット %1 まであり、ファイルは %2 バイトです")
            .arg(at, limit);
    case KESTRUN_FAULT_SECTION_HEADERS_CUT:
        return tr("途中で切れています: セクションヘッダはオフセット %1 まであり、ファイルは %2 バイトです")
            .arg(at, limit);
    case KESTRUN_FAULT_SEGMENT_CUT:
        return tr("途中で切れています: セグメント %1 はオフセット %2 まであり、ファイルは %3 バイトです")
            .arg(index, at, limit);
    case KESTRUN_FAULT_SECTION_CUT:
        return tr("途中で切れています: セクション %1 はオフセット %2 まであり、ファイルは %3 バイトです")
            .arg(index, at, limit);
    case KESTRUN_FAULT_PROGRAM_HEADER_DAMAGED:
        return tr("プログラムヘッダ %1 が壊れています").arg(index);
    case KESTRUN_FAULT_SECTION_HEADER_DAMAGED:
        return tr("セクションヘッダ %1 が壊れています").arg(index);
    case KESTRUN_FAULT_SEGMENT_PAST_END:
        return tr("セグメント %1 (%2 から) がアドレス FFFFFFFF を超えます").arg(index, hexAddress(fault.at));
    case KESTRUN_FAULT_SECTION_PAST_END:
        return tr("セクション %1 (%2 から) がアドレス FFFFFFFF を超えます").arg(index, hexAddress(fault.at));
    case KESTRUN_FAULT_SEGMENT_NOT_STORED:
        return tr("%1 (セグメント %2、%3 から)").arg(resultText, index, hexAddress(fault.at));
    case KESTRUN_FAULT_SECTION_NOT_STORED:
        return tr("%1 (セクション %2、%3 から)").arg(resultText, index, hexAddress(fault.at));
    case KESTRUN_FAULT_BYTES_PAST_END:
        return tr("データがアドレス FFFFFFFF を超えます");
    case KESTRUN_FAULT_UF2_MAGIC:
        return tr("ブロック %1 (オフセット %2) のマジックナンバーが違います").arg(index, at);
    case KESTRUN_FAULT_UF2_CUT:
        return tr("途中で切れています: ブロック %1 はオフセット %2 から %3 までで、512 バイトに足りません")
            .arg(index, at, limit);
    case KESTRUN_FAULT_UF2_PAYLOAD:
        return tr("ブロック %1 (オフセット %2) のデータが 476 バイトを超えるか、アドレス FFFFFFFF を超えます")
            .arg(index, at);
    default:
        return QString();
    }
}
