#pragma once

#include <QFont>

namespace velmora {

// Tahoma at 11 pixels, the font the forms' pixel positions are made for. Where the system does not
// know Tahoma, the copy of Debian's fonts-wine package is loaded for the application once.
QFont TahomaFont();

} // namespace velmora
