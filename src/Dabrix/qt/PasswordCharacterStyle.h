#pragma once

#include <QChar>
#include <QProxyStyle>

class QLineEdit;

namespace velmora {

// The current style, except that password fields show the given character for each character
// typed. Qt takes the password character from the style, so a field gets it through setStyle.
class TPasswordCharacterStyle final : public QProxyStyle {
public:
    explicit TPasswordCharacterStyle(QChar character) : character_(character) {}

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return character_.unicode();
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QChar character_;
};

// Makes the field mask its text with the character; the style lives as long as the field.
void ShowPasswordAs(QLineEdit& field, QChar character);

} // namespace velmora
