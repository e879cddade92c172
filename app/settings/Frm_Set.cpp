#include "settings/Frm_Set.h"

#include "base/AppState.h"

#include "core/ConversionPlan.h"
#include "core/SettingsModel.h"
#include "base/UserPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

void (*refusalBeep)() = &QApplication::beep;

namespace {

// The standard menu names its Paste item only in later Qt versions; the
// caption comes from the same translation the menu used.
bool isPasteAction(const QAction *action)
{
    return action->objectName() == u"edit-paste"
           || action->text().section(u'\t', 0, 0) == QLineEdit::tr("&Paste");
}

// Stands in front of a box's own input handling, so that no way of
// entering text (keys, pasting in its three forms) gets round the filter.
class BoxGuard : public QObject {
public:
    BoxGuard(QLineEdit *box, KeyFilter filter) : QObject(box), m_box(box), m_filter(filter) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_box)
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
            return keyPressed(static_cast<QKeyEvent *>(event));
        case QEvent::ContextMenu:
            showContextMenu(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        case QEvent::MouseButtonRelease:
            return middleButtonPaste(static_cast<QMouseEvent *>(event));
        default:
            return false;
        }
    }

private:
    bool keyPressed(const QKeyEvent *key)
    {
        if (key->matches(QKeySequence::Paste)) {
            insertFiltered(QGuiApplication::clipboard()->text());
            return true;
        }
        // Keys that carry no character (backspace, Delete, arrows, Tab,
        // Enter, Esc) and shortcuts keep their usual meaning.
        const QString text = key->text();
        constexpr auto shortcutModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
        if (text.isEmpty() || !text.front().isPrint() || (key->modifiers() & shortcutModifiers))
            return false;
        insertFiltered(text);
        return true;
    }

    bool middleButtonPaste(const QMouseEvent *mouse)
    {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (mouse->button() != Qt::MiddleButton || !clipboard->supportsSelection())
            return false;
        m_box->deselect();
        insertFiltered(clipboard->text(QClipboard::Selection));
        return true;
    }

    void showContextMenu(const QPoint &where)
    {
        QMenu *menu = m_box->createStandardContextMenu();
        for (QAction *action : menu->actions()) {
            if (!isPasteAction(action))
                continue;
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this,
                    [this] { insertFiltered(QGuiApplication::clipboard()->text()); });
        }
        // Not exec(): the box may be gone by the time a blocking menu returns.
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(where);
    }

    void insertFiltered(const QString &text)
    {
        bool refused = false;
        const QString accepted = filterText(text, m_filter, &refused);
        if (refused)
            refusalBeep();
        if (!accepted.isEmpty())
            m_box->insert(accepted);
    }

    QLineEdit *m_box;
    KeyFilter m_filter;
};

QLineEdit *hexBox(const char *name, int maxLength)
{
    auto *box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setMaxLength(maxLength);
    // Wide enough for the longest text the box takes, and not much wider.
    const QString widest(maxLength + 1, u'W');
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(widest) + 8);
    guardBox(box, hexKeyFilter);
    return box;
}

// A box's limit holds for typing; a longer text from a hand-edited file is
// shown whole, so that confirming does not quietly cut it short.
void showText(QLineEdit *box, const QString &text)
{
    if (text.size() > box->maxLength())
        box->setMaxLength(int(text.size()));
    box->setText(text);
}

QString textOr(const QLineEdit *box, const QString &whenEmpty)
{
    return box->text().isEmpty() ? whenEmpty : box->text();
}

} // namespace

std::optional<QChar> hexKeyFilter(QChar typed)
{
    const QChar upper = typed.toUpper();
    const char16_t c = upper.unicode();
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || c == u'.' || c == u'\b')
        return upper;
    return std::nullopt;
}

QString filterText(const QString &text, KeyFilter filter, bool *refused)
{
    QString accepted;
    bool dropped = false;
    for (const QChar c : text) {
        const std::optional<QChar> taken =
            c.category() == QChar::Other_Control ? std::nullopt : filter(c);
        if (taken)
            accepted.append(*taken);
        else
            dropped = true;
    }
    if (refused)
        *refused = dropped;
    return accepted;
}

void guardBox(QLineEdit *box, KeyFilter filter)
{
    // An input method would hand over composed text past the key filter;
    // the boxes take only single-byte characters anyway.
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->setAcceptDrops(false);
    box->installEventFilter(new BoxGuard(box, filter));
}

Frm_Set::Frm_Set(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                         | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ダンプ設定"));
    createControls();
    layOutDialog(layOutGroup());
    orderTabs();
    // From here on, ticking the box (the opening step included) disables
    // the address range and clearing it enables the range again.
    connect(m_chkAdr, &QCheckBox::toggled, this, [this](bool ticked) {
        for (QLineEdit *box : m_txtAdr)
            box->setEnabled(!ticked);
    });
    connect(m_cmdOk, &QPushButton::clicked, this, &Frm_Set::confirm);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    showSettings();
}

Frm_Set *Frm_Set::showFor(QWidget *frame)
{
    QPointer<QDialog> &shown = appState().settingsDialog;
    // A dialog that has closed may still wait for its deletion; only one
    // that is on screen is brought forward.
    if (!shown || !shown->isVisible())
        shown = new Frm_Set(frame);
    auto *open = static_cast<Frm_Set *>(shown.data());
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

void Frm_Set::createControls()
{
    m_chkAdr = new QCheckBox(QStringLiteral("ｱﾄﾞﾚｽ範囲を指定しない"));
    m_chkAdr->setObjectName(QStringLiteral("chkAdr"));
    m_chkCheckSum = new QCheckBox(QStringLiteral("ﾁｪｯｸｻﾑ値のみ計算"));
    m_chkCheckSum->setObjectName(QStringLiteral("chkCheckSum"));
    m_txtAdr = {hexBox("txtAdr0", 8), hexBox("txtAdr1", 8)};
    const QString lineEnds[] = {QStringLiteral("CR と LF"), QStringLiteral("CR だけ"),
                                QStringLiteral("LF だけ")};
    for (int i = 0; i < 3; ++i) {
        m_opt[i] = new QRadioButton(lineEnds[i]);
        m_opt[i]->setObjectName(QStringLiteral("opt%1").arg(i));
    }
    m_txtBlk = hexBox("txtBlk", 2);
    m_txtLen = hexBox("txtLen", 2);
    m_txtScp = hexBox("txtScp", 2);
    m_Label8 = new QLabel(QStringLiteral("全ての値は１６進数で入力してください。"));
    m_Label8->setObjectName(QStringLiteral("Label8"));
    QPalette darkRed = m_Label8->palette();
    darkRed.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    m_Label8->setPalette(darkRed);
    m_cmdOk = new QPushButton(QStringLiteral("設定"));
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("取消"));
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
}

QGroupBox *Frm_Set::layOutGroup()
{
    auto *range = new QGridLayout;
    range->addWidget(new QLabel(QStringLiteral("ｽﾀｰﾄｱﾄﾞﾚｽ")), 0, 0);
    range->addWidget(new QLabel(QStringLiteral("ｴﾝﾄﾞｱﾄﾞﾚｽ")), 0, 2);
    range->addWidget(m_txtAdr[0], 1, 0);
    range->addWidget(new QLabel(QStringLiteral("－")), 1, 1);
    range->addWidget(m_txtAdr[1], 1, 2);
    range->setColumnStretch(3, 1);

    auto *lineEnds = new QVBoxLayout;
    lineEnds->setContentsMargins(12, 0, 0, 0);
    for (QRadioButton *button : m_opt)
        lineEnds->addWidget(button);

    auto *left = new QVBoxLayout;
    left->addWidget(m_chkAdr);
    left->addWidget(m_chkCheckSum);
    left->addSpacing(6);
    left->addLayout(range);
    left->addSpacing(6);
    left->addWidget(new QLabel(QStringLiteral("改行コード")));
    left->addLayout(lineEnds);
    left->addStretch();

    auto *right = new QVBoxLayout;
    const std::pair<QString, QLineEdit *> boxes[] = {{QStringLiteral("ﾌﾞﾗﾝｸ値"), m_txtBlk},
                                                     {QStringLiteral("最大ﾃﾞｰﾀ長"), m_txtLen},
                                                     {QStringLiteral("領域確保の倍率"), m_txtScp}};
    for (const auto &[caption, box] : boxes) {
        right->addWidget(new QLabel(caption));
        right->addWidget(box);
        right->addSpacing(6);
    }
    right->addStretch();

    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addSpacing(24);
    columns->addLayout(right);

    auto *group = new QGroupBox(QStringLiteral("全般(&A)"));
    auto *inside = new QVBoxLayout(group);
    inside->addLayout(columns);
    inside->addWidget(m_Label8, 0, Qt::AlignRight);
    return group;
}

void Frm_Set::layOutDialog(QGroupBox *group)
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOk);
    buttons->addWidget(m_cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Frm_Set::orderTabs()
{
    QWidget *const chain[] = {m_chkAdr, m_chkCheckSum, m_txtAdr[0], m_txtAdr[1],
                              m_opt[0], m_opt[1],      m_opt[2],    m_txtBlk,
                              m_txtLen, m_txtScp,      m_cmdOk,     m_cmdCancel};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void Frm_Set::showSettings()
{
    const DumpSettings settings = SettingsModel::program().dumpSettings();
    showText(m_txtAdr[0], settings.StartAddress);
    showText(m_txtAdr[1], settings.EndAddress);
    // The conversions take every text but "0" as automatic; so does the box.
    m_chkAdr->setChecked(settings.AutoAddress != u"0");
    showText(m_txtLen, settings.RecordLength);
    showText(m_txtBlk, settings.BlankChar);
    showText(m_txtScp, settings.Scope);
    m_chkCheckSum->setChecked(settings.NoDump != 0);
    // A line end the buttons do not know selects none of them.
    if (settings.NewLine >= 0 && settings.NewLine < qint16(m_opt.size()))
        m_opt[settings.NewLine]->setChecked(true);
}

void Frm_Set::confirm()
{
    DumpSettings settings = SettingsModel::program().dumpSettings();
    settings.StartAddress = textOr(m_txtAdr[0], QStringLiteral("0"));
    settings.EndAddress = textOr(m_txtAdr[1], QStringLiteral("0"));
    settings.AutoAddress = m_chkAdr->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    settings.RecordLength = textOr(m_txtLen, QStringLiteral("0"));
    settings.BlankChar = textOr(m_txtBlk, QStringLiteral("FF"));
    settings.Scope = textOr(m_txtScp, QStringLiteral("1"));
    settings.NoDump = m_chkCheckSum->isChecked() ? 1 : 0;
    // With no button chosen the line end stays what it was.
    for (qint16 i = 0; i < qint16(m_opt.size()); ++i)
        if (m_opt[i]->isChecked())
            settings.NewLine = i;
    // Binary to HEX can make nothing of such a length; it is refused where
    // it was typed rather than when a conversion needs it.
    if (!readConversionSettings(settings).recordLengthUsable) {
        prompts().message(this, QMessageBox::Warning, windowTitle(),
                          QStringLiteral("最大ﾃﾞｰﾀ長は１～ＦＦの値を入力してください。"),
                          QMessageBox::Ok);
        m_txtLen->setFocus();
        m_txtLen->selectAll();
        return;
    }
    SettingsModel::program().setDumpSettings(settings);
    accept();
}
