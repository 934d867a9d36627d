#pragma once

#include "settings/SettingsError.h"
#include "settings/SettingsRecord.h"

// What the settings need of the controller window: its saved state and its
// backlight switch.
class ControllerLink {
public:
    virtual ~ControllerLink() = default;

    virtual void GetCtrlDataInfo(ControllerStateBlock& state) = 0;
    virtual void SetCtrlDataInfo(const ControllerStateBlock& state) = 0;
    // Whether the controls can take the saved state: error number 0 when they can.
    virtual SettingsError checkCtrlDataInfo(const ControllerStateBlock& state) const = 0;
    // The selected backlight option: 0 OFF, 1 ON1, 2 ON2.
    virtual int backlightIndex() const = 0;
    // Shows the board for a backlight state (the backlight option's click).
    virtual void Option4_Click(int index) = 0;
};
