// The "&Vie" submenu of "&Tiedostot": the collection as a web page or as CSV tables.
#include "form1.h"

#include "exchange/csvtables.h"
#include "exchange/htmlpage.h"
#include "store/collectionfiles.h"
#include "store/thumbnailcache.h"

#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QStandardPaths>

std::function<QString(const QString& suggested)> TForm1::exportPathChooser;

void TForm1::createExportMenu() {
    auto* menu = new QMenu(QStringLiteral("&Vie"), Filer1);
    menu->setObjectName(QStringLiteral("Vie1"));
    QAction* page = menu->addAction(QStringLiteral("Verkkosivu (HTML)..."));
    page->setObjectName(QStringLiteral("Verkkosivu1"));
    QAction* tables = menu->addAction(QStringLiteral("CSV-taulut..."));
    tables->setObjectName(QStringLiteral("CsvTaulut1"));
    // Right after "&Tulostus": both give the collection away in some form.
    const QList<QAction*> items = Filer1->actions();
    const qsizetype at = items.indexOf(Udskrivning1->menuAction()) + 1;
    Filer1->insertMenu(at < items.size() ? items.at(at) : nullptr, menu);
    connect(page, &QAction::triggered, this, [this] { runHandler(&TForm1::Verkkosivu1Click); });
    connect(tables, &QAction::triggered, this, [this] { runHandler(&TForm1::CsvTaulut1Click); });
}

QString TForm1::chooseExportPath(const QString& caption, const QString& suggested,
                                 const QString& filter) {
    if (exportPathChooser)
        return exportPathChooser(suggested);
    return QFileDialog::getSaveFileName(this, caption, suggested, filter);
}

void TForm1::Verkkosivu1Click() {
    const QString path =
        chooseExportPath(QStringLiteral("Vie verkkosivuna"),
                         QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                             .filePath(QStringLiteral("Levyholvi.html")),
                         QStringLiteral("Verkkosivu (*.html *.htm)"));
    if (path.isEmpty())
        return;
    postTypedRows();
    exchange::HtmlPageOptions options;
    // The window waits for the page, so no cover changes while its threads read them.
    const store::ThumbnailCache thumbnails(
        store::ThumbnailCache::folderFor(dataFolder_.toStdString()));
    if (files_)
        options.cover = [&](std::int32_t num) {
            return thumbnails.thumbnail(files_->covers(), num);
        };
    exchange::writeHtmlPage(LydsamDataSet, NumreDataSet, MusikerDataSet, path, options);
}

void TForm1::CsvTaulut1Click() {
    const QString folder = exportPathChooser
                               ? exportPathChooser(QDir::homePath())
                               : QFileDialog::getExistingDirectory(
                                     this, QStringLiteral("Vie CSV-tauluina"), QDir::homePath());
    if (folder.isEmpty())
        return;
    exportCsvTables(folder);
}

// Exports hold every stored row whatever the pages show; a row being typed counts too.
void TForm1::postTypedRows() {
    for (engine::Table* t :
         {&LydsamDataSet, &ArkivDataSet, &NumreDataSet, &GenreDataSet, &MusikerDataSet})
        if (t->isOpen())
            t->checkBrowseMode();
}

void TForm1::exportCsvTables(const QString& folder) {
    postTypedRows();
    exchange::writeCsvTables({LydsamDataSet, ArkivDataSet, NumreDataSet, GenreDataSet,
                              MusikerDataSet, files_ ? &files_->covers() : nullptr},
                             folder);
}
