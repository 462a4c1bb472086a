#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

class CoverThumbs;
class TDataSource;
namespace engine {
class Table;
}

// The releases of the current order and selection, one item each: artist, title, medium and
// the cover's thumbnail (null until made, or when there is none).
class CoverWallModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { NumRole = Qt::UserRole + 1, ArtistRole, TitleRole, MediumRole, HasCoverRole };
    CoverWallModel(engine::Table& lydsam, TDataSource& source, CoverThumbs& thumbs,
                   QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

signals:
    void currentMoved(); // the table's current release changed

private:
    void tableChanged();

    engine::Table& lydsam_;
    CoverThumbs& thumbs_;
    int rows_ = 0;
    QTimer repaint_; // thumbnails arriving are shown together
};

// Paints a tile: the thumbnail, or a drawn sleeve with the medium, and artist and title under it.
class CoverTileDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int kTile = 176;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// A drawn sleeve for a release without a cover: artist, title and medium (only the medium
// without texts) on the artist's own colour.
void paintPlaceholder(QPainter& painter, const QRect& rect, const QString& artist,
                      const QString& title, const QString& medium, bool texts = true);

// "Kansiseinä": the wall of covers. A click makes a release current, typing jumps as the artist
// search does, Enter (or a double click) opens the registration page.
class CoverWall : public QWidget {
    Q_OBJECT

public:
    CoverWall(engine::Table& lydsam, TDataSource& source, CoverThumbs& thumbs,
              std::function<void(const QString&)> search, std::function<void()> open,
              QWidget* parent = nullptr);

    QListView* view() const { return view_; }
    CoverWallModel* model() const { return model_; }

private:
    void followTable();
    void picked(const QModelIndex& index);

    engine::Table& lydsam_;
    std::function<void()> open_;
    CoverWallModel* model_;
    QListView* view_;
    bool following_ = false;
};
