// The main window described as data: its size, caption, background and eighteen controls.
#pragma once
#include "platform/form.h"

namespace app {

const platform::Form& MainForm();

} // namespace app
