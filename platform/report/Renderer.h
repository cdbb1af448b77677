#pragma once
// One renderer for every paint device: the page widget, the printer and PDF
// files get the same pages from the same layout. Printing itself is in the
// widgets part of the engine (report/Printing.h), behind the print service.

#include "report/Paginator.h"

#include <QImage>
#include <QPageSize>

#include <functional>

class QPainter;

namespace report {

// Paints `page` with the painter's origin at the page's top left corner and
// `devicePerTwip` device units to the twip.
void paintPage(QPainter &painter, const PageLayout &page, double devicePerTwip);

// The page as an image on white paper, `pixelsPerTwip` to the twip (1/15 is 100 per cent).
QImage renderPageImage(Paginator &paginator, int index, double pixelsPerTwip = 1.0 / 15);

// Every page into a PDF file (written to a temporary name, renamed when complete).
void writePdf(Paginator &paginator, const QString &path, int errorNumber = ErrExportRefused);

// The paper of a report's page set-up.
QPageSize pageSizeOf(const PageSetup &page);

// Every page, `newPage` called between two pages.
void paintPages(Paginator &paginator, QPainter &painter, double devicePerTwip,
                const std::function<void()> &newPage);

} // namespace report
