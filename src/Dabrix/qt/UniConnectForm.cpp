#include "Dabrix/qt/UniConnectForm.h"

#include "Dabrix/qt/PasswordCharacterStyle.h"
#include "Dabrix/qt/SSLForm.h"
#include "Dabrix/qt/TabOrder.h"
#include "Dabrix/qt/TahomaFont.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <functional>

namespace velmora {
namespace {

constexpr int kLabelLeft = 9;
constexpr int kLabelWidth = 100;
constexpr int kLabelHeight = 13;
constexpr int kFieldLeft = 111;
constexpr int kFieldWidth = 153;
constexpr int kDropDownLines = 10;

// A combo box whose owner fills the list just before it drops down.
class TDropDownComboBox final : public QComboBox {
public:
    TDropDownComboBox(QWidget* parent, std::function<void()> beforeDropDown)
        : QComboBox(parent), beforeDropDown_(std::move(beforeDropDown)) {
        setEditable(true);
        // The list is the history, not what the user typed.
        setInsertPolicy(QComboBox::NoInsert);
        setMaxVisibleItems(kDropDownLines);
    }

    void showPopup() override {
        beforeDropDown_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> beforeDropDown_;
};

template <class TField>
TField* PlaceField(TField* field, const char* name, int top, int height) {
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(kFieldLeft, top, kFieldWidth, height);
    return field;
}

// The label of a field, at the field's height with its text centred vertically.
QLabel* PlaceLabel(QWidget* panel, const char* name, const QWidget& field) {
    auto* label = new QLabel(panel);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(kLabelLeft, field.y() + (field.height() - kLabelHeight) / 2, kLabelWidth,
                       kLabelHeight);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QPushButton* PlaceButton(QWidget* form, const char* name, int left) {
    auto* button = new QPushButton(form);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, 242, 89, 25);
    return button;
}

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TUniConnectForm::TUniConnectForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("UniConnectForm"));
    setFont(TahomaFont());
    setFixedSize(291, 276);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 273, 222);

    // The controller is read into a local before the call: GCC 12's vptr check takes an implicit
    // member on the left of ->* inside a lambda for an object of this class and reads out of bounds.
    const auto whileShown = [this](void (TConnectFormController::*action)()) {
        return [this, action] {
            if (TConnectFormController* controller = controller_)
                (controller->*action)();
        };
    };
    edProvider_ = PlaceField(new QComboBox(panel), "edProvider", 16, 19);
    edUserName_ = PlaceField(new QLineEdit(panel), "edUserName", 50, 21);
    edPassword_ = PlaceField(new QLineEdit(panel), "edPassword", 84, 21);
    ShowPasswordAs(*edPassword_, u'*');
    edServer_ = PlaceField(new TDropDownComboBox(panel, whileShown(&TConnectFormController::ServerDropDown)),
                           "edServer", 118, 21);
    edPort_ = PlaceField(new QLineEdit(panel), "edPort", 152, 21);
    edDatabase_ =
        PlaceField(new TDropDownComboBox(panel, whileShown(&TConnectFormController::DatabaseDropDown)),
                   "edDatabase", 186, 21);

    lbProvider_ = PlaceLabel(panel, "lbProvider", *edProvider_);
    lbUsername_ = PlaceLabel(panel, "lbUsername", *edUserName_);
    lbPassword_ = PlaceLabel(panel, "lbPassword", *edPassword_);
    lbServer_ = PlaceLabel(panel, "lbServer", *edServer_);
    lbPort_ = PlaceLabel(panel, "lbPort", *edPort_);
    lbDatabase_ = PlaceLabel(panel, "lbDatabase", *edDatabase_);

    btConnect_ = PlaceButton(this, "btConnect", 52);
    btConnect_->setDefault(true);
    btCancel_ = PlaceButton(this, "btCancel", 148);

    SetTabOrder(
        {edProvider_, edUserName_, edPassword_, edServer_, edDatabase_, edPort_, btConnect_, btCancel_});

    connect(edProvider_, &QComboBox::activated, this, whileShown(&TConnectFormController::ProviderChosen));
    connect(btConnect_, &QPushButton::clicked, this, &TUniConnectForm::ConnectClicked);
    connect(btCancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The SSL button fills the room between the cancel button and the panel's right edge, on the
    // buttons' row, so that every other control keeps its place.
    btSSL_ = new QPushButton(QStringLiteral("SSL…"), this);
    btSSL_->setObjectName(QStringLiteral("btSSL"));
    btSSL_->setGeometry(245, 242, 36, 25);
    QWidget::setTabOrder(btCancel_, btSSL_);
    connect(btSSL_, &QPushButton::clicked, this, &TUniConnectForm::SSLClicked);
}

void TUniConnectForm::SSLClicked() {
    if (controller_ != nullptr)
        controller_->SSLClicked();
}

void TUniConnectForm::ConnectClicked() {
    if (controller_ == nullptr)
        return;
    switch (controller_->ConnectClicked()) {
    case TConnectFormController::TConnectResult::Connected:
        accept();
        break;
    case TConnectFormController::TConnectResult::GivenUp:
        reject();
        break;
    case TConnectFormController::TConnectResult::TryAgain:
        break;
    }
}

QWidget* TUniConnectForm::FieldOf(TConnectField field) const {
    switch (field) {
    case TConnectField::Provider:
        return edProvider_;
    case TConnectField::Username:
        return edUserName_;
    case TConnectField::Password:
        return edPassword_;
    case TConnectField::Server:
        return edServer_;
    case TConnectField::Port:
        return edPort_;
    case TConnectField::Database:
        return edDatabase_;
    }
    return nullptr;
}

QLabel* TUniConnectForm::LabelOf(TConnectField field) const {
    switch (field) {
    case TConnectField::Provider:
        return lbProvider_;
    case TConnectField::Username:
        return lbUsername_;
    case TConnectField::Password:
        return lbPassword_;
    case TConnectField::Server:
        return lbServer_;
    case TConnectField::Port:
        return lbPort_;
    case TConnectField::Database:
        return lbDatabase_;
    }
    return nullptr;
}

void TUniConnectForm::SetCaption(const std::string& caption) {
    setWindowTitle(ToQt(caption));
}

void TUniConnectForm::SetLabel(TConnectField field, const std::string& text) {
    LabelOf(field)->setText(ToQt(text));
}

void TUniConnectForm::SetButtonCaptions(const std::string& connect, const std::string& cancel) {
    btConnect_->setText(ToQt(connect));
    btCancel_->setText(ToQt(cancel));
}

std::string TUniConnectForm::Text(TConnectField field) const {
    QWidget* widget = FieldOf(field);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text().toStdString();
    return static_cast<QComboBox*>(widget)->currentText().toStdString();
}

void TUniConnectForm::SetText(TConnectField field, const std::string& text) {
    QWidget* widget = FieldOf(field);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(ToQt(text));
    else if (widget == edProvider_)
        edProvider_->setCurrentIndex(edProvider_->findText(ToQt(text)));
    else
        static_cast<QComboBox*>(widget)->setEditText(ToQt(text));
}

void TUniConnectForm::SetItems(TConnectField field, const std::vector<std::string>& items) {
    auto* combo = static_cast<QComboBox*>(FieldOf(field));
    QStringList entries;
    for (const std::string& item : items)
        entries << ToQt(item);
    const QString typed = combo->currentText();
    combo->clear();
    combo->addItems(entries);
    if (combo->isEditable())
        combo->setEditText(typed);
}

void TUniConnectForm::SetFocus(TConnectField field) {
    FieldOf(field)->setFocus(Qt::OtherFocusReason);
}

void TUniConnectForm::SetBusy(bool busy) {
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

bool TUniConnectForm::ShowModal(TConnectFormController& controller) {
    controller_ = &controller;
    const int result = exec();
    controller_ = nullptr;
    return result == QDialog::Accepted;
}

bool TUniConnectForm::EditSSL(const TSSLTexts& texts, const std::vector<std::string>& modes,
                              TSSLChoice& choice) {
    TSSLForm form(texts, modes, this);
    return form.Edit(choice);
}

void RegisterUniConnectForm() {
    RegisterConnectFormClass("TUniConnectForm", [] { return std::make_unique<TUniConnectForm>(); });
}

} // namespace velmora
