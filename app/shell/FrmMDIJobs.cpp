// The frame's image menu: the image jobs on the active document, their
// forms and results coming back through the frame as their host.
#include "shell/FrmMDI.h"

#include "base/BusyScope.h"
#include "base/WaitCursor.h"
#include "convert/ImageJobs.h"
#include "convert/OtherFormats.h"
#include "shell/Form1.h"

#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

void FrmMDI::buildImageMenu()
{
    m_Image = menuBar()->addMenu(QStringLiteral("イメージ(&I)"));
    m_Image->setObjectName(QStringLiteral("m_Image"));
    const auto onActive = [this](bool (FrmMDI::*job)(Form1 *)) {
        return [this, job] {
            WaitCursor wait;
            if (Form1 *window = activeDocument())
                (this->*job)(window);
        };
    };
    const auto item = [this](const char *name, const QString &caption,
                             const std::function<void()> &run) {
        QAction *action = m_Image->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [run] {
            if (!isBusy())
                run();
        });
        return action;
    };
    m_ToSRec = item("m_ToSRec", QStringLiteral("HEX  ->  Sﾚｺｰﾄﾞ(&S)"),
                    onActive(&FrmMDI::convertToSRecords));
    m_ToOther = item("m_ToOther", QStringLiteral("HEX  ->  他の形式(&O)..."),
                     onActive(&FrmMDI::convertToOtherFormat));
    m_Image->addSeparator()->setObjectName(QStringLiteral("l7"));
    m_Merge =
        item("m_Merge", QStringLiteral("ﾌｧｲﾙと結合(&M)..."), onActive(&FrmMDI::mergeWithFiles));
    m_InsertCrc =
        item("m_InsertCrc", QStringLiteral("CRC 挿入(&C)..."), onActive(&FrmMDI::insertCrc));
    m_InsertSerial = item("m_InsertSerial", QStringLiteral("ｼﾘｱﾙ番号の書き込み(&N)..."),
                          onActive(&FrmMDI::insertSerial));
    m_Compare =
        item("m_Compare", QStringLiteral("比較(&P)..."), onActive(&FrmMDI::compareWithOther));
    m_Image->addSeparator()->setObjectName(QStringLiteral("l8"));
    m_BinToHexAt =
        item("m_BinToHexAt", QStringLiteral("バイナリ  ->  HEX  ｱﾄﾞﾚｽ指定(&B)..."), [this] {
            WaitCursor wait;
            binaryToHexAt();
        });
    connect(m_Image, &QMenu::aboutToShow, this, [this] {
        const bool any = Form1::DocumentCount() >= 1;
        for (QAction *action : {m_ToSRec, m_ToOther, m_Merge, m_InsertCrc, m_InsertSerial, m_Compare})
            action->setEnabled(any);
    });
}

bool FrmMDI::convertToSRecords(Form1 *source)
{
    return ConvertToSRecords(*this, sourceOf(source));
}

bool FrmMDI::convertToOtherFormat(Form1 *source)
{
    return OtherFormats::convert(*this, sourceOf(source));
}

bool FrmMDI::mergeWithFiles(Form1 *source)
{
    return MergeWithFiles(*this, sourceOf(source));
}

bool FrmMDI::insertCrc(Form1 *source)
{
    return InsertCrc(*this, sourceOf(source));
}

bool FrmMDI::insertSerial(Form1 *source)
{
    return InsertSerial(*this, sourceOf(source));
}

bool FrmMDI::compareWithOther(Form1 *source)
{
    return CompareWithOther(*this, sourceOf(source));
}

bool FrmMDI::binaryToHexAt()
{
    return BinaryToHexAt(*this);
}

QList<HexSource> FrmMDI::otherDocuments()
{
    QList<HexSource> others;
    const Form1 *active = activeDocument();
    for (QMdiSubWindow *window : m_area->subWindowList())
        if (auto *document = qobject_cast<Form1 *>(window); document && document != active)
            others << sourceOf(document);
    return others;
}

void FrmMDI::showNote(const QString &text)
{
    statusBar()->showMessage(text, 20000);
}
