#pragma once
// The results grid: a table view over ResultsModel whose keys edit the
// current cell (typing appends, Backspace, Tab to the next cell, Delete
// removes the record) and whose right button pops up the status codes.

#include <QTableView>

class QMenu;

namespace integration {

class ResultsModel;

class ResultsGrid : public QTableView {
    Q_OBJECT
public:
    explicit ResultsGrid(QWidget *parent = nullptr);

    void setResultsModel(ResultsModel *model);
    ResultsModel *resultsModel() const { return m_model; }

    // The current cell (row 0 is the title row); -1, -1 when none.
    int currentRow() const;
    int currentColumn() const;
    void setCurrentCell(int row, int column);

    // The pop-up menu "mnuPopup" with its eight status-code items.
    QMenu *mnuPopup = nullptr;

    // Widths from the titles and the first records' texts (long texts do not widen).
    void fitColumns();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    ResultsModel *m_model = nullptr;
};

} // namespace integration
