#include "Dabrix/qt/PasswordCharacterStyle.h"

#include <QLineEdit>

namespace velmora {

void ShowPasswordAs(QLineEdit& field, QChar character) {
    auto* style = new TPasswordCharacterStyle(character);
    style->setParent(&field);
    field.setStyle(style);
    field.setEchoMode(QLineEdit::Password);
}

} // namespace velmora
