#pragma once
// The settings file GPSMN.INI beside the program: four lines, read by position.
//   [Velsor GPS Analyzer]
//   [CommPort]=1      port 1 to 6, column 12
//   [Tuner]=0         0 FURUNO GT-74/77, 1 I-O DATA CFGPS, 2 any NMEA 0183, column 9
//   [Time]=1          1 set the PC clock from GPS time, column 8
//   [Baud]=9600       line speed of tuner 2: 4800, 9600, 38400 or 115200
//   [PortName]=COM12  only for a port other than COM1 to COM6, which then has "0" in line 2
// The speed and the name come after the lines the two-model program reads, which ignores
// them, in any order; a file without the speed keeps 9600. That program reads "0" as no port
// at all: it selects none and cannot connect until one is chosen, and never opens another
// port in the named one's place. The name is UTF-8.

#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "settings/prop_form.h"

#include <QString>

namespace velsor {

QString SettingsPath(const QString& programDirectory);

// Puts the values into the settings variables, the dialog's controls and the main window's
// tuner label and init-command menu. A character out of range leaves its setting as it was.
void ApplySettings(const SettingsValues& values, Nav& nav, Prop_Form& prop, NAV_FORM& form);

// Reads the file into the settings variables, the dialog's controls and the main window's
// tuner label and init-command menu. A missing file is created with its defaults, which then
// apply as though read from it; any other failure changes nothing.
void ReadSettings(const QString& path, Nav& nav, Prop_Form& prop, NAV_FORM& form);

// Writes the current settings; the clock item comes from the dialog's check box. Returns
// false when the file could not be written.
bool WriteSettings(const QString& path, const Nav& nav, const Prop_Form& prop);

} // namespace velsor
