#pragma once

#include "pagesink.h"
#include "repband.h"
#include "repfont.h"
#include "reporterror.h"
#include "reppage.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

namespace engine {
class Table;
}
class TRepPrinter;
class TRepPreview;
class QWidget;
class QPrinter;

struct TRepOptions {
    bool FirstPageHeader = false; // the page header band on page 1 too
    bool LastPageFooter = false;  // the page footer band on the last page too
    bool Compression = false;     // stored pages compressed
};

// A banded list report over one table. The layout is plain data (page, bands, elements) that
// callers set up and change in place; Preview, Print and the exports each lay it out again.
class TReport : public QObject {
    Q_OBJECT

public:
    explicit TReport(QObject* parent = nullptr);
    ~TReport() override;

    engine::Table* DataSet = nullptr;
    TRepPage Page;
    TRepOptions Options;
    bool PrintIfEmpty = true;
    QString ReportTitle;
    TRepFont Font;
    TRepPrinterSettings PrinterSettings;
    bool ShowProgress = true;

    // At most one band per role; setting one replaces the band of that role.
    TRepBand& setBand(TRepBand band);
    TRepBand* band(TRepBandRole role);
    const TRepBand* band(TRepBandRole role) const;
    void removeBand(TRepBandRole role);
    const std::array<std::optional<TRepBand>, kBandRoleCount>& bands() const { return bands_; }

    // An element by name in any band; raises report::Error when there is none of that kind.
    template <class T> T& element(const QString& name) {
        for (auto& b : bands_)
            if (b)
                for (TRepElement& e : b->Elements)
                    if (auto* x = std::get_if<T>(&e); x && x->Name == name)
                        return *x;
        throw report::Error("The report has no element " + name.toStdString());
    }

    // Generates into the picture store and shows the preview window; returns when that window
    // is closed. The rest of the program stays usable meanwhile.
    void Preview();
    // Generates straight to the printer; nothing when no printer is installed.
    void Print();
    // The print dialog; its choices go to PrinterSettings and Page. pagesKnown > 0 limits the
    // page range to the pages of a finished preview.
    void PrinterSetup(int pagesKnown = 0, QWidget* parent = nullptr);
    // Stores the choices of a print dialog: copies, duplex, bin, printer, paper, orientation
    // and page range.
    void applyPrinterChoices(const QPrinter& printer);
    // Generates again into a text or PDF file.
    void exportTo(report::ExportFormat format, const QString& path);

    // One run of the report into a recorder; ignored while a run is going on.
    void generate(TRepPrinter& recorder);
    bool generating() const { return generating_; }

signals:
    void previewOpened(TRepPreview* window); // lets callers and tests reach the open window

private:
    std::array<std::optional<TRepBand>, kBandRoleCount> bands_;
    bool generating_ = false;
};
