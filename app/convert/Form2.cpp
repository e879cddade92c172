#include "convert/Form2.h"

#include "base/AppState.h"
#include "convert/PictureBox.h"
#include "convert/Progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

Form2::Form2(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                         | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_pic(new PictureBox(this)), m_cmd(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this)),
      m_percent(new QLabel(this))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QString(18, u' ') + QStringLiteral("進行状況"));
    setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 9));
    setModal(false);
    setFixedSize(200, 71);

    m_pic->move(8, 8);
    m_cmd->setObjectName(QStringLiteral("Cmd"));
    m_cmd->setGeometry(64, 40, 73, 25);
    m_cmd->setAutoDefault(false);
    m_percent->setObjectName(QStringLiteral("percent"));
    m_percent->setGeometry(141, 40, 52, 25);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(m_cmd, &QPushButton::clicked, this, [] { appState().continueConversion = 0; });
}

void Form2::showOwnedBy(QWidget *owner)
{
    if (owner != parentWidget())
        setParent(owner, windowFlags());
    show();
}

void Form2::clearPicture()
{
    m_pic->clear();
    m_percent->clear();
}

void Form2::showPercent(int percent)
{
    m_percent->setText(QStringLiteral("%1%").arg(percent));
}

void Form2::drawStatus(const QString &text, QPoint at)
{
    m_pic->setForeColor(Qt::black);
    m_pic->drawText(at, text);
}

void Form2::restoreColour()
{
    m_pic->setForeColor(PictureBox::fillColor());
}

void Form2::refreshPicture()
{
    m_pic->refresh();
}

void Form2::lock()
{
    m_cmd->setEnabled(false);
}

std::intptr_t Form2::deviceContext() const
{
    return reinterpret_cast<std::intptr_t>(m_pic);
}

// The window belongs to the operation that opened it, which closes it when
// it is done; a close from the title bar or Esc may only ask to cancel.
void Form2::closeEvent(QCloseEvent *event)
{
    event->ignore();
    requestCancel();
}

// While the window shows, Esc cancels wherever the focus is: the window
// never takes the focus from the document the user was working in.
bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && m_cmd->isEnabled()) {
        requestCancel();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Form2::showEvent(QShowEvent *event)
{
    qApp->installEventFilter(this);
    QDialog::showEvent(event);
}

void Form2::hideEvent(QHideEvent *event)
{
    qApp->removeEventFilter(this);
    QDialog::hideEvent(event);
}

void Form2::reject()
{
    requestCancel();
}

void Form2::requestCancel()
{
    if (m_cmd->isEnabled())
        m_cmd->click();
}
