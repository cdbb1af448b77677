#pragma once
// The properties sheet of the selected mailbox row (read-only).

#include "settings/MainWindowAccess.h"
#include "settings/PropertiesSheet.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace settings {

class frmProperties : public QDialog {
    Q_OBJECT
public:
    explicit frmProperties(MainWindowAccess main = {});
    ~frmProperties() override;

    void Form_Load();

    QTabWidget *sstProperties = nullptr;
    QLabel *lblLocation = nullptr;
    QLineEdit *txtPartner = nullptr;
    QLabel *lblTransactionSet = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblStatus = nullptr;
    QLabel *picStatus = nullptr;
    QLabel *lblAck = nullptr;
    QLabel *picAcknowledged = nullptr;
    QLabel *lblDirection = nullptr;
    QLabel *lblSize = nullptr;
    std::array<QLabel *, 3> lblSegment{}; // Char, Dec, Hex
    std::array<QLabel *, 3> lblElement{};
    std::array<QLabel *, 3> lblSub{};
    std::array<QLabel *, 15> lblISA{};
    std::array<QLabel *, 8> lblGS{};
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;

    // The picture key each picture shows now ("" for the opening picture).
    QString statusPictureKey() const { return m_statusKey; }
    QString acknowledgedPictureKey() const { return m_ackKey; }

private:
    void ShowProperties(const QString &table);
    void fill(const PropertiesData &data);
    void setPicture(QLabel *picture, QString &shownKey, const QString &value, const QStringList &keys);

    MainWindowAccess m_main;
    QString m_statusKey;
    QString m_ackKey;
};

} // namespace settings
