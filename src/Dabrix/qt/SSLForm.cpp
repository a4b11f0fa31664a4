#include "Dabrix/qt/SSLForm.h"

#include "Dabrix/qt/TahomaFont.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {
namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TSSLForm::TSSLForm(const TSSLTexts& texts, const std::vector<std::string>& modes, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      browseCaption_(ToQt(texts.browse)) {
    setObjectName(QStringLiteral("SSLForm"));
    setWindowTitle(ToQt(texts.caption));
    setFont(TahomaFont());

    cbSSLMode_ = new QComboBox(this);
    cbSSLMode_->setObjectName(QStringLiteral("cbSSLMode"));
    for (const std::string& mode : modes)
        cbSSLMode_->addItem(ToQt(mode));

    edSSLCACert_ = new QLineEdit(this);
    edSSLCACert_->setObjectName(QStringLiteral("edSSLCACert"));
    edSSLCACert_->setMinimumWidth(220);
    btBrowse_ = new QPushButton(QStringLiteral("…"), this);
    btBrowse_->setObjectName(QStringLiteral("btBrowse"));
    btBrowse_->setAutoDefault(false);
    btBrowse_->setFixedWidth(24);
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(edSSLCACert_);
    caRow->addWidget(btBrowse_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOk"));
    buttons->button(QDialogButtonBox::Ok)->setText(ToQt(texts.ok));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    buttons->button(QDialogButtonBox::Cancel)->setText(ToQt(texts.cancel));

    auto* layout = new QFormLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addRow(ToQt(texts.mode), cbSSLMode_);
    layout->addRow(ToQt(texts.caFile), caRow);
    layout->addRow(buttons);

    connect(btBrowse_, &QPushButton::clicked, this, &TSSLForm::Browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool TSSLForm::Edit(TSSLChoice& choice) {
    cbSSLMode_->setCurrentIndex(cbSSLMode_->findText(ToQt(choice.mode)));
    edSSLCACert_->setText(ToQt(choice.caFile));
    cbSSLMode_->setFocus(Qt::OtherFocusReason);
    if (exec() != QDialog::Accepted)
        return false;
    choice.mode = cbSSLMode_->currentText().toStdString();
    choice.caFile = edSSLCACert_->text().toStdString();
    return true;
}

void TSSLForm::Browse() {
    // The file dialog opens where the current file lies, or in the working folder.
    const QString current = edSSLCACert_->text();
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString chosen =
        QFileDialog::getOpenFileName(this, browseCaption_, folder, QStringLiteral("*.crt *.pem *.cer;;*"));
    if (!chosen.isEmpty())
        edSSLCACert_->setText(chosen);
}

} // namespace velmora
