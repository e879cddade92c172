#include "core/SettingsModel.h"

#include "core/Cp932.h"
#include "core/IniDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString placementKey = QStringLiteral("MDISize");
const QString fileName = QStringLiteral("Pelcor.ini");

// The user's configuration folder as the XDG base directory rules give it:
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
QString configHome()
{
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.config");
}

// A file the settings can be saved to: saves replace it through a new file
// in its folder, so the folder must take one too.
bool canBeSaved(const QFileInfo &file)
{
    return file.isFile() && file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
}

// A 16-bit decimal integer with an optional sign; anything else (a hand
// edit, a hex number, a value out of range) is refused.
std::optional<qint16> decimalInt16(const QString &text)
{
    qsizetype i = (text.startsWith(u'-') || text.startsWith(u'+')) ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    qint32 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > 32768)
            return std::nullopt;
    }
    const qint32 value = text.startsWith(u'-') ? -magnitude : magnitude;
    if (value > 32767)
        return std::nullopt;
    return static_cast<qint16>(value);
}

SettingsModel::FileState stateOf(const QString &path, const QString &section)
{
    const IniDocument file = IniDocument::load(path);
    switch (file.source()) {
    case IniDocument::Source::Missing:
        return SettingsModel::FileState::Missing;
    case IniDocument::Source::Unreadable:
        return SettingsModel::FileState::Unreadable;
    case IniDocument::Source::Read:
        break;
    }
    return file.hasSection(encodeCp932(section)) ? SettingsModel::FileState::Read
                                                 : SettingsModel::FileState::WithoutSection;
}

} // namespace

SettingsModel &SettingsModel::program()
{
    static SettingsModel instance;
    return instance;
}

QString SettingsModel::fileFor(const QString &programFolder)
{
    const QFileInfo beside(programFolder + u'/' + fileName);
    if (canBeSaved(beside))
        return beside.filePath();
    return configHome() + QStringLiteral("/Pelcor/") + fileName;
}

void SettingsModel::setUp()
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString path = fileFor(folder);
    setUpFile(path);
    const QString beside = folder + u'/' + fileName;
    m_makesFolder = path != beside;
    // A Pelcor.ini that came with a read-only copy still gives the first
    // run its values, which the first save then keeps in the user's file.
    m_firstRunSource = m_makesFolder && QFileInfo(beside).isFile() ? beside : QString();
}

void SettingsModel::setUp(const QString &folder)
{
    setUpFile(folder + u'/' + fileName);
    m_makesFolder = false;
    m_firstRunSource.clear();
}

void SettingsModel::setUpFile(const QString &path)
{
    m_store.setPath(path);
    m_store.setSection(QStringLiteral("Vantrel"));
    // The key order is also the order in which a new file receives them.
    m_store.SetArrayKey(10, {QStringLiteral("StartAddress"), QStringLiteral("EndAddress"),
                             QStringLiteral("AutoAddress"), QStringLiteral("RecordLength"),
                             QStringLiteral("BlankChar"), QStringLiteral("Scope"),
                             QStringLiteral("NoDump"), QStringLiteral("NewLine"),
                             QStringLiteral("FontFace"), QStringLiteral("FontSize")});
    const DumpSettings defaults;
    m_store.SetArrayDefault(6, {defaults.StartAddress, defaults.EndAddress, defaults.AutoAddress,
                                defaults.RecordLength, defaults.BlankChar, defaults.Scope});
}

void SettingsModel::load()
{
    m_fileState = stateOf(m_store.Path(), m_store.Section());
    QStringList texts = {m_dump.StartAddress, m_dump.EndAddress, m_dump.AutoAddress,
                         m_dump.RecordLength, m_dump.BlankChar,  m_dump.Scope};
    m_store.EnumValues(6, texts);
    m_dump.StartAddress = texts.at(0);
    m_dump.EndAddress = texts.at(1);
    m_dump.AutoAddress = texts.at(2);
    m_dump.RecordLength = texts.at(3);
    m_dump.BlankChar = texts.at(4);
    m_dump.Scope = texts.at(5);

    const DumpSettings dumpDefaults;
    const DisplayFont fontDefaults;
    m_dump.NoDump = readInteger(QStringLiteral("NoDump"), dumpDefaults.NoDump);
    m_dump.NewLine = readInteger(QStringLiteral("NewLine"), dumpDefaults.NewLine);
    m_font.FontFace = m_store.GetValue(QStringLiteral("FontFace"), fontDefaults.FontFace);
    // A size beyond what the font dialog takes leaves every document blank.
    m_font.FontSize = std::min(readInteger(QStringLiteral("FontSize"), fontDefaults.FontSize),
                               DisplayFont::LargestSize);
}

bool SettingsModel::save()
{
    // The per-user folder does not exist before the first save. A program
    // folder that went away is not made again.
    if (m_makesFolder)
        QDir().mkpath(QFileInfo(m_store.Path()).absolutePath());
    m_store.SetArrayValue(10, {m_dump.StartAddress, m_dump.EndAddress, m_dump.AutoAddress,
                               m_dump.RecordLength, m_dump.BlankChar, m_dump.Scope, m_dump.NoDump,
                               m_dump.NewLine, m_font.FontFace, m_font.FontSize});
    return m_store.SetValue();
}

std::optional<PlacementBlock> SettingsModel::restoreStep()
{
    const QString path = m_store.Path();
    if (!m_firstRunSource.isEmpty() && !QFileInfo::exists(path))
        m_store.setPath(m_firstRunSource);
    load();
    QByteArray bytes(PlacementBlock::Size, '\0');
    const bool placed = m_store.GetStruct(bytes.data(), PlacementBlock::Size, placementKey);
    m_store.setPath(path);
    if (!placed)
        return std::nullopt;
    return PlacementBlock::fromBytes(bytes);
}

bool SettingsModel::saveStep(const PlacementBlock &placement)
{
    const QByteArray bytes = placement.forStorage().toBytes();
    const bool settingsSaved = save();
    return m_store.SetStruct(bytes.constData(), PlacementBlock::Size, placementKey)
           && settingsSaved;
}

qint16 SettingsModel::readInteger(const QString &key, qint16 fallback)
{
    return decimalInt16(m_store.GetValue(key, QString::number(fallback))).value_or(fallback);
}
