#pragma once

class QPrinter;

namespace report {

class PageStore;

// Prints the pages of a loaded report file one by one, each stretched to the printer's page.
// The paper follows the first page where its size is a known paper size. Pages outside the
// printer's page range are left out.
void printStoredPages(const PageStore& store, QPrinter& printer);

} // namespace report
