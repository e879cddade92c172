#include "convert/Form2.h"

#include "base/AppState.h"
#include "convert/PictureBox.h"
#include "convert/Progress.h"

#include <QCloseEvent>
#include <QPushButton>

Form2::Form2(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                         | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_pic(new PictureBox(this)), m_cmd(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this))
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

void Form2::reject()
{
    requestCancel();
}

void Form2::requestCancel()
{
    if (m_cmd->isEnabled())
        m_cmd->click();
}
