#include "report/PrintService.h"

#include "report/Paginator.h"

#include "vb/VbError.h"

namespace report {

namespace {

class NoPrinter final : public PrintService {
public:
    void print(Paginator &) override
    {
        vb::raise(ErrReportData, QStringLiteral("Printing is not available: this program has no printer support"),
                  QStringLiteral("Report"));
    }
};

std::shared_ptr<PrintService> &installed()
{
    static std::shared_ptr<PrintService> service;
    return service;
}

std::shared_ptr<PrintService> &fallback()
{
    static std::shared_ptr<PrintService> service;
    return service;
}

} // namespace

void setPrintService(std::shared_ptr<PrintService> service)
{
    installed() = std::move(service);
}

void setDefaultPrintService(std::shared_ptr<PrintService> service)
{
    fallback() = std::move(service);
}

PrintService &printService()
{
    if (installed())
        return *installed();
    if (fallback())
        return *fallback();
    static NoPrinter none;
    return none;
}

} // namespace report
