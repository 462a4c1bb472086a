#include "coverwall.h"

#include "coverthumbs.h"
#include "dbaware/datasource.h"
#include "dbaware/errorbox.h"
#include "engine/table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kRepaintMs = 40;
constexpr int kTextLines = 2;

QString textOf(const engine::Table& t, int row, const char* field) {
    return QString::fromStdString(t.textAt(row, t.fieldIndex(field))).trimmed();
}

// The list with the wall's keys: typed letters go to the artist search, Enter opens the release.
class WallView : public QListView {
public:
    WallView(std::function<void(const QString&)> search, std::function<void()> open)
        : search_(std::move(search)), open_(std::move(open)) {}

    void keyboardSearch(const QString& text) override {
        // Letters typed in quick succession make one search text, as in any list.
        if (!typed_.isValid() || typed_.elapsed() > QApplication::keyboardInputInterval())
            text_.clear();
        typed_.start();
        text_ += text;
        search_(text_);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            currentIndex().isValid()) {
            open_();
            return;
        }
        QListView::keyPressEvent(event);
    }

private:
    std::function<void(const QString&)> search_;
    std::function<void()> open_;
    QElapsedTimer typed_;
    QString text_;
};

} // namespace

CoverWallModel::CoverWallModel(engine::Table& lydsam, TDataSource& source, CoverThumbs& thumbs,
                               QObject* parent)
    : QAbstractListModel(parent), lydsam_(lydsam), thumbs_(thumbs) {
    rows_ = lydsam_.isOpen() ? lydsam_.displayRowCount() : 0;
    connect(&source, &TDataSource::dataSetChanged, this, &CoverWallModel::tableChanged);
    connect(&source, &TDataSource::activeChanged, this, &CoverWallModel::tableChanged);
    connect(&source, &TDataSource::dataSetScrolled, this, &CoverWallModel::currentMoved);
    connect(&source, &TDataSource::recordChanged, this, &CoverWallModel::currentMoved);
    repaint_.setSingleShot(true);
    repaint_.setInterval(kRepaintMs);
    connect(&repaint_, &QTimer::timeout, this, [this] {
        if (rows_ > 0)
            emit dataChanged(index(0), index(rows_ - 1), {Qt::DecorationRole, HasCoverRole});
    });
    connect(&thumbs_, &CoverThumbs::ready, this, [this] {
        if (!repaint_.isActive())
            repaint_.start();
    });
}

void CoverWallModel::tableChanged() {
    // The rows as the lists show them, a new one being typed among them.
    const int rows = lydsam_.isOpen() ? lydsam_.displayRowCount() : 0;
    if (rows != rows_) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
    } else if (rows_ > 0) {
        emit dataChanged(index(0), index(rows_ - 1));
    }
    emit currentMoved();
}

int CoverWallModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant CoverWallModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        index.row() >= lydsam_.displayRowCount())
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return textOf(lydsam_, row, "Kunstner") + QLatin1Char('\n') + textOf(lydsam_, row, "Titel");
    case NumRole:
        return QString::fromStdString(lydsam_.textAt(row, lydsam_.fieldIndex("Num"))).toInt();
    case ArtistRole:
        return textOf(lydsam_, row, "Kunstner");
    case TitleRole:
        return textOf(lydsam_, row, "Titel");
    case MediumRole:
        return textOf(lydsam_, row, "Media");
    case Qt::DecorationRole:
    case HasCoverRole: {
        const std::int32_t num =
            QString::fromStdString(lydsam_.textAt(row, lydsam_.fieldIndex("Num"))).toInt();
        const QImage image = num > 0 ? thumbs_.thumbnail(num) : QImage();
        return role == HasCoverRole ? QVariant(!image.isNull()) : QVariant(image);
    }
    default:
        return {};
    }
}

void paintPlaceholder(QPainter& painter, const QRect& rect, const QString& artist,
                      const QString& title, const QString& medium, bool texts) {
    painter.save();
    // A colour per artist, so that a shelf of one artist's records looks like one.
    const QColor colour = QColor::fromHsl(static_cast<int>(qHash(artist) % 360), 60, 200);
    painter.fillRect(rect, colour);
    painter.setPen(colour.darker(160));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    const QRect inner = rect.adjusted(rect.width() / 12, rect.height() / 12, -rect.width() / 12,
                                      -rect.height() / 12);
    painter.setPen(Qt::black);
    QFont font = painter.font();
    if (texts) {
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(inner, Qt::AlignTop | Qt::AlignHCenter | Qt::TextWordWrap, artist);
        font.setBold(false);
        painter.setFont(font);
        painter.drawText(inner, Qt::AlignVCenter | Qt::AlignHCenter | Qt::TextWordWrap, title);
    }
    const double larger = texts ? 1.4 : 2.0;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * larger);
    else // the window's fonts are set in pixels
        font.setPixelSize(static_cast<int>(font.pixelSize() * larger));
    painter.setFont(font);
    painter.drawText(inner, texts ? Qt::AlignBottom | Qt::AlignHCenter : Qt::AlignCenter, medium);
    painter.restore();
}

QSize CoverTileDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {kTile, kTile + option.fontMetrics.height() * kTextLines + 6};
}

void CoverTileDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const QRect tile = option.rect.adjusted(3, 3, -3, -3);
    const int side = std::min(tile.width(), kTile - 6);
    const QRect picture(tile.left() + (tile.width() - side) / 2, tile.top(), side, side);
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        painter->fillRect(option.rect, option.palette.highlight());
    const QImage image = index.data(Qt::DecorationRole).value<QImage>();
    const QString artist = index.data(CoverWallModel::ArtistRole).toString();
    const QString title = index.data(CoverWallModel::TitleRole).toString();
    if (image.isNull()) {
        // The names stand under every tile already.
        paintPlaceholder(*painter, picture, artist, title,
                         index.data(CoverWallModel::MediumRole).toString(), false);
    } else {
        const QSize size = image.size().scaled(picture.size(), Qt::KeepAspectRatio);
        const QRect at(picture.left() + (picture.width() - size.width()) / 2,
                       picture.bottom() + 1 - size.height(), size.width(), size.height());
        painter->drawImage(at, image);
    }
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QFontMetrics& fm = option.fontMetrics;
    QRect line(tile.left(), picture.bottom() + 3, tile.width(), fm.height());
    painter->drawText(line, Qt::AlignHCenter, fm.elidedText(artist, Qt::ElideRight, line.width()));
    line.translate(0, fm.height());
    painter->drawText(line, Qt::AlignHCenter, fm.elidedText(title, Qt::ElideRight, line.width()));
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
    }
}

CoverWall::CoverWall(engine::Table& lydsam, TDataSource& source, CoverThumbs& thumbs,
                     std::function<void(const QString&)> search, std::function<void()> open,
                     QWidget* parent)
    : QWidget(parent, Qt::Window), lydsam_(lydsam), open_(std::move(open)) {
    setObjectName(QStringLiteral("Kansiseina"));
    setWindowTitle(QStringLiteral("Kansiseinä"));
    model_ = new CoverWallModel(lydsam, source, thumbs, this);
    view_ = new WallView(std::move(search), open_);
    view_->setObjectName(QStringLiteral("KansiseinaLista"));
    view_->setAccessibleName(QStringLiteral("Kansiseinä"));
    view_->setViewMode(QListView::ListMode);
    view_->setFlow(QListView::LeftToRight);
    view_->setWrapping(true);
    view_->setResizeMode(QListView::Adjust);
    view_->setMovement(QListView::Static);
    view_->setUniformItemSizes(true);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view_->setItemDelegate(new CoverTileDelegate(view_));
    view_->setModel(model_);
    view_->verticalScrollBar()->setSingleStep(CoverTileDelegate::kTile / 4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    resize(6 * CoverTileDelegate::kTile + 40, 3 * CoverTileDelegate::kTile + 120);
    connect(model_, &CoverWallModel::currentMoved, this, &CoverWall::followTable);
    connect(model_, &QAbstractItemModel::modelReset, this, &CoverWall::followTable);
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CoverWall::picked);
    connect(view_, &QAbstractItemView::doubleClicked, this, [this] { open_(); });
    followTable();
}

// The table's current release is the wall's, and the other way round.
void CoverWall::followTable() {
    const int row = lydsam_.isOpen() ? lydsam_.currentDisplayRow() : -1;
    if (row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex index = model_->index(row);
    if (view_->currentIndex() == index)
        return;
    following_ = true;
    view_->setCurrentIndex(index);
    view_->scrollTo(index);
    following_ = false;
}

void CoverWall::picked(const QModelIndex& index) {
    if (following_ || !index.isValid() || !lydsam_.isOpen())
        return;
    dbaware::guarded([&] { lydsam_.moveTo(index.row()); }, this);
}
