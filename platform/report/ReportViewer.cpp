#include "report/ReportViewer.h"

#include "report/Export.h"
#include "report/PageWidget.h"
#include "report/Paginator.h"
#include "report/Printing.h"

#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace report {

namespace {

// The formats the export button offers, in the order users see them.
constexpr ExportType kOfferedFormats[] = {
    ExportPdf,  ExportRtf,       ExportHtml40, ExportHtml32, ExportExcel8, ExportExcel5, ExportCsv,
    ExportTsv,  ExportTabText,   ExportText,   ExportPaginatedText, ExportRecordStyle, ExportXml,
    ExportDif,  ExportLotusWk1,  ExportLotusWk3, ExportReportFile,
};

} // namespace

const QStringList &ReportViewer::featureNames()
{
    static const QStringList names{
        u"AnimationControl"_s,  u"DisplayBackgroundEdge"_s, u"DisplayBorder"_s,       u"DisplayGroupTree"_s,
        u"DisplayTabs"_s,       u"DisplayToolbar"_s,        u"EnableCloseButton"_s,   u"EnableDrillDown"_s,
        u"EnableGroupTree"_s,   u"EnablePrintButton"_s,     u"EnableProgressControl"_s,
        u"EnableRefreshButton"_s, u"EnableSearchControl"_s, u"SearchExpertButton"_s,  u"SelectExpertButton"_s,
        u"EnableStopButton"_s,  u"EnableToolbar"_s,         u"EnableZoomControl"_s,   u"ExportButton"_s,
        u"HelpButton"_s,        u"NavigationControls"_s,    u"PopupMenu"_s,
    };
    return names;
}

ReportViewer::ReportViewer(QWidget *parent) : QWidget(parent)
{
    for (const QString &name : featureNames())
        m_features.insert(name, true);

    m_toolbar = new QToolBar(this);
    m_toolbar->setIconSize(QSize(16, 16));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [this](const QString &name, const QString &text, const QString &tip, auto slot) {
        QAction *a = m_toolbar->addAction(text);
        a->setToolTip(tip);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, slot] { runGuarded(slot); });
        m_actions.insert(name, a);
        return a;
    };
    add(u"Close"_s, u"Close"_s, u"Close the current view"_s, [this] { emit closeRequested(); });
    m_toolbar->addSeparator();
    add(u"Print"_s, u"Print"_s, u"Print the report"_s, [this] { printReport(); });
    add(u"Export"_s, u"Export"_s, u"Export the report to a file"_s, [this] { exportReport(); });
    add(u"Refresh"_s, u"Refresh"_s, u"Lay the report out again"_s, [this] { viewReport(); });
    add(u"Stop"_s, u"Stop"_s, u"Stop laying the report out"_s, [] {});
    m_toolbar->addSeparator();
    m_navigation << add(u"First"_s, u"|<"_s, u"First page"_s, [this] { showPage(0); })
                 << add(u"Previous"_s, u"<"_s, u"Previous page"_s, [this] { showPage(pageIndex() - 1); });
    m_pageBox = new QSpinBox(this);
    m_pageBox->setMinimum(1);
    m_pageBox->setToolTip(u"Page shown"_s);
    m_navigation << m_toolbar->addWidget(m_pageBox);
    m_pageCountLabel = new QLabel(this);
    m_navigation << m_toolbar->addWidget(m_pageCountLabel);
    m_navigation << add(u"Next"_s, u">"_s, u"Next page"_s, [this] { showPage(pageIndex() + 1); })
                 << add(u"Last"_s, u">|"_s, u"Last page"_s, [this] { showPage(pageCount() - 1); });
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int value) {
        if (value - 1 != pageIndex())
            showPage(value - 1);
    });
    m_toolbar->addSeparator();
    m_zoomBox = new QComboBox(this);
    for (int level : {25, 50, 75, 100, 150, 200})
        m_zoomBox->addItem(QString::number(level) + u'%', level);
    m_zoomBox->setCurrentIndex(3);
    m_zoomBox->setToolTip(u"Zoom"_s);
    m_actions.insert(u"Zoom"_s, m_toolbar->addWidget(m_zoomBox));
    connect(m_zoomBox, &QComboBox::activated, this, [this](int index) { setZoom(m_zoomBox->itemData(index).toInt()); });
    m_toolbar->addSeparator();
    m_searchBox = new QLineEdit(this);
    m_searchBox->setPlaceholderText(u"Search text"_s);
    m_searchBox->setMaximumWidth(160);
    m_actions.insert(u"SearchBox"_s, m_toolbar->addWidget(m_searchBox));
    add(u"Search"_s, u"Find"_s, u"Find the text from this page on"_s, [this] {
        m_lastSearch = m_searchBox->text();
        if (!m_lastSearch.isEmpty() && !search(m_lastSearch))
            vb::MsgBox(u"The text was not found."_s, vb::vbOKOnly | vb::vbInformation);
    });
    connect(m_searchBox, &QLineEdit::returnPressed, m_actions.value(u"Search"_s), &QAction::trigger);
    add(u"SearchExpert"_s, u"Find Next"_s, u"Find the text again after this page"_s, [this] {
        const QString text = m_lastSearch.isEmpty() ? m_searchBox->text() : m_lastSearch;
        if (text.isEmpty())
            return;
        const int from = pageIndex();
        if (from + 1 < pageCount()) {
            showPage(from + 1);
            if (search(text))
                return;
            showPage(from);
        }
        vb::MsgBox(u"The text was not found after this page."_s, vb::vbOKOnly | vb::vbInformation);
    });
    add(u"SelectExpert"_s, u"Go To"_s, u"Go to a page by its number"_s, [this] {
        const QString answer = vb::InputBox(u"Page number (1 to "_s + QString::number(pageCount()) + u"):"_s,
                                            u"Go To Page"_s, QString::number(pageIndex() + 1));
        bool ok = false;
        const int page = answer.trimmed().toInt(&ok);
        if (ok)
            showPage(page - 1);
    });
    m_toolbar->addSeparator();
    add(u"Help"_s, u"Help"_s, u"Help on the report viewer"_s, [this] {
        if (m_help)
            m_help();
    });

    m_tabs = new QTabBar(this);
    m_tabs->addTab(u"Preview"_s);
    m_tabs->setDrawBase(false);

    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    m_tree->setMinimumWidth(110);
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (item && item->data(0, Qt::UserRole).isValid())
            showPage(item->data(0, Qt::UserRole).toInt());
    });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        // Drill-down: a page node opens that page in its own tab.
        if (!feature(u"EnableDrillDown"_s) || !item || !item->data(0, Qt::UserRole).isValid())
            return;
        const int page = item->data(0, Qt::UserRole).toInt();
        showPage(page);
        const QString title = u"Page "_s + QString::number(page + 1);
        for (int i = 0; i < m_tabs->count(); ++i)
            if (m_tabs->tabText(i) == title) {
                m_tabs->setCurrentIndex(i);
                return;
            }
        m_tabs->setCurrentIndex(m_tabs->addTab(title));
    });
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (index > 0)
            showPage(m_tabs->tabText(index).mid(5).toInt() - 1);
    });

    m_pages = new PageWidget(this);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_pages);
    m_scroll->setWidgetResizable(false);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    connect(m_pages, &PageWidget::pageChanged, this, [this] { updateNavigation(); });

    auto *split = new QSplitter(this);
    split->addWidget(m_tree);
    split->addWidget(m_scroll);
    split->setStretchFactor(1, 1);
    split->setSizes({140, 600});

    m_progress = new QLabel(this);
    m_animation = new QLabel(this);
    m_animation->setFixedWidth(18);
    auto *status = new QHBoxLayout;
    status->setContentsMargins(4, 0, 4, 2);
    status->addWidget(m_animation);
    status->addWidget(m_progress, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_tabs);
    layout->addWidget(split, 1);
    layout->addLayout(status);

    m_popup = new QMenu(this);
    for (const char *name : {"First", "Previous", "Next", "Last", "Print", "Export", "Refresh"})
        m_popup->addAction(m_actions.value(QString::fromLatin1(name)));

    applyFeatures();
    updateNavigation();
}

ReportViewer::~ReportViewer() = default;

void ReportViewer::setFeature(const QString &name, bool on)
{
    if (!m_features.contains(name))
        vb::raise(5, u"The viewer has no feature "_s + name);
    m_features[name] = on;
    applyFeatures();
}

bool ReportViewer::feature(const QString &name) const
{
    return m_features.value(name, false);
}

void ReportViewer::applyFeatures()
{
    auto on = [this](const char *name) { return feature(QString::fromLatin1(name)); };
    m_animation->setVisible(on("AnimationControl"));
    m_pages->setBackgroundEdge(on("DisplayBackgroundEdge"));
    m_scroll->setFrameShape(on("DisplayBorder") ? QFrame::StyledPanel : QFrame::NoFrame);
    m_tree->setVisible(on("DisplayGroupTree"));
    m_tabs->setVisible(on("DisplayTabs"));
    m_toolbar->setVisible(on("DisplayToolbar"));
    m_actions.value(u"Close"_s)->setEnabled(on("EnableCloseButton"));
    m_tree->setEnabled(on("EnableGroupTree"));
    m_actions.value(u"Print"_s)->setEnabled(on("EnablePrintButton"));
    m_progress->setVisible(on("EnableProgressControl"));
    m_actions.value(u"Refresh"_s)->setEnabled(on("EnableRefreshButton"));
    m_actions.value(u"SearchBox"_s)->setVisible(on("EnableSearchControl"));
    m_actions.value(u"Search"_s)->setVisible(on("EnableSearchControl"));
    m_actions.value(u"SearchExpert"_s)->setVisible(on("SearchExpertButton"));
    m_actions.value(u"SelectExpert"_s)->setVisible(on("SelectExpertButton"));
    // Laying out runs to its end at once; Stop is offered but has nothing to stop.
    m_actions.value(u"Stop"_s)->setVisible(on("EnableStopButton"));
    m_actions.value(u"Stop"_s)->setEnabled(false);
    m_toolbar->setEnabled(on("EnableToolbar"));
    m_actions.value(u"Zoom"_s)->setVisible(on("EnableZoomControl"));
    m_actions.value(u"Export"_s)->setVisible(on("ExportButton"));
    m_actions.value(u"Help"_s)->setVisible(on("HelpButton"));
    for (QAction *a : m_navigation)
        a->setVisible(on("NavigationControls"));
}

void ReportViewer::setReportSource(ReportDocumentPtr report)
{
    m_report = std::move(report);
}

void ReportViewer::viewReport()
{
    m_animation->setText(u"\u25cf"_s);
    m_progress->setText(u"Laying out the report..."_s);
    m_pages->setPaginator(nullptr);
    if (m_report) {
        Paginator &pages = m_report->pages();
        m_pages->setPaginator(&pages);
        m_pages->resize(m_pages->sizeHint());
        m_progress->setText(QString::number(pages.rowCount()) + u" records"_s);
    } else {
        m_progress->setText(QString());
    }
    m_animation->clear();
    while (m_tabs->count() > 1)
        m_tabs->removeTab(1);
    fillTree();
    updateNavigation();
}

void ReportViewer::fillTree()
{
    m_tree->clear();
    if (!m_report)
        return;
    auto *root = new QTreeWidgetItem(m_tree, {m_report->report().title.isEmpty() ? u"Report"_s
                                                                                   : m_report->report().title});
    for (int i = 0; i < pageCount(); ++i) {
        auto *item = new QTreeWidgetItem(root, {u"Page "_s + QString::number(i + 1)});
        item->setData(0, Qt::UserRole, i);
    }
    root->setExpanded(true);
}

int ReportViewer::pageCount() const
{
    return m_pages->pageCount();
}

int ReportViewer::pageIndex() const
{
    return m_pages->pageIndex();
}

void ReportViewer::showPage(int index)
{
    m_pages->setPageIndex(index);
    updateNavigation();
}

void ReportViewer::updateNavigation()
{
    const int count = pageCount();
    const int page = pageIndex();
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setMaximum(std::max(1, count));
    m_pageBox->setValue(page + 1);
    m_pageCountLabel->setText(u" of "_s + QString::number(count) + u' ');
    m_actions.value(u"First"_s)->setEnabled(page > 0);
    m_actions.value(u"Previous"_s)->setEnabled(page > 0);
    m_actions.value(u"Next"_s)->setEnabled(page + 1 < count);
    m_actions.value(u"Last"_s)->setEnabled(page + 1 < count);
}

void ReportViewer::setZoom(int level)
{
    m_zoom = level;
    const int index = m_zoomBox->findData(level);
    if (index >= 0) {
        const QSignalBlocker block(m_zoomBox);
        m_zoomBox->setCurrentIndex(index);
    }
    emit zoomChanged(level);
}

bool ReportViewer::search(const QString &text)
{
    if (!m_report || text.isEmpty())
        return false;
    Paginator &pages = m_report->pages();
    for (int i = std::max(0, pageIndex()); i < pages.pageCount(); ++i) {
        for (const PlacedItem &item : pages.page(i).items) {
            if (item.text.contains(text, Qt::CaseInsensitive)) {
                showPage(i);
                return true;
            }
        }
    }
    return false;
}

QAction *ReportViewer::action(const QString &name) const
{
    return m_actions.value(name);
}

void ReportViewer::printReport()
{
    if (!m_report)
        return;
    QPrinter &printer = m_printer ? m_printer() : vb::sharedPrinter();
    vb::PrinterSetupRequest request;
    request.title = u"Print"_s;
    request.printer = &printer;
    if (!vb::dialogService().printerSetup(request))
        return;
    report::printReport(m_report->pages(), printer);
}

void ReportViewer::exportReport()
{
    if (!m_report)
        return;
    ExportChooser chooser = m_exportChooser;
    if (!chooser) {
        chooser = [this]() -> std::optional<std::pair<int, QString>> {
            const QStringList filters = exportFilters();
            QString selected;
            const QString file = QFileDialog::getSaveFileName(this, u"Export"_s, m_exportFolder,
                                                              filters.join(u";;"_s), &selected);
            if (file.isEmpty())
                return std::nullopt;
            const int index = int(std::max<qsizetype>(0, filters.indexOf(selected)));
            return std::make_pair(int(kOfferedFormats[index]), file);
        };
    }
    const auto target = chooser();
    if (!target)
        return;
    m_report->exportTo(target->first, withExportExtension(target->second, target->first));
}

std::vector<int> ReportViewer::offeredExportFormats()
{
    return {std::begin(kOfferedFormats), std::end(kOfferedFormats)};
}

QStringList ReportViewer::exportFilters()
{
    QStringList filters;
    for (ExportType type : kOfferedFormats) {
        const QString ext = exportFileExtension(type);
        filters << exportFormatName(type) + u" (*."_s + ext.toLower() + u" *."_s + ext + u')';
    }
    return filters;
}

QString ReportViewer::withExportExtension(const QString &file, int formatType)
{
    if (!QFileInfo(file).suffix().isEmpty())
        return file;
    const QString ext = exportFileExtension(formatType);
    return ext.isEmpty() ? file : file + u'.' + ext;
}

void ReportViewer::runGuarded(const std::function<void()> &action)
{
    try {
        action();
    } catch (const vb::VbError &error) {
        vb::MsgBox(error.description, vb::vbOKOnly | vb::vbCritical);
    } catch (const std::exception &error) {
        vb::MsgBox(QString::fromUtf8(error.what()), vb::vbOKOnly | vb::vbCritical);
    }
}

void ReportViewer::contextMenuEvent(QContextMenuEvent *event)
{
    if (!feature(u"PopupMenu"_s)) {
        event->ignore();
        return;
    }
    m_popup->popup(event->globalPos());
    event->accept();
}

} // namespace report
