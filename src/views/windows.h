#pragma once
// Showing the program's secondary windows, and wiring them to the main window's hooks.

#include "main_window/nav_form.h"
#include "platform/platform.h"
#include "settings/prop_form.h"

class QWidget;

namespace velsor::views {

class NavFormView;

// The version dialog, modal over parent.
void ShowAbout(platform::Dialogs& dialogs, platform::Program& program, QWidget* parent);
// The closing window over the main window. It ends the program.
void ShowEnd(platform::Dialogs& dialogs, platform::Program& program, NavFormView& main);
// The properties dialog, modal. OK writes the settings file at settingsPath unless the model
// already knows how to write it.
void ShowProperties(Prop_Form& prop, const QString& settingsPath, QWidget* parent);

// The forwarding-port dialog over the main window, modal.
void ShowForwarding(NAV_FORM& form, QWidget* parent);

// Sets showAbout, showEnd, showProperties, showForwarding and showReplay of a main-window model
// that has a platform.
void ConnectWindows(NAV_FORM& form, NavFormView& view);

} // namespace velsor::views
