#pragma once
// One renderer for every paint device: the page widget, the printer and PDF
// files get the same pages from the same layout.

#include "report/Paginator.h"

#include <QImage>

class QPainter;
class QPrinter;

namespace report {

// Paints `page` with the painter's origin at the page's top left corner and
// `devicePerTwip` device units to the twip.
void paintPage(QPainter &painter, const PageLayout &page, double devicePerTwip);

// The page as an image on white paper, `pixelsPerTwip` to the twip (1/15 is 100 per cent).
QImage renderPageImage(Paginator &paginator, int index, double pixelsPerTwip = 1.0 / 15);

// Every page into a PDF file (written to a temporary name, renamed when complete).
void writePdf(Paginator &paginator, const QString &path, int errorNumber = ErrExportRefused);

// Every page to `printer`: one copy, no prompt, the report's own paper size
// and margins; the printer's own copies, paper and layout (the user's Print
// Setup) are given back afterwards. Raises ErrReportData when the printer
// cannot be started.
void printReport(Paginator &paginator, QPrinter &printer);

} // namespace report
