#include "printerfactory.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace report {

namespace {

PrinterFactory& factory() {
    static PrinterFactory f;
    return f;
}

std::unique_ptr<QPrinter> installedPrinter(const QString& name) {
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        return nullptr;
    QPrinterInfo info =
        name.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(name);
    if (info.isNull())
        info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        info = QPrinterInfo::printerInfo(QPrinterInfo::availablePrinterNames().front());
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

} // namespace

std::unique_ptr<QPrinter> makePrinter(const QString& printerName) {
    if (factory())
        return factory()(printerName);
    return installedPrinter(printerName);
}

void setPrinterFactory(PrinterFactory f) {
    factory() = std::move(f);
}

} // namespace report
