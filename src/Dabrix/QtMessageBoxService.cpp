#include "Dabrix/QtMessageBoxService.h"

#include <QMessageBox>

namespace velmora {
namespace {

QMessageBox::Icon IconOf(TMessageBoxKind kind) {
    switch (kind) {
    case TMessageBoxKind::Warning:
        return QMessageBox::Warning;
    case TMessageBoxKind::Information:
        return QMessageBox::Information;
    case TMessageBoxKind::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void TQtMessageBoxService::Show(TMessageBoxKind kind, const std::string& caption, const std::string& text) {
    // Without a parent the box is application-modal and Qt centres it on the screen.
    QMessageBox box(IconOf(kind), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.exec();
}

} // namespace velmora
