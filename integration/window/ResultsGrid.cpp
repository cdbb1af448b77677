#include "integration/window/ResultsGrid.h"
#include "core/HandlerGuard.h"

#include "integration/ResultsModel.h"

#include <QAction>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace integration {

using modGlobal::guardedConnect;

namespace {
// Texts of this length or longer do not widen their column.
constexpr int kMeasuredLength = 100;
// Records measured for the widths: enough to fit what the user sees first.
constexpr int kMeasuredRows = 200;
}

ResultsGrid::ResultsGrid(QWidget *parent) : QTableView(parent)
{
    setObjectName(u"msfgResults"_s);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setTabKeyNavigation(false);
    mnuPopup = new QMenu(this);
    mnuPopup->setObjectName(u"mnuPopup"_s);
    for (const auto &[caption, code] : ResultsModel::StatusCodes()) {
        QAction *item = mnuPopup->addAction(caption);
        item->setObjectName(u"mnuPopup"_s + code);
        guardedConnect(item, &QAction::triggered, this, [this, code] {
            if (m_model && currentRow() >= 0)
                m_model->setCode(currentRow(), currentColumn(), code);
        });
    }
}

void ResultsGrid::setResultsModel(ResultsModel *model)
{
    m_model = model;
    setModel(model);
}

int ResultsGrid::currentRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

int ResultsGrid::currentColumn() const
{
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

void ResultsGrid::setCurrentCell(int row, int column)
{
    if (!m_model)
        return;
    const QModelIndex at = m_model->index(row, column);
    if (at.isValid()) {
        setCurrentIndex(at);
        scrollTo(at);
    }
}

void ResultsGrid::fitColumns()
{
    if (!m_model)
        return;
    const QFontMetrics metrics(font());
    const int rows = std::min(m_model->rowCount(), kMeasuredRows + 1);
    for (int c = 0; c < m_model->columnCount(); ++c) {
        int width = metrics.horizontalAdvance(m_model->text(0, c));
        for (int r = 1; r < rows; ++r) {
            const QString text = m_model->text(r, c);
            if (text.size() < kMeasuredLength)
                width = std::max(width, metrics.horizontalAdvance(text));
        }
        setColumnWidth(c, std::max(width + 16, 40));
    }
}

void ResultsGrid::keyPressEvent(QKeyEvent *event)
{
    if (!m_model || currentRow() < 0) {
        QTableView::keyPressEvent(event);
        return;
    }
    const int row = currentRow(), column = currentColumn();
    switch (event->key()) {
    case Qt::Key_Delete:
        if (m_model->removeRecord(row))
            setCurrentCell(std::min(row, m_model->rowCount() - 1), column);
        return;
    case Qt::Key_Backspace:
        m_model->backspace(row, column);
        return;
    case Qt::Key_Tab: {
        const auto [r, c] = m_model->nextCell(row, column);
        setCurrentCell(r, c);
        return;
    }
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        for (const QChar c : text)
            m_model->type(row, column, c);
        return;
    }
    // The arrows and page keys move as in any table.
    QTableView::keyPressEvent(event);
}

void ResultsGrid::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        const QModelIndex at = indexAt(event->position().toPoint());
        if (at.isValid())
            setCurrentIndex(at);
        if (m_model && currentRow() >= 0)
            mnuPopup->popup(event->globalPosition().toPoint());
        return;
    }
    QTableView::mousePressEvent(event);
}

bool ResultsGrid::focusNextPrevChild(bool next)
{
    // Tab steps through the cells, not out of the grid.
    if (m_model && m_model->rowCount() > 0)
        return false;
    return QTableView::focusNextPrevChild(next);
}

} // namespace integration
