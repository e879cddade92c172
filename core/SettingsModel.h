#pragma once

#include "core/ClsIniApi.h"
#include "core/DisplayFont.h"
#include "core/DumpSettings.h"
#include "core/PlacementBlock.h"

#include <optional>

// The settings of a run: read once at start-up, changed in memory by the
// settings dialogs, written back once when the frame window closes. They
// live in "Pelcor.ini", section "Vantrel", beside the executable; the
// frame's placement shares that section under "MDISize".
//
// Missing, unreadable or hand-damaged files never stop the program: what
// cannot be read takes its default, and a save that fails stays silent.
class SettingsModel
{
public:
    // The one instance the program uses.
    static SettingsModel &program();

    // Points the store at the executable's folder and registers the keys.
    void setUp();
    // The same for another folder; tests use a temporary one.
    void setUp(const QString &folder);

    void load();
    // Writes every setting, changed or not. False when any write failed.
    bool save();

    // Start-up: the settings, then the stored placement, if it is there and
    // intact (present, of the right size, check byte matching).
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
    qint16 readInteger(const QString &key, qint16 fallback);

    ClsIniApi m_store;
    DumpSettings m_dump;
    DisplayFont m_font;
};
