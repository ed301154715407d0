#pragma once
// Property structs of the window controls. A window model holds these; a Qt view renders them.
// Geometry is in twips (15 twips = 1 pixel at 96 dpi).

#include <QString>

#include <cstdint>
#include <vector>

namespace velsor {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb RGB(int r, int g, int b) {
    return Rgb{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
               static_cast<std::uint8_t>(b)};
}

inline constexpr Rgb kBlack = RGB(0, 0, 0);
inline constexpr Rgb kWhite = RGB(255, 255, 255);
inline constexpr Rgb kGrey = RGB(192, 192, 192);

// "#rrggbb".
QString ColorText(Rgb c);

struct Label {
    QString caption;
    bool visible = true;
    bool bold = false;
    int left = 0, top = 0, width = 0, height = 0;
    Rgb backColor = kGrey;
    Rgb foreColor = kBlack;
    bool transparent = false; // back colour not painted
    QString toolTip;
    bool enabled = true;
};

// A label at its place, with its caption.
inline Label MakeLabel(const QString& caption, int left, int top, int width, int height) {
    Label l;
    l.caption = caption;
    l.left = left;
    l.top = top;
    l.width = width;
    l.height = height;
    return l;
}

struct Image {
    bool visible = true;
    int left = 0, top = 0, width = 0, height = 0;
    QString toolTip;
};

// A filled rectangle shape. Its width may be fractional: bars are scaled from decibels.
struct Shape {
    bool visible = true;
    int left = 0, top = 0;
    double width = 0;
    int height = 0;
    Rgb fillColor = kWhite;
    Rgb backColor = kWhite;
    Rgb borderColor = kBlack;
};

struct LineControl {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Rgb color = kBlack;
};

struct Frame {
    QString caption;
    int left = 0, top = 0, width = 0, height = 0;
};

struct MenuItem {
    QString caption;  // "-" is a separator
    QString shortcut; // "Ctrl+S" or empty
    bool visible = true;
    bool enabled = true;
    bool checked = false;
};

struct CheckBox {
    QString caption;
    int value = 0; // 0 unchecked, 1 checked
    int left = 0, top = 0, width = 0, height = 0;
};

struct OptionButton {
    QString caption;
    bool value = false;
    int left = 0, top = 0, width = 0, height = 0;
};

struct TextBox {
    QString text;
    int left = 0, top = 0, width = 0, height = 0;
};

// A drop-down list: the entries as shown, the one selected (-1: none) and the text shown
// while none is.
struct ComboBox {
    std::vector<QString> list;
    int listIndex = -1;
    QString placeholder;
    bool enabled = true;
    int left = 0, top = 0, width = 0, height = 0;
    QString toolTip;
};

struct ScrollBar {
    int min = 0, max = 32767, value = 0;
    int smallChange = 1, largeChange = 1;
    bool enabled = true;
    int left = 0, top = 0, width = 0, height = 0;
};

} // namespace velsor
