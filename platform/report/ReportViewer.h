#pragma once
// The report viewer control: the pages of an open report with a toolbar
// (navigation, zoom, print, export, refresh, search, close, help), a page
// tree beside them and a progress line. Each of its 22 features can be
// switched on and off by name, as the program's viewer settings ask.

#include "report/ReportDocument.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QScrollArea;
class QSpinBox;
class QTabBar;
class QToolBar;
class QTreeWidget;

namespace report {

class PageWidget;

class ReportViewer : public QWidget {
    Q_OBJECT
public:
    explicit ReportViewer(QWidget *parent = nullptr);
    ~ReportViewer() override;

    // The feature names, in the order the settings list them.
    static const QStringList &featureNames();
    // Raises 5 for a name that is not a feature.
    void setFeature(const QString &name, bool on);
    bool feature(const QString &name) const;

    void setReportSource(ReportDocumentPtr report);
    ReportDocumentPtr reportSource() const { return m_report; }
    // Lays the report out and shows its first page.
    void viewReport();

    // Page navigation (0-based), as the navigation buttons do.
    int pageCount() const;
    int pageIndex() const;
    void showPage(int index);

    // The zoom level in per cent; setting one tells zoomChanged.
    int zoom() const { return m_zoom; }
    void setZoom(int level);

    // The first page from the current one holding `text` (letter case
    // ignored); false when none does.
    bool search(const QString &text);

    // Where an export goes: the engine's format type and the file; nullopt
    // when the user cancelled. The default asks with a save dialog.
    using ExportChooser = std::function<std::optional<std::pair<int, QString>>()>;
    void setExportChooser(ExportChooser chooser) { m_exportChooser = std::move(chooser); }
    // The folder the Export dialog opens in.
    void setExportFolder(const QString &folder) { m_exportFolder = folder; }
    const QString &exportFolder() const { return m_exportFolder; }
    // The Export dialog's filters, one per offered format in the order
    // shown, each naming the format's file extension; and the format types.
    static QStringList exportFilters();
    static std::vector<int> offeredExportFormats();
    // `file` with the extension of `formatType` added when it has none.
    static QString withExportExtension(const QString &file, int formatType);
    // The printer the print button prints to after the print set-up.
    void setPrinter(std::function<QPrinter &()> printer) { m_printer = std::move(printer); }
    void setHelpHandler(std::function<void()> help) { m_help = std::move(help); }

    // The toolbar commands by name ("First", "Previous", "Next", "Last",
    // "Print", "Export", "Refresh", "Stop", "Close", "Search", "SearchExpert",
    // "SelectExpert", "Help"), for the window and its tests.
    QAction *action(const QString &name) const;
    QToolBar *toolbar() const { return m_toolbar; }
    QTreeWidget *groupTree() const { return m_tree; }
    QTabBar *tabs() const { return m_tabs; }
    QComboBox *zoomBox() const { return m_zoomBox; }
    QLineEdit *searchBox() const { return m_searchBox; }
    QLabel *progressLine() const { return m_progress; }
    QLabel *animation() const { return m_animation; }
    PageWidget *pageWidget() const { return m_pages; }
    QMenu *popupMenu() const { return m_popup; }

    // Print and export as the buttons do; errors are raised.
    void printReport();
    void exportReport();

signals:
    void zoomChanged(int level);
    void closeRequested();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void applyFeatures();
    void fillTree();
    void updateNavigation();
    void runGuarded(const std::function<void()> &action);

    ReportDocumentPtr m_report;
    QHash<QString, bool> m_features;
    QHash<QString, QAction *> m_actions;
    QToolBar *m_toolbar = nullptr;
    QTabBar *m_tabs = nullptr;
    QTreeWidget *m_tree = nullptr;
    QScrollArea *m_scroll = nullptr;
    PageWidget *m_pages = nullptr;
    QComboBox *m_zoomBox = nullptr;
    QSpinBox *m_pageBox = nullptr;
    QLabel *m_pageCountLabel = nullptr;
    QLineEdit *m_searchBox = nullptr;
    QLabel *m_progress = nullptr;
    QLabel *m_animation = nullptr;
    QMenu *m_popup = nullptr;
    QList<QAction *> m_navigation;
    ExportChooser m_exportChooser;
    QString m_exportFolder;
    std::function<QPrinter &()> m_printer;
    std::function<void()> m_help;
    QString m_lastSearch;
    int m_zoom = 100;
};

} // namespace report
