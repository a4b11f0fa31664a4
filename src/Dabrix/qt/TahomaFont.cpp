#include "Dabrix/qt/TahomaFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace velmora {
namespace {

const QString kFamily = QStringLiteral("Tahoma");

void LoadTahomaOnce() {
    static const bool loaded = [] {
        if (!QFontDatabase::families().contains(kFamily))
            QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
        return true;
    }();
    (void)loaded;
}

} // namespace

QFont TahomaFont() {
    LoadTahomaOnce();
    QFont font(kFamily);
    font.setPixelSize(11);
    return font;
}

} // namespace velmora
