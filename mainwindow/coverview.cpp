#include "coverview.h"

#include "coverwall.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace {

// A local file named by the mime data: a file URL, or a path pasted as text.
QString localFile(const QMimeData& mime) {
    for (const QUrl& url : mime.urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    if (mime.hasText()) {
        const QString text = mime.text().trimmed();
        const QUrl url(text);
        const QString path = url.isLocalFile() ? url.toLocalFile() : text;
        if (!path.contains(QLatin1Char('\n')) && QFileInfo(path).isAbsolute() &&
            QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace

CoverView::CoverView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Kansikuva"));
    setAccessibleName(QStringLiteral("Kansikuva"));
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setMinimumSize(160, 160);
}

void CoverView::showCover(const QImage& cover, const QString& artist, const QString& title,
                          const QString& medium) {
    cover_ = cover;
    artist_ = artist;
    title_ = title;
    medium_ = medium;
    release_ = true;
    setToolTip(artist + QLatin1Char('\n') + title);
    update();
}

void CoverView::showNoRelease() {
    cover_ = QImage();
    release_ = false;
    setToolTip({});
    update();
}

void CoverView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int side = std::min(width(), height()) - 8;
    if (!release_ || side <= 0)
        return;
    if (cover_.isNull()) {
        const QRect square((width() - side) / 2, 4, side, side);
        paintPlaceholder(painter, square, artist_, title_, medium_);
    } else {
        const QSize size = cover_.size().scaled(width() - 8, height() - 8, Qt::KeepAspectRatio);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint((width() - size.width()) / 2, 4), size), cover_);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

bool CoverView::acceptable(const QMimeData& mime) {
    return mime.hasImage() || !localFile(mime).isEmpty();
}

bool CoverView::offer(const QMimeData& mime) {
    if (const QString file = localFile(mime); !file.isEmpty()) {
        emit fileGiven(file);
        return true;
    }
    if (mime.hasImage()) {
        const QImage image = qvariant_cast<QImage>(mime.imageData());
        if (!image.isNull()) {
            emit imageGiven(image);
            return true;
        }
    }
    return false;
}

void CoverView::dragEnterEvent(QDragEnterEvent* event) {
    if (release_ && event->mimeData() && acceptable(*event->mimeData()))
        event->acceptProposedAction();
}

void CoverView::dropEvent(QDropEvent* event) {
    if (release_ && event->mimeData() && offer(*event->mimeData()))
        event->acceptProposedAction();
}

void CoverView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        const QMimeData* mime = QApplication::clipboard()->mimeData();
        if (release_ && mime)
            offer(*mime);
        return;
    }
    QWidget::keyPressEvent(event);
}
