#include "Dabrix/qt/QtMessageBoxService.h"

#include <QMessageBox>
#include <QPushButton>
#include <utility>

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
    case TMessageBoxKind::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TQtMessageBoxService::TQtMessageBoxService(std::string errorFootnote)
    : errorFootnote_(std::move(errorFootnote)) {}

void TQtMessageBoxService::Show(TMessageBoxKind kind, const std::string& caption, const std::string& text) {
    // Without a parent the box is application-modal and Qt centres it on the screen.
    QMessageBox box(IconOf(kind), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok);
    if (kind == TMessageBoxKind::Error)
        box.setInformativeText(QString::fromStdString(errorFootnote_));
    box.exec();
}

bool TQtMessageBoxService::Ask(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text));
    QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace velmora
