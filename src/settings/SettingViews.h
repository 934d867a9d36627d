#pragma once

#include "board/PanelLook.h"
#include "route/RouteOperation.h"
#include "settings/LiveSettings.h"
#include "sound/mdlM_Tape.h"

// The live settings as the parts of the program that use them take them.
namespace settings_views {

// What the announcement tape reads: its folder and the chimes before an announcement.
mdlM_Tape::TapeSettings tapeSettings(const LiveSettings& live);

// The information values of a board update.
routeop::InfoValues infoValues(const LiveSettings& live);

// The sounds of a step from stop to stop.
routeop::StepSounds stepSounds(const LiveSettings& live);

// The board's look for a backlight state (0 OFF, 1 ON1, 2 ON2; others are clamped).
BacklightLook backlightLook(const LiveSettings& live, int index);

// The board's whole look for a backlight state.
BoardLook boardLook(const LiveSettings& live, int backlight);

} // namespace settings_views
