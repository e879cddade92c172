#include "shell/Frm_Ver.h"

#include "base/AppState.h"

#include "convert/KestrunBinding.h"
#include "core/SettingsModel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The program's version; the project's version in CMakeLists.txt says the same.
constexpr int kMajor = 2;
constexpr int kMinor = 0;
constexpr int kRevision = 1;

void openWithDesktop(const QUrl &address)
{
    // Nothing is shown when no program takes the address: the user sees
    // that nothing opened.
    QDesktopServices::openUrl(address);
}

void setUnderline(QLabel *label, bool on)
{
    QFont font = label->font();
    font.setUnderline(on);
    label->setFont(font);
}

} // namespace

const QString Frm_Ver::HomePage = QStringLiteral("https://pelcor.dev/");
const QString Frm_Ver::MailAddress = QStringLiteral("support@pelcor.dev");

QString versionText(std::optional<std::int32_t> libraryVersion)
{
    // "Library" is padded so that both lines have their "Ver" in one column.
    const QString library =
        libraryVersion ? QString::number(*libraryVersion) : QStringLiteral("(読み込めません)");
    const QStringList lines{
        QStringLiteral("Vantrel"),
        QString(),
        QStringLiteral("User Interface Ver %1%2%3").arg(kMajor).arg(kMinor).arg(kRevision),
        QStringLiteral("Library        Ver ") + library,
        QString(),
        QStringLiteral("Intel HEX・バイナリ・ダンプの変換と表示"),
        QStringLiteral("Copyright (C) Pelcor developers"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

Frm_Ver::Frm_Ver(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_linkPointer(QPixmap(QStringLiteral(":/cursors/link.png")), 5, 0)
{
    if (auto beep = appState().openingBeep)
        beep();
    else
        QApplication::beep();
    setWindowTitle(QStringLiteral("Pelcor のバージョン情報"));
    createControls();
    layOut();

    std::int32_t version = 0;
    const bool bound = KestrunBinding::DllGetVersion(&version) != KestrunBinding::NotBound;
    QString text = versionText(bound ? std::optional(version) : std::nullopt);
    m_Text1->setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    m_Label4->setText(HomePage);
    m_Label5->setText(MailAddress);
    m_settingsFile->setText(QStringLiteral("設定ファイル: ")
                            + QDir::toNativeSeparators(SettingsModel::program().filePath()));
    m_Image1->setPixmap(QIcon(QStringLiteral(":/icons/pelcor.png")).pixmap(48, 48));
}

void Frm_Ver::showModal(QWidget *frame)
{
    Frm_Ver window(frame);
    window.exec();
}

void Frm_Ver::createControls()
{
    m_Text1 = new QPlainTextEdit;
    m_Text1->setObjectName(QStringLiteral("Text1"));
    m_Text1->setReadOnly(true);
    m_Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The version lines line up their "Ver" by spaces.
    m_Text1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(m_Text1->font());
    m_Text1->setFixedSize(metrics.horizontalAdvance(QString(44, u'0')) + 16,
                          metrics.lineSpacing() * 7 + 16);

    m_Image1 = new QLabel;
    m_Image1->setObjectName(QStringLiteral("Image1"));
    m_Image1->setFixedSize(48, 48);

    m_Label4 = new QLabel;
    m_Label4->setObjectName(QStringLiteral("Label4"));
    m_Label5 = new QLabel;
    m_Label5->setObjectName(QStringLiteral("Label5"));
    for (QLabel *link : {m_Label4, m_Label5}) {
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
        link->setPalette(palette);
        link->setMouseTracking(true);
        link->installEventFilter(this);
    }

    // Which Pelcor.ini this run uses: the portable one or the user's own.
    m_settingsFile = new QLabel;
    m_settingsFile->setObjectName(QStringLiteral("SettingsFile"));
    m_settingsFile->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_Command1 = new QPushButton(QStringLiteral("閉じる"));
    m_Command1->setObjectName(QStringLiteral("Command1"));
    m_Command1->setDefault(true);
    connect(m_Command1, &QPushButton::clicked, this, &QDialog::accept);

    // Moves over the background reach the window itself; the controls
    // without tracking keep theirs, so they leave the links as they are.
    setMouseTracking(true);
}

void Frm_Ver::layOut()
{
    auto *links = new QVBoxLayout;
    // Left-aligned, so that a link reacts over its text only.
    links->addWidget(m_Label4, 0, Qt::AlignLeft);
    links->addWidget(m_Label5, 0, Qt::AlignLeft);

    auto *details = new QVBoxLayout;
    details->addWidget(m_Text1);
    details->addSpacing(8);
    details->addLayout(links);
    details->addSpacing(8);
    details->addWidget(m_settingsFile);

    auto *top = new QHBoxLayout;
    top->addWidget(m_Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(details);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_Command1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool Frm_Ver::eventFilter(QObject *watched, QEvent *event)
{
    auto *link = qobject_cast<QLabel *>(watched);
    if (link != m_Label4 && link != m_Label5)
        return QDialog::eventFilter(watched, event);
    QLabel *other = link == m_Label4 ? m_Label5 : m_Label4;
    switch (event->type()) {
    case QEvent::MouseMove:
        hoverLink(link, other);
        return true;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton
            || !link->rect().contains(mouse->position().toPoint()))
            return false;
        const auto open = appState().openLink ? appState().openLink : &openWithDesktop;
        open(link == m_Label4 ? QUrl(HomePage) : QUrl(QStringLiteral("mailto:") + MailAddress));
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void Frm_Ver::mouseMoveEvent(QMouseEvent *event)
{
    // A control that tracks the pointer may pass its moves on; only the
    // window's own background ends the hover.
    if (!childAt(event->position().toPoint()))
        ResetLinkHover();
    QDialog::mouseMoveEvent(event);
}

void Frm_Ver::hoverLink(QLabel *link, QLabel *other)
{
    if (link->font().underline())
        return;
    setUnderline(link, true);
    setCursor(m_linkPointer);
    setUnderline(other, false);
}

void Frm_Ver::ResetLinkHover()
{
    setUnderline(m_Label4, false);
    setUnderline(m_Label5, false);
    unsetCursor();
}
