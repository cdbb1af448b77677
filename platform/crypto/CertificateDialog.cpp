#include "crypto/CertificateDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace crypto {

CertificateDialog::CertificateDialog(const Certificate &certificate, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Certificate"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    const auto when = [](const QDateTime &utc) {
        return QLocale::c().toString(utc.toLocalTime(), QStringLiteral("M/d/yyyy h:mm:ss AP"));
    };
    const QList<QPair<QString, QString>> rows = {
        {QStringLiteral("Issued to:"), certificate.subjectName()},
        {QStringLiteral("Issued by:"), certificate.issuerName()},
        {QStringLiteral("Valid from:"), when(certificate.validFrom())},
        {QStringLiteral("Valid to:"), when(certificate.validTo())},
        {QStringLiteral("Serial number:"), certificate.serialNumber()},
        {QStringLiteral("Thumbprint:"), certificate.thumbprint()},
        {QStringLiteral("Private key:"), certificate.hasPrivateKey() ? QStringLiteral("Present") : QStringLiteral("None")},
    };
    for (const auto &[label, value] : rows) {
        auto *v = new QLabel(value, this);
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, v);
        m_values.append({label, v});
    }
    m_pem = new QPlainTextEdit(QString::fromLatin1(certificate.toPem()), this);
    m_pem->setReadOnly(true);
    layout->addWidget(m_pem);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString CertificateDialog::shownValue(const QString &label) const
{
    for (const auto &[l, v] : m_values)
        if (l == label)
            return v->text();
    return {};
}

} // namespace crypto
