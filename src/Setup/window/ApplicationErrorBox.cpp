#include "Setup/window/ApplicationErrorBox.h"

#include "velmora/Version.h"

#include <QFileInfo>
#include <QString>
#include <utility>

namespace velmora {

std::string ApplicationTitle(std::string_view executablePath) {
    const QString fileName =
        QFileInfo(QString::fromUtf8(executablePath.data(), qsizetype(executablePath.size())))
            .fileName()
            .section(u'.', 0, 0);
    return (fileName.left(1) + fileName.mid(1).toLower()).toStdString();
}

std::string ErrorBoxFootnote() {
    return std::string("Version ") + kVelmoraVersion;
}

TApplicationErrorBox::TApplicationErrorBox(TMessageBoxService& messageBoxes, std::string applicationTitle)
    : replaced_(SetApplicationExceptionHandler(
          [&messageBoxes, title = std::move(applicationTitle)](const std::exception& e) {
              messageBoxes.Show(TMessageBoxKind::Error, title, ErrorBoxMessage(e));
          })) {}

TApplicationErrorBox::~TApplicationErrorBox() {
    SetApplicationExceptionHandler(std::move(replaced_));
}

} // namespace velmora
