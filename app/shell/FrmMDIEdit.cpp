// The frame's Edit menu: the clipboard commands, find and go to line, the
// checksums made right, all on the active document, and the caret's place
// in the status bar.
#include "shell/FrmMDI.h"

#include "base/BusyScope.h"
#include "base/UserPrompts.h"
#include "convert/KestrunBinding.h"
#include "core/DataSearch.h"
#include "core/HexNumber.h"
#include "core/ImageInput.h"
#include "core/TextPatch.h"
#include "shell/DataCommands.h"
#include "shell/DataLink.h"
#include "shell/DataView.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>

void FrmMDI::buildEditMenu()
{
    m_Edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    m_Edit->setObjectName(QStringLiteral("m_Edit"));
    m_Undo = command(m_Edit, "m_Undo", QStringLiteral("元へ戻す(&U)"), &FrmMDI::m_Undo_Click);
    m_Edit->addSeparator()->setObjectName(QStringLiteral("l2"));
    m_Tear = command(m_Edit, "m_Tear", QStringLiteral("切り取り(&T)"), &FrmMDI::m_Tear_Click);
    m_Copy = command(m_Edit, "m_Copy", QStringLiteral("コピー(&C)"), &FrmMDI::m_Copy_Click);
    m_Paste = command(m_Edit, "m_Paste", QStringLiteral("貼り付け(&P)"), &FrmMDI::m_Paste_Click);
    m_Del = command(m_Edit, "m_Del", QStringLiteral("削除(&D)"), &FrmMDI::m_Del_Click);
    m_Edit->addSeparator()->setObjectName(QStringLiteral("l4"));
    m_AllSel = command(m_Edit, "m_AllSel", QStringLiteral("全て選択(&A)"), &FrmMDI::m_AllSel_Click);
    m_Edit->addSeparator()->setObjectName(QStringLiteral("l6"));
    m_Find = command(m_Edit, "m_Find", QStringLiteral("検索(&F)..."), &FrmMDI::m_Find_Click,
                     QKeySequence(Qt::CTRL | Qt::Key_F));
    m_FindNext = command(m_Edit, "m_FindNext", QStringLiteral("次を検索(&N)"),
                         &FrmMDI::m_FindNext_Click, QKeySequence(Qt::Key_F3));
    m_Jump = command(m_Edit, "m_Jump", QStringLiteral("行へ移動(&G)..."), &FrmMDI::m_Jump_Click,
                     QKeySequence(Qt::CTRL | Qt::Key_G));
    m_JumpAddress =
        command(m_Edit, "m_JumpAddress", QStringLiteral("ｱﾄﾞﾚｽへ移動(&D)..."),
                &FrmMDI::m_JumpAddress_Click, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    m_Edit->addSeparator()->setObjectName(QStringLiteral("l8"));
    m_FixSum = command(m_Edit, "m_FixSum", QStringLiteral("ﾁｪｯｸｻﾑの修正(&K)"),
                       &FrmMDI::m_FixSum_Click);
    m_DataFill = command(m_Edit, "m_DataFill", QStringLiteral("ﾃﾞｰﾀの塗りつぶし(&L)..."),
                         &FrmMDI::m_DataFill_Click);
    connect(m_Edit, &QMenu::aboutToShow, this, [this] {
        const bool any = Form1::DocumentCount() >= 1;
        for (QAction *item :
             {m_Undo, m_Tear, m_Copy, m_Paste, m_Del, m_AllSel, m_Find, m_FindNext, m_Jump})
            item->setEnabled(any);
        const Form1 *active = activeDocument();
        m_JumpAddress->setEnabled(active && !active->addresses().empty());
        m_FixSum->setEnabled(active && active->recordFormat() != KESTRUN_FORMAT_BINARY);
        m_DataFill->setEnabled(active && active->dataView()->isVisible()
                               && active->dataView()->caret());
    });
}

void FrmMDI::m_Undo_Click()
{
    if (Form1 *window = activeDocument())
        window->Txt()->undo();
}

void FrmMDI::m_Tear_Click()
{
    if (Form1 *window = activeDocument()) {
        QApplication::clipboard()->clear();
        QApplication::clipboard()->setText(window->Txt()->selectedPlainText());
        window->Txt()->replaceSelection(QString());
    }
}

void FrmMDI::m_Copy_Click()
{
    if (Form1 *window = activeDocument()) {
        QApplication::clipboard()->clear();
        QApplication::clipboard()->setText(window->Txt()->selectedPlainText());
    }
}

void FrmMDI::m_Paste_Click()
{
    Form1 *window = activeDocument();
    if (window && window->dataView()->hasFocus())
        window->dataView()->commands()->paste();
    else if (window)
        window->Txt()->replaceSelection(QApplication::clipboard()->text());
}

void FrmMDI::m_DataFill_Click()
{
    if (Form1 *window = activeDocument())
        window->dataView()->commands()->fill();
}

void FrmMDI::m_Del_Click()
{
    if (Form1 *window = activeDocument())
        window->Txt()->replaceSelection(QString());
}

void FrmMDI::m_AllSel_Click()
{
    if (Form1 *window = activeDocument())
        window->Txt()->selectAll();
}

void FrmMDI::m_Find_Click()
{
    Form1 *window = activeDocument();
    if (!window)
        return;
    const std::optional<UserPrompts::Find> find =
        prompts().askFind(this, m_find, !window->addresses().empty());
    if (!find || find->text.isEmpty())
        return;
    m_find = *find;
    findInActive(m_find);
}

void FrmMDI::m_FindNext_Click()
{
    if (!activeDocument())
        return;
    if (m_find.text.isEmpty())
        m_Find_Click();
    else
        findInActive(m_find);
}

bool FrmMDI::findInActive(const UserPrompts::Find &find)
{
    Form1 *window = activeDocument();
    if (!window)
        return false;
    if (find.target != DataSearch::Text && !window->addresses().empty())
        return findDataInActive(window, find);
    if (window->Txt()->findNext(find.text))
        return true;
    prompts().message(this, QMessageBox::Information, QStringLiteral("Pelcor"),
                      QStringLiteral("「%1」が見つかりません").arg(find.text), QMessageBox::Ok);
    return false;
}

bool FrmMDI::findDataInActive(Form1 *window, const UserPrompts::Find &find)
{
    const std::optional<QByteArray> pattern = DataSearch::pattern(find.target, find.text);
    if (!pattern) {
        prompts().message(this, QMessageBox::Warning, QStringLiteral("Pelcor"),
                          QStringLiteral("ﾊﾞｲﾄ列は 16 進数 2 桁ずつで入力してください"),
                          QMessageBox::Ok);
        return false;
    }
    const ImageCalls *calls = KestrunBinding::imageCalls();
    if (!calls)
        return false;
    std::optional<std::uint32_t> hit;
    {
        BusyScope busy;
        kestrun_image *image = calls->kestrun_image_new();
        if (image) {
            // A text with a bad record is searched as far as it reads, as
            // its addresses are.
            MemoryPieces text(window->Txt()->textBytes());
            readImageInput(*calls, image, text, InputArgument{DocumentPath(window), {}});
            hit = DataSearch::find(*calls, image, *pattern, dataFindStart(window));
            calls->kestrun_image_free(image);
        }
    }
    DocumentView *view = window->Txt();
    const std::optional<AddressIndex::Place> place =
        hit ? window->addresses().placeOf(*hit) : std::nullopt;
    const std::optional<AddressIndex::Digits> digits =
        place ? window->addresses().digitsOf(view->lineBytes(int(place->line)), place->byte,
                                             std::uint32_t(pattern->size()))
              : std::nullopt;
    if (!digits) {
        prompts().message(this, QMessageBox::Information, QStringLiteral("Pelcor"),
                          QStringLiteral("「%1」が見つかりません").arg(find.text),
                          QMessageBox::Ok);
        return false;
    }
    view->selectColumns(int(place->line), digits->column, digits->width);
    m_lastHit = {window, view->caretLine(), view->caretColumn(), *hit};
    return true;
}

std::uint64_t FrmMDI::dataFindStart(Form1 *window) const
{
    const DocumentView *view = window->Txt();
    if (m_lastHit.window == window && m_lastHit.line == view->caretLine()
        && m_lastHit.column == view->caretColumn())
        return std::uint64_t(m_lastHit.address) + 1;
    if (const std::optional<std::uint32_t> address = window->caretAddress())
        return *address;
    // Off a data field: the first record from the caret's line on.
    if (const auto record = window->addresses().atOrBelow(std::uint64_t(view->caretLine())))
        return record->address;
    return 0;
}

void FrmMDI::m_Jump_Click()
{
    Form1 *window = activeDocument();
    if (!window)
        return;
    DocumentView *view = window->Txt();
    const int last = view->lineTotal();
    const std::optional<int> line = prompts().askNumber(
        this, QStringLiteral("行へ移動"), QStringLiteral("行番号 (1 - %1)(&L):").arg(last),
        view->caretLine(), 1, last);
    if (line)
        view->goToLine(*line);
}

void FrmMDI::m_JumpAddress_Click()
{
    Form1 *window = activeDocument();
    if (!window)
        return;
    const std::optional<QString> text = prompts().askText(
        this, QStringLiteral("ｱﾄﾞﾚｽへ移動"), QStringLiteral("ｱﾄﾞﾚｽ (16 進)(&A):"), m_addressText);
    if (!text || text->trimmed().isEmpty())
        return;
    m_addressText = text->trimmed();
    const std::optional<std::uint64_t> address = HexNumber::read(m_addressText);
    if (!address || *address > UINT32_MAX
        || !window->dataLink()->goToAddress(std::uint32_t(*address))) {
        prompts().message(this, QMessageBox::Information, QStringLiteral("Pelcor"),
                          QStringLiteral("ｱﾄﾞﾚｽ %1 のﾃﾞｰﾀはありません").arg(m_addressText),
                          QMessageBox::Ok);
        return;
    }
}

void FrmMDI::m_FixSum_Click()
{
    Form1 *window = activeDocument();
    const ImageCalls *calls = KestrunBinding::imageCalls();
    if (!window || !calls || window->recordFormat() == KESTRUN_FORMAT_BINARY)
        return;
    TextPatch patch(*calls, window->recordFormat());
    patch.setFixChecksums(true);
    TextPatch::Result result;
    {
        BusyScope busy;
        result = window->applyPatch(patch);
    }
    if (result.result < 0) {
        prompts().message(this, QMessageBox::Warning, QStringLiteral("Pelcor"),
                          QStringLiteral("ﾁｪｯｸｻﾑを修正できません\n%1").arg(result.error),
                          QMessageBox::Ok);
        return;
    }
    const QString text =
        result.fixed.empty()
            ? QStringLiteral("誤ったﾁｪｯｸｻﾑはありません")
            : QStringLiteral("%1 行のﾁｪｯｸｻﾑを修正しました").arg(result.fixed.size());
    prompts().message(this, QMessageBox::Information, QStringLiteral("Pelcor"), text,
                      QMessageBox::Ok);
}

void FrmMDI::showCaret()
{
    Form1 *window = activeDocument();
    if (!window) {
        m_caret->clear();
        return;
    }
    const DocumentView *view = window->Txt();
    QString text = QStringLiteral("%1 行、%2 列").arg(view->caretLine()).arg(view->caretColumn());
    if (const std::optional<std::uint32_t> address = window->caretAddress())
        text += QStringLiteral("  ｱﾄﾞﾚｽ %1")
                    .arg(QString::number(*address, 16).toUpper().rightJustified(8, u'0'));
    m_caret->setText(text);
}
