#pragma once

#include "Dabrix/UniConnectDialog.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace velmora {

// The small dialog behind the login form's SSL button: the SSL mode from a list, and the file of the
// CA certificates, typed or chosen in a file dialog. Enter confirms, Escape cancels.
class TSSLForm final : public QDialog {
public:
    TSSLForm(const TSSLTexts& texts, const std::vector<std::string>& modes, QWidget* parent = nullptr);

    // Shows the dialog modally with the choice; true, with the choice changed, when it closed
    // confirmed. A mode the list does not hold shows no mode, and comes back empty unless one is chosen.
    bool Edit(TSSLChoice& choice);

private:
    void Browse();

    QString browseCaption_;
    QComboBox* cbSSLMode_;
    QLineEdit* edSSLCACert_;
    QPushButton* btBrowse_;
};

} // namespace velmora
