#pragma once

#include <QImage>
#include <QWidget>

class QMimeData;

// The current release's cover in its panel, or a drawn sleeve when it has none. A picture
// dropped on it or pasted into it (Ctrl+V) is offered to the owner, who makes it the cover.
class CoverView : public QWidget {
    Q_OBJECT

public:
    explicit CoverView(QWidget* parent = nullptr);

    // cover null: the placeholder with these texts. No release: an empty panel.
    void showCover(const QImage& cover, const QString& artist, const QString& title,
                   const QString& medium);
    void showNoRelease();
    const QImage& cover() const { return cover_; }
    bool showsPlaceholder() const { return release_ && cover_.isNull(); }
    // What a drop or a paste of mime would give: a local file, else a picture; false if neither.
    bool offer(const QMimeData& mime);

signals:
    void fileGiven(const QString& path);
    void imageGiven(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static bool acceptable(const QMimeData& mime);

    QImage cover_;
    QString artist_, title_, medium_;
    bool release_ = false;
};
