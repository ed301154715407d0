#pragma once
// Helpers shared by the views: twips to pixels, colours, fonts, captions and the program's
// images.

#include "nav/controls.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>

#include <cmath>
#include <functional>

class QAction;
class QComboBox;
class QDialog;
class QMenu;
class QWidget;

namespace velsor::views {

inline constexpr int kTwipsPerPixel = 15;

inline int Px(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}
inline int Twips(int pixels) {
    return pixels * kTwipsPerPixel;
}
inline QRect PxRect(double left, double top, double width, double height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}
template <typename Control> QRect PxRect(const Control& c) {
    return PxRect(c.left, c.top, c.width, c.height);
}

inline QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// Controls that are windows of their own (picture boxes, frames, buttons, check boxes) stand
// above the labels, images and shapes that share their container, whatever order they were
// made in: a label that overlaps a picture box is drawn below it.
void RaiseWindowedControls(QWidget& container);

// A drop-down list as the model has it: entries, selection, placeholder, place. Its list opens
// as wide as its longest entry, even beyond the box.
void RenderCombo(QComboBox& combo, const ComboBox& model);
// The entries of a drop-down list, changed only when they differ.
void SetComboItems(QComboBox& combo, const std::vector<QString>& items);

// Places a window in the centre of its screen.
void CenterOnScreen(QWidget& window);

// A modal dialog with a fixed grey client area of the given size in twips, the program's font
// and a close box only.
void SetUpFixedDialog(QDialog& dialog, const QString& name, int clientWidth, int clientHeight);

// A main window of the program: a fixed frame with a minimise button and no maximise button,
// the program's icon and font.
void SetUpFixedWindow(QWidget& window, const QString& name);

// A menu entry for a model's item: its caption, object name and shortcut (in its own window),
// running `run` when chosen.
QAction* AddMenuAction(QMenu* menu, const MenuItem& item, const QString& name,
                       std::function<void()> run);

// The family that renders Japanese first; the default family after it catches anything else.
QStringList UiFamilies();
// The windows' font: 12 pixels, about the size the layout was designed for.
QFont UiFont();
// A designed font by name and point size. Names without an installed face (the Japanese
// Windows faces, Courier New) fall back to similar ones.
QFont DesignFont(const QString& name, double pointSize);

// The font in bold or not; bold is drawn from the regular face where the family has one.
QFont BoldFont(QFont font, bool bold);
// The font, set up to two pixels smaller when that makes the text fit the room: the layouts
// were made for narrower faces than the ones that render Japanese here. *fits tells whether
// the text fits in the font returned.
QFont FittingFont(QFont font, const QString& text, int room, bool bold = false,
                  bool* fits = nullptr);

// A label caption as shown: "&&" is one "&", a single "&" marks a mnemonic and is not shown.
QString MnemonicFree(const QString& caption);
// One line of a caption: trailing line ends dropped, inner ones shown as blanks.
QString SingleLine(const QString& caption);

// Images of the resource file, drawn at the given size in device-independent pixels.
QPixmap ResourcePixmap(const QString& path, QSize size);
QIcon ProgramIcon();

} // namespace velsor::views
