#include "settings/Frm_Font.h"

#include "base/AppState.h"

#include "settings/Frm_Set.h"
#include "core/SettingsModel.h"
#include "shell/Form1.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool allDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(), isDigit);
}

// The installed faces in a stable order, so that a face is found where the
// user expects it whatever order the font system reports them in.
QStringList installedFaces()
{
    QStringList faces;
    for (const QString &family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family))
            faces.append(family.trimmed());
    faces.sort(Qt::CaseInsensitive);
    faces.removeDuplicates();
    return faces;
}

} // namespace

std::optional<QChar> sizeKeyFilter(QChar typed)
{
    if (isDigit(typed) || typed == u'.' || typed == u'\b')
        return typed;
    return std::nullopt;
}

std::optional<qint16> fontSizeFromText(const QString &text)
{
    if (text.isEmpty())
        return 1;
    const qsizetype point = text.indexOf(u'.');
    const QStringView whole = QStringView(text).left(point < 0 ? text.size() : point);
    const QStringView fraction = point < 0 ? QStringView() : QStringView(text).mid(point + 1);
    if ((whole.isEmpty() && fraction.isEmpty()) || !allDigits(whole) || !allDigits(fraction))
        return std::nullopt;
    qint32 size = 0;
    for (const QChar c : whole) {
        size = size * 10 + (c.unicode() - u'0');
        if (size > 32767)
            return std::nullopt;
    }
    // Decided on the digits, not on a double, so that 10.5000001 is above
    // the half and 10.5 exactly on it.
    if (!fraction.isEmpty()) {
        const bool restZero =
            std::all_of(fraction.begin() + 1, fraction.end(), [](QChar c) { return c == u'0'; });
        const bool aboveHalf = fraction.front() > u'5' || (fraction.front() == u'5' && !restZero);
        const bool onHalf = fraction.front() == u'5' && restZero;
        if (aboveHalf || (onHalf && size % 2 == 1))
            ++size;
    }
    if (size < 1 || size > DisplayFont::LargestSize)
        return std::nullopt;
    return static_cast<qint16>(size);
}

Frm_Font::Frm_Font(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                         | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("表示フォント"));
    createControls();
    layOut();
    connect(m_cmb[0], &QPushButton::clicked, this, &Frm_Font::confirm);
    connect(m_cmb[1], &QPushButton::clicked, this, &QDialog::reject);
    showSettings();
}

Frm_Font *Frm_Font::showFor(QWidget *frame)
{
    QPointer<QDialog> &shown = appState().fontDialog;
    // A dialog that has closed may still wait for its deletion; only one
    // that is on screen is brought forward.
    if (!shown || !shown->isVisible())
        shown = new Frm_Font(frame);
    auto *open = static_cast<Frm_Font *>(shown.data());
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

void Frm_Font::createControls()
{
    m_cmFont = new QComboBox;
    m_cmFont->setObjectName(QStringLiteral("cmFont"));
    // A face can also be typed: one the program substitutes, such as the
    // default face, is not among the installed ones.
    m_cmFont->setEditable(true);
    m_cmFont->setInsertPolicy(QComboBox::NoInsert);
    m_cmFont->setMinimumContentsLength(24);
    m_cmFont->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_txtSize = new QLineEdit;
    m_txtSize->setObjectName(QStringLiteral("txtSize"));
    m_txtSize->setFixedWidth(m_txtSize->fontMetrics().horizontalAdvance(QStringLiteral("00000.0"))
                             + 8);
    guardBox(m_txtSize, sizeKeyFilter);
    const QString captions[] = {QStringLiteral("設定"), QStringLiteral("取消")};
    for (int i = 0; i < 2; ++i) {
        m_cmb[i] = new QPushButton(captions[i]);
        m_cmb[i]->setObjectName(QStringLiteral("cmb%1").arg(i));
    }
    m_cmb[0]->setDefault(true);
}

void Frm_Font::layOut()
{
    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("フォント名")), 0, 0);
    fields->addWidget(new QLabel(QStringLiteral("サイズ")), 0, 1);
    fields->addWidget(m_cmFont, 1, 0);
    fields->addWidget(m_txtSize, 1, 1);
    fields->setHorizontalSpacing(12);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmb[0]);
    buttons->addWidget(m_cmb[1]);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QWidget::setTabOrder(m_cmFont, m_txtSize);
    QWidget::setTabOrder(m_txtSize, m_cmb[0]);
    QWidget::setTabOrder(m_cmb[0], m_cmb[1]);
}

void Frm_Font::showSettings()
{
    const DisplayFont font = SettingsModel::program().displayFont();
    m_cmFont->addItems(installedFaces());
    m_cmFont->setCurrentIndex(
        m_cmFont->findText(font.FontFace, Qt::MatchExactly | Qt::MatchCaseSensitive));
    // A face that is not installed selects no entry but stays readable.
    if (m_cmFont->currentIndex() < 0)
        m_cmFont->setEditText(font.FontFace);
    m_txtSize->setText(QString::number(font.FontSize));
}

void Frm_Font::confirm()
{
    DisplayFont font = SettingsModel::program().displayFont();
    // An emptied face or a size that is none keeps what the documents use
    // now rather than handing them a font they cannot show.
    const QString face = m_cmFont->currentText().trimmed();
    if (!face.isEmpty())
        font.FontFace = face;
    if (const std::optional<qint16> size = fontSizeFromText(m_txtSize->text()))
        font.FontSize = *size;
    SettingsModel::program().setDisplayFont(font);
    if (QWidget *frame = parentWidget())
        ApplyDisplayFont(frame);
    accept();
}
