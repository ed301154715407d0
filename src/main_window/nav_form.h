#pragma once
// NAV_FORM: the main window's model. Controls are public property structs at their design
// values; the Qt view renders them.

#include "nav/controls.h"
#include "nav/display_list.h"
#include "nav/nav.h"

#include <array>

namespace velsor {

class NAV_FORM {
public:
    explicit NAV_FORM(Nav& nav);

    // Window.
    QString caption = QStringLiteral("Velsor GPS Analyzer");
    int clientWidth = 7215, clientHeight = 6615;
    Rgb backColor = kGrey;

    Label Label11;                 // operation state
    std::array<Image, 2> Image1;   // reception lamp: (0) bright, (1) dark
    Label Label14;                 // selected tuner, clock-correction indicator
    std::array<Label, 7> Label1;   // captions of the status fields
    Label Label2;                  // satellites used / in view
    std::array<Image, 4> Image2;   // fix lamps: (0),(1) 2D, (2),(3) 3D
    Label Label13;                 // fix state
    std::array<Label, 3> Label4;   // (0) UTC time, (1) JST date-time, (2) UTC date
    std::array<Label, 2> Label3;   // (0) latitude, (1) longitude
    PictureBox Picture1;           // sky plot
    std::array<Label, 8> Label15;  // satellite marks, inside Picture1
    Frame Frame1;                  // SNR legend
    std::array<Label, 4> Label12;  // legend entries
    Label Label18;                 // caption over the record buttons
    std::array<Image, 4> Image3;   // record buttons
    Label Label7;                  // bar scale
    std::array<LineControl, 7> Line1; // scale ticks
    Label Label5;                  // satellite-number header
    std::array<Label, 2> Label8;   // elevation / azimuth headers
    std::array<Label, 8> Label6;   // satellite numbers
    std::array<Shape, 8> dB1;      // signal bars
    std::array<Label, 8> Label9;   // elevations
    std::array<Label, 8> Label10;  // azimuths
    std::array<Label, 5> Label16;  // last raw sentences

    // Clears the sky plot and draws its fixed grid; sets SkyCenterX, SkyCenterY, SkyRadius.
    void DrawSkyGrid();

    // The display part of loading: lamps hidden, bars at zero width, no bold marks, grid drawn.
    void PrepareDisplay();

    Nav& nav;
};

} // namespace velsor
