#pragma once

#include "core/PlacementBlock.h"

class QWidget;
class SettingsModel;

// Where the frame window meets its stored placement. The frame calls
// restore() once it exists and before it is shown, and save() when it
// closes; everything in between is plain logic in SettingsModel and
// PlacementBlock.
namespace FramePlacement {

// The frame's placement as it would be stored now: its normal rectangle,
// and whether it is minimised or maximised.
PlacementBlock capture(const QWidget &frame);

// Gives the frame the block's normal rectangle, kept on a screen; a block
// without a usable rectangle changes nothing. Never shows the frame.
void apply(const PlacementBlock &block, QWidget &frame);

// Start-up: load the settings, then apply the stored placement if any.
void restore(SettingsModel &settings, QWidget &frame);

// Closing: save the settings, then store the frame's placement. False when
// any of it could not be written; the previous file is then left as it was.
bool save(SettingsModel &settings, const QWidget &frame);

} // namespace FramePlacement
