#pragma once
// The partner setup window "Trading Partner Setup": one partner at a time
// with its envelope values and delimiters, its inbound and outbound
// transaction sets, and the envelope preview. The window only wires
// controls to PartnerStore, SetStore and the preview.

#include "partners/PartnerStore.h"
#include "partners/SetStore.h"

#include <QDialog>
#include <functional>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace controls {
class ComboList;
class ListView;
class MaskedEdit;
class TabStrip;
class TextBox;
}

namespace partners {

class frmStandard;

class frmPartners : public QDialog {
    Q_OBJECT
public:
    frmPartners();
    ~frmPartners() override;

    // Controls, by their classic names.
    QLabel *lblPartners = nullptr;
    controls::TextBox *txtPartner = nullptr;
    QPushButton *cmdMoveFirst = nullptr, *cmdMovePrevious = nullptr, *cmdMoveNext = nullptr, *cmdMoveLast = nullptr;
    QPushButton *cmdClose = nullptr;
    QTimer *tmrDateTime = nullptr;
    QMenuBar *menuBar = nullptr;
    QMenu *mnuPartners = nullptr;
    QAction *mnuAddPartner = nullptr, *mnuRemovePartner = nullptr, *mnuEditPartner = nullptr, *mnuClose = nullptr;
    controls::TabStrip *sstPartner = nullptr;
    QGroupBox *fraOutboundISA = nullptr, *fraDelimitors = nullptr, *fraGS = nullptr, *fraPreview = nullptr;
    controls::TextBox *txtISA01 = nullptr, *txtISA02 = nullptr, *txtISA03 = nullptr, *txtISA04 = nullptr,
                      *txtISA05 = nullptr, *txtISA06 = nullptr, *txtISA07 = nullptr, *txtISA08 = nullptr,
                      *txtISA09 = nullptr, *txtISA10 = nullptr, *txtISA11 = nullptr, *txtISA12 = nullptr;
    controls::MaskedEdit *txtISA13 = nullptr;
    controls::ComboList *cboIntAck = nullptr, *cboTestIndicator = nullptr, *cboISAVersion = nullptr;
    controls::ComboList *cboPartnerSt = nullptr, *cboPartnerEd = nullptr, *cboPartnerSed = nullptr;
    controls::TextBox *txtGS01 = nullptr, *txtGS02 = nullptr, *txtGS03 = nullptr, *txtGS04 = nullptr,
                      *txtGS05 = nullptr, *txtGS07 = nullptr, *txtGS08 = nullptr;
    controls::MaskedEdit *txtGS06 = nullptr;
    QPlainTextEdit *txtPreview = nullptr;
    controls::TabStrip *sstTransaction = nullptr;

    // One page of sets; the inbound and outbound pages are twins.
    struct SetPage {
        QString direction; // "I" or "O"
        controls::ListView *list = nullptr;
        controls::TextBox *txtOverride = nullptr;
        QLabel *lblOverride = nullptr;
        controls::MaskedEdit *txtControlNumber = nullptr;
        QLabel *lblControlNumber = nullptr;
        QCheckBox *chkAck = nullptr;
        QLabel *lblDesc = nullptr;
        QPushButton *cmdSave = nullptr, *cmdDelete = nullptr, *cmdAdd = nullptr;
    };
    SetPage inbound, outbound;
    controls::ListView *lvwInbound = nullptr, *lvwOutbound = nullptr;

    // The handlers and procedures of the window.
    void Form_Load();
    void cmdClose_Click();
    void cmdMoveFirst_Click();
    void cmdMovePrevious_Click();
    void cmdMoveNext_Click();
    void cmdMoveLast_Click();
    void NavigateByKey(int keyAscii);
    void ShowPartner();
    void EnablePartnerFields(bool enabled);
    void ClearPartnerFields();
    void cboISAVersion_Click();
    void mnuAddPartner_Click();
    void mnuEditPartner_Click();
    void mnuRemovePartner_Click();
    void tmrDateTime_Timer();
    void ShowEnvelopePreview();
    void LoadTransactions(SetPage &page);
    void ShowTransaction(SetPage &page);
    void SaveTransaction(SetPage &page);
    void EnableControls(SetPage &page, bool keep);
    void cmdSave_Click(SetPage &page);
    void cmdDelete_Click(SetPage &page);
    void sstTransaction_Click(int previousTab);
    void AddTransaction();
    void SelectActiveX();
    void ColumnClick(SetPage &page, int column);

    // The page of the selected tab of sstTransaction.
    SetPage &currentPage();
    bool isEditMode() const;

    // How the picker is shown and waited for (a test answers it directly).
    std::function<void(frmStandard &)> showPicker;

    PartnerStore &store() { return m_store; }

protected:
    void reject() override;  // Escape closes as Close does
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // True when the values were written; false after a refused name.
    bool SavePartner();
    // The counter to write for a box: nullopt when the user did not change it,
    // or set it back and did not confirm that.
    std::optional<CounterEdit> editedCounter(const controls::MaskedEdit *box, qint64 shown, qint64 stored,
                                             const QString &element, const QString &what);
    // The partner fields' values, to tell whether the user changed any.
    QStringList shownValues() const;
    // Closing in edit mode with changes asks "Save Changes?": false to stay.
    bool mayClose();
    // False (with a message) while another task's transaction is open on the
    // connection: an edit made now would belong to it and vanish with its rollback.
    bool databaseFree();
    SetKey keyOf(const SetPage &page) const;
    QString storedPartner() const;
    void refreshMailboxes();
    void Form_Unload();

    PartnerStore m_store;
    SetStore m_sets;
    bool m_unloaded = false;
    QStringList m_shown;         // the fields as ShowPartner filled them
    qint64 m_shownISA13 = 0;     // the counters ShowPartner showed
    qint64 m_shownGS06 = 0;
    bool m_valuesRefused = false; // the last Save refused delimiters or envelope values
};

} // namespace partners
