#pragma once

#include "settings/SettingsError.h"
#include "settings/SettingsRecord.h"

// What the settings file needs of the controller window: its saved state.
class ControllerLink {
public:
    virtual ~ControllerLink() = default;

    virtual void GetCtrlDataInfo(ControllerStateBlock& state) = 0;
    virtual void SetCtrlDataInfo(const ControllerStateBlock& state) = 0;
    // Whether the controls can take the saved state: error number 0 when they can.
    virtual SettingsError checkCtrlDataInfo(const ControllerStateBlock& state) const = 0;
};
