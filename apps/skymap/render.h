#pragma once
// Paints a sky map to PNG, SVG or PDF, without a display.

#include "skymap/sky_map.h"

#include <QString>

namespace velsor {

// The format is chosen by the file's extension; returns an error text, empty on success.
QString RenderSkyMap(const SkyMap& map, const QString& path, const QString& title);

} // namespace velsor
