// Covers: the panel of the current release's cover ("Kansikuva" under "&Näytä"), the wall
// ("Kansiseinä"), and giving a release its cover ("Valitse kansikuva...", "Poista kansikuva",
// a drop or a paste on the panel). A cover change is a step of its own for undo.
#include "form1.h"

#include "coverthumbs.h"
#include "coverview.h"
#include "coverwall.h"
#include "engine/error.h"
#include "locate/reclocate.h"
#include "store/collectionfiles.h"
#include "store/coverimage.h"

#include "dbaware/errorbox.h"

#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QPointer>
#include <QStyle>

std::function<QString()> TForm1::coverFileChooser;

namespace {

constexpr int kCoverPanelWidth = 260;

} // namespace

void TForm1::createCoverMenu() {
    coverDock_ = new QDockWidget(QStringLiteral("Kansikuva"), this);
    coverDock_->setObjectName(QStringLiteral("KansikuvaPaneeli"));
    coverDock_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    coverView_ = new CoverView(coverDock_);
    coverDock_->setWidget(coverView_);
    addDockWidget(Qt::RightDockWidgetArea, coverDock_);
    coverDock_->hide();

    Vis1->addSeparator();
    QAction* panel = coverDock_->toggleViewAction();
    panel->setText(QStringLiteral("Kansikuva"));
    panel->setObjectName(QStringLiteral("Kansikuva1"));
    Vis1->addAction(panel);
    QAction* wall = addMenuItem(Vis1, "Kansiseina1", QStringLiteral("Kansiseinä"));
    auto* edit = findChild<QMenu*>(QStringLiteral("Muokkaa1"));
    edit->addSeparator();
    QAction* choose =
        addMenuItem(edit, "ValitseKansikuva1", QStringLiteral("Valitse kansikuva..."));
    QAction* remove = addMenuItem(edit, "PoistaKansikuva1", QStringLiteral("Poista kansikuva"));
    coverView_->addActions({choose, remove});

    connect(wall, &QAction::triggered, this, [this] { runHandler(&TForm1::Kansiseina1Click); });
    connect(choose, &QAction::triggered, this,
            [this] { runHandler(&TForm1::ValitseKansikuva1Click); });
    connect(remove, &QAction::triggered, this,
            [this] { runHandler(&TForm1::PoistaKansikuva1Click); });
    // The window grows by the panel and shrinks back, so that the pages keep their layout.
    connect(panel, &QAction::toggled, this, [this](bool on) {
        if (coverDock_->isFloating() || isMaximized() || isFullScreen())
            return;
        const int width =
            kCoverPanelWidth + style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent);
        resize(this->width() + (on ? width : -width), height());
        if (on)
            resizeDocks({coverDock_}, {kCoverPanelWidth}, Qt::Horizontal);
    });
    connect(coverDock_, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (shown)
            runHandler(&TForm1::showCurrentCover);
    });
    connect(coverView_, &CoverView::fileGiven, this, [this](const QString& path) {
        dbaware::guarded([&] { setCoverFromFile(path); }, this);
    });
    connect(coverView_, &CoverView::imageGiven, this, [this](const QImage& image) {
        dbaware::guarded([&] { setCoverFromImage(image); }, this);
    });
    for (auto signal :
         {&TDataSource::dataSetChanged, &TDataSource::dataSetScrolled, &TDataSource::activeChanged})
        connect(LydsamSource, signal, this, [this] { runHandler(&TForm1::showCurrentCover); });
    connect(LydsamSource, &TDataSource::recordChanged, this,
            [this] { runHandler(&TForm1::showCurrentCover); });
    if (files_) // made before the window, whatever became of the opening
        files_->covers().onChange([self = QPointer<TForm1>(this)](std::int32_t num) {
            if (self && num == self->coverShown_) {
                self->coverShown_ = 0; // read again
                self->runHandler(&TForm1::showCurrentCover);
            }
        });
}

// The release the cover commands act on: the current one, once it has its number.
std::int32_t TForm1::coverRelease() const {
    if (!files_ || !LydsamDataSet.isOpen() || LydsamDataSet.isEmpty())
        return 0;
    return LydsamDataSet.asInteger("Num");
}

void TForm1::showCurrentCover() {
    if (!coverDock_ || !coverDock_->isVisible())
        return;
    const std::int32_t num = coverRelease();
    if (num <= 0) {
        coverView_->showNoRelease();
        coverShown_ = 0;
        return;
    }
    const auto text = [this](const char* field) {
        return QString::fromStdString(LydsamDataSet.asText(field)).trimmed();
    };
    // Typing in the release's fields changes only its texts: the picture is read again only
    // for another release or a changed cover.
    QImage image = coverView_->cover();
    if (num != coverShown_) {
        coverShown_ = 0;
        image = QImage();
        try {
            if (const store::Covers::Picture picture = files_->covers().picture(num))
                // Read at the panel's size: a large scan decodes in a fraction of the time.
                image = store::readCoverImage(
                    *picture,
                    static_cast<int>(std::max(coverView_->width(), coverView_->height()) *
                                     coverView_->devicePixelRatioF()),
                    QStringLiteral("kansikuva"));
        } catch (...) {
            coverView_->showCover({}, text("Kunstner"), text("Titel"), text("Media"));
            throw;
        }
        coverShown_ = num;
    }
    coverView_->showCover(image, text("Kunstner"), text("Titel"), text("Media"));
}

void TForm1::setCover(store::Covers::Picture picture) {
    const std::int32_t num = coverRelease();
    if (num <= 0)
        throw engine::Error("Valitse ensin levy, jolle kansikuva annetaan.");
    files_->covers().set(num, std::move(picture)); // the panel hears of it
}

void TForm1::setCoverFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw engine::Error(QStringLiteral("Kuvaa %1 ei voi lukea: %2")
                                .arg(path, file.errorString())
                                .toStdString());
    // A picture file is megabytes; a larger file is no cover scan.
    constexpr qint64 kMostBytes = 64LL * 1024 * 1024;
    if (file.size() > kMostBytes)
        throw engine::Error(QStringLiteral("Kuvaa %1 ei voi lukea: tiedosto on liian suuri.")
                                .arg(path)
                                .toStdString());
    const QByteArray bytes = file.readAll();
    setCover(std::make_shared<const std::string>(store::normalizeCover(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
        QFileInfo(path).fileName())));
}

void TForm1::setCoverFromImage(const QImage& image) {
    QImage scaled = image;
    if (std::max(image.width(), image.height()) > store::kCoverLongSide)
        scaled = image.scaled(store::kCoverLongSide, store::kCoverLongSide, Qt::KeepAspectRatio,
                              Qt::SmoothTransformation);
    setCover(std::make_shared<const std::string>(store::encodeCover(scaled)));
}

void TForm1::ValitseKansikuva1Click() {
    if (coverRelease() <= 0)
        throw engine::Error("Valitse ensin levy, jolle kansikuva annetaan.");
    QString path;
    if (coverFileChooser) {
        path = coverFileChooser();
    } else {
        QStringList patterns;
        for (const QByteArray& format : QImageReader::supportedImageFormats())
            patterns << QStringLiteral("*.") + QString::fromLatin1(format);
        path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Valitse kansikuva"), lastCoverFolder_,
            QStringLiteral("Kuvat (%1)").arg(patterns.join(QLatin1Char(' '))));
    }
    if (path.isEmpty())
        return;
    lastCoverFolder_ = QFileInfo(path).absolutePath();
    setCoverFromFile(path);
}

void TForm1::PoistaKansikuva1Click() {
    setCover(nullptr);
}

void TForm1::Kansiseina1Click() {
    if (!files_)
        return; // no collection open
    if (!coverWall_) {
        coverThumbs_ = new CoverThumbs(
            files_->covers(),
            store::ThumbnailCache(store::ThumbnailCache::folderFor(dataFolder_.toStdString())),
            this);
        coverWall_ = new CoverWall(
            LydsamDataSet, *LydsamSource, *coverThumbs_,
            [this](const QString& text) {
                RecLocate1->FindText = text;
                dbaware::guarded([this] { RecLocate1->FindFirst(); }, coverWall_);
            },
            [this] {
                selectPage(TabSheet2);
                raise();
                activateWindow();
            },
            this);
    }
    coverWall_->show();
    coverWall_->raise();
    coverWall_->activateWindow();
}
