#include "integration/ResultsModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

using namespace Qt::StringLiterals;

namespace integration {

ResultsModel::ResultsModel(QObject *parent) : QAbstractTableModel(parent) {}

void ResultsModel::setResult(QueryResult result, const QString &jobKey, const QString &stem)
{
    beginResetModel();
    m_columns = std::move(result.columns);
    m_titles.clear();
    m_titles.reserve(m_columns.size());
    for (const ImportColumn &c : m_columns)
        m_titles.push_back(c.name);
    m_rows = std::move(result.rows);
    if (m_rows.empty())
        m_rows.push_back(std::vector<vb::Variant>(m_columns.size(), vb::Variant(QString())));
    m_jobKey = jobKey;
    m_stem = stem;
    endResetModel();
}

void ResultsModel::clearCells()
{
    beginResetModel();
    for (QString &title : m_titles)
        title.clear();
    for (auto &row : m_rows)
        for (vb::Variant &cell : row)
            cell = vb::Variant(QString());
    m_jobKey.clear();
    m_stem.clear();
    endResetModel();
}

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || m_titles.empty() ? 0 : int(m_rows.size()) + 1;
}

int ResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_titles.size());
}

QString ResultsModel::text(int row, int column) const
{
    if (row == 0)
        return m_titles[std::size_t(column)];
    const vb::Variant &value = m_rows[std::size_t(row - 1)][std::size_t(column)];
    return value.isNull() || value.isEmpty() ? QString() : value.toString();
}

bool ResultsModel::isNull(int row, int column) const
{
    return row > 0 && m_rows[std::size_t(row - 1)][std::size_t(column)].isNull();
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row(), column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return text(row, column);
    case Qt::BackgroundRole:
        if (row == 0)
            return QBrush(QColor(0xE0, 0xE0, 0xE0));
        if (isNull(row, column))
            return QBrush(QColor(0xF0, 0xF0, 0xF0));
        return {};
    case Qt::FontRole:
        if (row == 0) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ToolTipRole:
        return isNull(row, column) ? QVariant(u"Null"_s) : QVariant();
    default:
        return {};
    }
}

void ResultsModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return;
    if (row == 0)
        m_titles[std::size_t(column)] = text;
    else
        m_rows[std::size_t(row - 1)][std::size_t(column)] = vb::Variant(text);
    const QModelIndex at = index(row, column);
    emit dataChanged(at, at);
}

void ResultsModel::type(int row, int column, QChar c)
{
    if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.category() == QChar::Other_Control)
        return;
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return;
    setCell(row, column, text(row, column) + c);
}

void ResultsModel::backspace(int row, int column)
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return;
    const QString current = text(row, column);
    // An empty cell, Null included, stays as it is.
    if (!current.isEmpty())
        setCell(row, column, current.chopped(1));
}

void ResultsModel::setCode(int row, int column, const QString &code)
{
    setCell(row, column, code);
}

std::pair<int, int> ResultsModel::nextCell(int row, int column) const
{
    if (column + 1 < columnCount())
        return {row, column + 1};
    return {row + 1 == rowCount() ? 0 : row + 1, 0};
}

bool ResultsModel::removeRecord(int row)
{
    if (row < 1 || row >= rowCount() || m_rows.size() < 2)
        return false;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + (row - 1));
    endRemoveRows();
    return true;
}

QueryResult ResultsModel::toResult() const
{
    QueryResult result;
    result.hasRowset = true;
    result.columns = m_columns;
    for (const auto &row : m_rows) {
        const bool blank = std::all_of(row.begin(), row.end(), [](const vb::Variant &v) {
            return v.isNull() || v.isEmpty() || v.toString().isEmpty();
        });
        if (blank)
            continue;
        std::vector<vb::Variant> out;
        out.reserve(row.size());
        for (const vb::Variant &value : row) {
            bool changed = false;
            if (!value.isNull())
                ImportValueText(value, &changed);
            result.changedValues += changed ? 1 : 0;
            out.push_back(value);
        }
        result.rows.push_back(std::move(out));
    }
    return result;
}

const std::vector<std::pair<QString, QString>> &ResultsModel::StatusCodes()
{
    static const std::vector<std::pair<QString, QString>> codes{
        {u"Item Accepted - Date Rescheduled"_s, u"DR"_s}, {u"Item Accepted"_s, u"IA"_s},
        {u"Item Accepted - Changes Made"_s, u"IC"_s},     {u"Item Deleted"_s, u"ID"_s},
        {u"Item Accepted, Price Pending"_s, u"IE"_s},     {u"Item Accepted - Price Changed"_s, u"IP"_s},
        {u"Item Accepted - Quantity Changed"_s, u"IQ"_s}, {u"Item Rejected"_s, u"IR"_s}};
    return codes;
}

} // namespace integration
