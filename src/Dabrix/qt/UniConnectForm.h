#pragma once

#include "Dabrix/UniConnectDialog.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace velmora {

// The login form: six labelled fields on a lowered panel and the confirm and cancel buttons. Enter
// confirms, Escape cancels. The database field comes before the port field in tab order. A small SSL
// button right of the cancel button opens the SSL dialog; it comes last in tab order.
class TUniConnectForm final : public QDialog, public TConnectFormView {
public:
    explicit TUniConnectForm(QWidget* parent = nullptr);

    void SetCaption(const std::string& caption) override;
    void SetLabel(TConnectField field, const std::string& text) override;
    void SetButtonCaptions(const std::string& connect, const std::string& cancel) override;
    std::string Text(TConnectField field) const override;
    void SetText(TConnectField field, const std::string& text) override;
    void SetItems(TConnectField field, const std::vector<std::string>& items) override;
    void SetFocus(TConnectField field) override;
    void SetBusy(bool busy) override;
    bool ShowModal(TConnectFormController& controller) override;
    bool EditSSL(const TSSLTexts& texts, const std::vector<std::string>& modes, TSSLChoice& choice) override;

private:
    QWidget* FieldOf(TConnectField field) const;
    QLabel* LabelOf(TConnectField field) const;
    void ConnectClicked();
    void SSLClicked();

    QComboBox* edProvider_;
    QLineEdit* edUserName_;
    QLineEdit* edPassword_;
    QComboBox* edServer_;
    QLineEdit* edPort_;
    QComboBox* edDatabase_;
    QLabel* lbProvider_;
    QLabel* lbUsername_;
    QLabel* lbPassword_;
    QLabel* lbServer_;
    QLabel* lbPort_;
    QLabel* lbDatabase_;
    QPushButton* btConnect_;
    QPushButton* btCancel_;
    QPushButton* btSSL_;
    TConnectFormController* controller_ = nullptr; // while shown
};

// Makes TUniConnectForm the login form of dialogs whose DialogClass is empty.
void RegisterUniConnectForm();

} // namespace velmora
