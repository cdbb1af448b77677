#pragma once
// The results grid's content: row 0 the field names (the fixed title row),
// rows 1 to n the records of the last query, each value kept as it came
// (a Null stays Null until the cell is edited). It remembers the job whose
// query filled it, so Save writes that job's files whatever is selected.
// The editing rules are here (typing, Backspace, Tab, Delete, the status
// codes) so the grid widget only forwards keys.

#include "integration/ImportFiles.h"

#include <QAbstractTableModel>
#include <QString>

#include <utility>
#include <vector>

namespace integration {

class ResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultsModel(QObject *parent = nullptr);

    // Shows a query's result for the job `stem` names (P_T_V_D); a result
    // without records shows one blank record.
    void setResult(QueryResult result, const QString &jobKey, const QString &stem);
    // Clears every cell (a statement without a rowset); the job is forgotten.
    void clearCells();

    bool hasResult() const { return !m_stem.isEmpty(); }
    const QString &jobKey() const { return m_jobKey; }
    const QString &stem() const { return m_stem; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // A cell's text ("" for Null) and whether it holds Null.
    QString text(int row, int column) const;
    bool isNull(int row, int column) const;

    // Editing the current cell. Control characters other than Backspace
    // and Tab are ignored (a line break saved would break its record).
    void type(int row, int column, QChar c);
    void backspace(int row, int column);
    void setCode(int row, int column, const QString &code);
    // Tab: the next cell, row by row, from the last cell back to (0, 0).
    std::pair<int, int> nextCell(int row, int column) const;
    // Delete: removes a record row; the title row and the last record stay.
    bool removeRecord(int row);

    // The records as Save writes them: rows whose every cell is empty left out.
    QueryResult toResult() const;

    // The status codes of the pop-up menu: caption and code, in menu order.
    static const std::vector<std::pair<QString, QString>> &StatusCodes();

private:
    void setCell(int row, int column, const QString &text);

    std::vector<ImportColumn> m_columns;
    std::vector<QString> m_titles;
    std::vector<std::vector<vb::Variant>> m_rows;
    QString m_jobKey, m_stem;
};

} // namespace integration
