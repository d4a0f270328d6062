// The main window's created handler and its commands.
#pragma once
#include <functional>
#include <vector>

#include "platform/form.h"
#include "platform/ui.h"

namespace app {

// Event bindings of the main window: buttons, dial drag, result-panel link, close.
std::vector<platform::Handler> MainHandlers();

void OnMainWindowCreated();
// d = 0 abroad, 1 domestic.
void DirectTestCommand(int d);
void ProxyTestCommand(int d);
void SettingsCommand();
void ExitCommand();
void OpenHomePage();

void HideResultPanel();
void ShowResultPanel();

// Nudges the main window right, opens the child owned by it, waits (50 ms polls) while
// waitWhile() holds, slides the child off and destroys it, then flies the main window out
// and back to where it was.
void AskChildWindow(const platform::Form& child, std::vector<platform::Handler> handlers,
                    int distance, const std::function<bool()>& waitWhile);

} // namespace app
