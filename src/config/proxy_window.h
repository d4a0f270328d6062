// The small window that asks for the HTTP proxy before a proxy test.
#pragma once
#include <vector>

#include "platform/form.h"
#include "platform/ui.h"

namespace config {

const platform::Form& ProxyForm();

// Created: loads the saved proxy into the boxes; confirm checks and saves; close (the
// button or the window manager) answers "abandon".
std::vector<platform::Handler> ProxyHandlers();

// Checks the port, then the address; a bad box gets a short message and the window stays.
// A good pair is saved to conf.ini and becomes RunState().ProxyText as "address:port".
void ProxyConfirm();

} // namespace config
