#pragma once

#include <QString>

#include <functional>
#include <memory>

class QPrinter;

// The printers the report engine may use. By default the installed ones (CUPS); tests put a
// file-backed printer, or none, in their place.
namespace report {

using PrinterFactory = std::function<std::unique_ptr<QPrinter>(const QString& printerName)>;

// A printer for the name (the default printer when empty or unknown), or nullptr when no
// printer is installed.
std::unique_ptr<QPrinter> makePrinter(const QString& printerName);
void setPrinterFactory(PrinterFactory factory); // nullptr restores the installed printers

} // namespace report
