// The window that edits the test length and the six test node URLs.
#pragma once
#include <vector>

#include "platform/form.h"
#include "platform/ui.h"

namespace config {

const platform::Form& SettingsForm();

// Confirm checks and saves; close (the button or the window manager) ends the window
// without saving. Both end by setting RunState().SettingsOpen to 0.
std::vector<platform::Handler> SettingsHandlers();

// Checks the seconds, then proves each node with a short download; saves only when all
// pass. Every outcome ends the window.
void SettingsConfirm();

} // namespace config
