#pragma once
// A read-only dialog showing one certificate: who it was issued to and by,
// its validity, serial number and thumbprint, and its PEM text.

#include "crypto/Certificate.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace crypto {

class CertificateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CertificateDialog(const Certificate &certificate, QWidget *parent = nullptr);

    // The value shown beside a label ("Issued to:", "Issued by:", "Valid from:",
    // "Valid to:", "Serial number:", "Thumbprint:", "Private key:"); for tests.
    QString shownValue(const QString &label) const;

private:
    QList<QPair<QString, QLabel *>> m_values;
    QPlainTextEdit *m_pem = nullptr;
};

} // namespace crypto
