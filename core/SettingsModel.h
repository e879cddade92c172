#pragma once

#include "core/ClsIniApi.h"
#include "core/DisplayFont.h"
#include "core/DumpSettings.h"
#include "core/PlacementBlock.h"

#include <optional>

// The settings of a run: read once at start-up, changed in memory by the
// settings dialogs, written back once when the frame window closes. They
// live in "Pelcor.ini", section "Vantrel"; the frame's placement shares
// that section under "MDISize". The file is the one beside the executable
// when it is there and writable (a portable copy, laid out as on Windows),
// else the user's own $XDG_CONFIG_HOME/Pelcor/Pelcor.ini, which the first
// save creates.
//
// Missing, unreadable or hand-damaged files never stop the program: what
// cannot be read takes its default. Whether the file could be read, and
// whether a save succeeded, the callers learn and tell the user.
class SettingsModel {
public:
    // How the file the last load() read from stands: not there (a first
    // run), there but no file that can be read (a FIFO, a device, a huge
    // or unreadable file; every setting then took its default, and saves
    // leave it alone), read but without the Vantrel section, or read.
    enum class FileState { Missing, Unreadable, WithoutSection, Read };

    // The one instance the program uses.
    static SettingsModel &program();

    // The settings file of a program in `programFolder`: its Pelcor.ini if
    // that exists and can be written, else the per-user one.
    static QString fileFor(const QString &programFolder);

    // Points the store at this program's settings file and registers the keys.
    void setUp();
    // The same with the Pelcor.ini of another folder; tests use a temporary one.
    void setUp(const QString &folder);
    // The file the settings are read from and saved to.
    QString filePath() const { return m_store.Path(); }

    void load();
    FileState fileState() const { return m_fileState; }
    // Writes every setting, changed or not. False when any write failed.
    bool save();

    // Start-up: the settings, then the stored placement, if it is there and
    // intact (present, of the right size, check byte matching). Before the
    // per-user file exists, a read-only Pelcor.ini beside the program gives
    // them.
    std::optional<PlacementBlock> restoreStep();
    // Closing: the settings, then the placement the frame had, in the form
    // it is stored in. False when anything failed to be written.
    bool saveStep(const PlacementBlock &placement);

    DumpSettings dumpSettings() const { return m_dump; }
    void setDumpSettings(const DumpSettings &settings) { m_dump = settings; }
    DisplayFont displayFont() const { return m_font; }
    void setDisplayFont(const DisplayFont &font) { m_font = font; }

    ClsIniApi &store() { return m_store; }

private:
    void setUpFile(const QString &path);
    qint16 readInteger(const QString &key, qint16 fallback);

    ClsIniApi m_store;
    DumpSettings m_dump;
    DisplayFont m_font;
    // Whether saving makes the file's folder first (the per-user one).
    bool m_makesFolder = false;
    FileState m_fileState = FileState::Missing;
    // Read instead of a per-user file that does not exist yet: the
    // Pelcor.ini beside the program that cannot be written.
    QString m_firstRunSource;
};
