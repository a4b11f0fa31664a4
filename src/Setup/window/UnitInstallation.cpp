#include "Setup/window/UnitInstallation.h"

#include "Common/ExceptionHandler.h"
#include "Dabrix/qt/PasswordCharacterStyle.h"
#include "Dabrix/qt/TabOrder.h"
#include "Dabrix/qt/TahomaFont.h"
#include "Setup/window/XelqProgress.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QValidator>

namespace velmora {
namespace {

constexpr int kClientWidth = 654;
constexpr int kClientHeight = 379;
constexpr int kProgressHeight = 20;

// Every letter a to z typed or pasted becomes upper case, by the same rule as on the command line;
// any other character stays for the check to refuse.
class TUpperCaseValidator final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        input = QString::fromStdString(UpperTenantCode(input.toStdString()));
        return Acceptable;
    }
};

void PlaceLabel(QWidget* form, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, form);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
}

QLineEdit* PlaceEdit(QWidget* form, const char* name, QRect geometry) {
    auto* edit = new QLineEdit(form);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    return edit;
}

// A master-data row in the free right half of the window, so that the tenant fields, the button and
// the bar keep their places.
QLineEdit* PlaceMasterDataRow(QWidget* form, const char* labelName, const QString& labelText,
                              const char* editName, int top) {
    PlaceLabel(form, labelName, labelText, {400, top + 3, 75, 13});
    return PlaceEdit(form, editName, {480, top, 150, 21});
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

TFormSetup::TFormSetup(TMessageBoxService& messageBoxes, TSettingsStore& settings,
                       const std::string& applicationTitle, QWidget* parent)
    : QWidget(parent), messageBoxes_(messageBoxes), installation_(*this, UniConnectDialog1) {
    setObjectName(QStringLiteral("FormSetup"));
    setWindowTitle(QStringLiteral("Setup Velmora2017"));
    setFont(TahomaFont());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    CreateControls();
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, {kClientWidth, kClientHeight},
                                    screen()->availableGeometry()));

    UniConnectDialog1.SetLabelSet(TLabelSet::lsGerman);
    UniConnectDialog1.SetApplicationTitle(applicationTitle);
    UniConnectDialog1.SetSettingsStore(&settings);
    UniConnectDialog1.SetMessageBoxes(&messageBoxes);
    // The server's session list names the program; the tenant connection takes the name over.
    installation_.UniConnection1.SetSpecificOption("ApplicationName", "velmora-setup");
}

TFormSetup::~TFormSetup() {
    // The fields outlive this part of the window; their last focus change must not reach it.
    EditPasswort2->removeEventFilter(this);
}

void TFormSetup::CreateControls() {
    PlaceLabel(this, "Label1", QStringLiteral("Mandant: "), {94, 55, 49, 13});
    PlaceLabel(this, "Label2", QStringLiteral("Passwort:"), {95, 79, 48, 13});
    PlaceLabel(this, "Label3", QStringLiteral("Wiederholung Passwort"), {95, 103, 113, 13});

    EditMandant = PlaceEdit(this, "EditMandant", {234, 52, 121, 21});
    EditMandant->setValidator(new TUpperCaseValidator(EditMandant));
    EditPasswort1 = PlaceEdit(this, "EditPasswort1", {234, 73, 121, 21});
    ShowPasswordAs(*EditPasswort1, u'#');
    EditPasswort2 = PlaceEdit(this, "EditPasswort2", {234, 100, 121, 21});
    ShowPasswordAs(*EditPasswort2, u'#');
    EditPasswort2->installEventFilter(this);

    EditLizenznehmer = PlaceMasterDataRow(this, "LabelLizenznehmer", QStringLiteral("Lizenznehmer:"),
                                          "EditLizenznehmer", 52);
    EditPLZ = PlaceMasterDataRow(this, "LabelPLZ", QStringLiteral("PLZ:"), "EditPLZ", 76);
    EditOrt = PlaceMasterDataRow(this, "LabelOrt", QStringLiteral("Ort:"), "EditOrt", 100);
    EditStrasse = PlaceMasterDataRow(this, "LabelStrasse", QStringLiteral("Straße:"), "EditStrasse", 124);
    CheckIsolatedTenant = new QCheckBox(QStringLiteral("Mandant ohne Superuser-Rechte"), this);
    CheckIsolatedTenant->setObjectName(QStringLiteral("CheckIsolatedTenant"));
    CheckIsolatedTenant->setGeometry(400, 152, 230, 17);
    LabelIsolatedTenant = new QLabel(this);
    LabelIsolatedTenant->setObjectName(QStringLiteral("LabelIsolatedTenant"));
    LabelIsolatedTenant->setGeometry(400, 172, 230, 45);
    LabelIsolatedTenant->setWordWrap(true);
    LabelIsolatedTenant->hide();

    Button1 = new QPushButton(QStringLiteral("Installation"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(95, 140, 75, 25);
    Button1->setEnabled(false);
    connect(Button1, &QPushButton::clicked, this, [this] { RunEventHandler(&TFormSetup::Button1Click); });

    XelqProgress1 = new TXelqProgress(this);
    XelqProgress1->setGeometry(0, kClientHeight - kProgressHeight, kClientWidth, kProgressHeight);

    // The master data are typed after the passwords and before the button is pressed.
    SetTabOrder({EditMandant, EditPasswort1, EditPasswort2, EditLizenznehmer, EditPLZ, EditOrt, EditStrasse,
                 CheckIsolatedTenant, Button1});
    EditMandant->setFocus();
}

std::string TFormSetup::TenantCode() const {
    return Text(EditMandant);
}

std::string TFormSetup::TenantPassword() const {
    return Text(EditPasswort1);
}

TTenantMasterData TFormSetup::MasterData() const {
    return {Text(EditLizenznehmer), Text(EditPLZ), Text(EditOrt), Text(EditStrasse)};
}

void TFormSetup::SetProgress(int value) {
    XelqProgress1->SetPosition(value);
}

void TFormSetup::ShowWarning(const std::string& text) {
    messageBoxes_.Show(TMessageBoxKind::Warning, "Warnung", text);
}

void TFormSetup::ShowInformation(const std::string& text) {
    messageBoxes_.Show(TMessageBoxKind::Information, "Informationen", text);
}

bool TFormSetup::Confirm(const std::string& question) {
    return messageBoxes_.Ask("Bestätigung", question);
}

bool TFormSetup::IsolatedTenantRequested() const {
    return CheckIsolatedTenant->isChecked();
}

void TFormSetup::SetIsolatedTenantForced(const std::optional<std::string>& reason) {
    const bool locked = !CheckIsolatedTenant->isEnabled();
    if (reason) {
        if (!locked)
            isolatedTenantChosen_ = CheckIsolatedTenant->isChecked();
        CheckIsolatedTenant->setChecked(true);
        LabelIsolatedTenant->setText(QString::fromStdString(*reason + "."));
    } else if (locked) {
        CheckIsolatedTenant->setChecked(isolatedTenantChosen_);
    }
    CheckIsolatedTenant->setEnabled(!reason);
    LabelIsolatedTenant->setVisible(reason.has_value());
}

void TFormSetup::EditPasswort2Exit() {
    if (auto refusal = PasswordRepeatRefusal(Text(EditPasswort1), Text(EditPasswort2)))
        ShowWarning(*refusal);
    // Compared again: the fields are what they are when the user has read the warning.
    Button1->setEnabled(EditPasswort1->text() == EditPasswort2->text());
}

void TFormSetup::Button1Click() {
    installation_.Button1Click();
}

bool TFormSetup::eventFilter(QObject* watched, QEvent* event) {
    if (FocusLeftForAnotherControl(watched, *event))
        RunEventHandler(&TFormSetup::EditPasswort2Exit);
    return QWidget::eventFilter(watched, event);
}

// Qt also takes the focus from a field when the window loses activation or a popup menu opens;
// neither leaves the field. When the field loses the focus, the application's focus widget already
// is the one that gets it.
bool TFormSetup::FocusLeftForAnotherControl(QObject* watched, const QEvent& event) const {
    if (watched != EditPasswort2 || event.type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent&>(event).reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return false;
    const QWidget* next = QApplication::focusWidget();
    return next != nullptr && next != EditPasswort2 && isAncestorOf(next);
}

void TFormSetup::resizeEvent(QResizeEvent* event) {
    // The bar keeps to the bottom edge over the full width.
    XelqProgress1->setGeometry(0, height() - kProgressHeight, width(), kProgressHeight);
    QWidget::resizeEvent(event);
}

void TFormSetup::RunEventHandler(void (TFormSetup::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        HandleApplicationException(e);
    }
}

} // namespace velmora
