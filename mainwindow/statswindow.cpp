#include "statswindow.h"

#include "dbaware/errorbox.h"
#include "stats/figurestext.h"

#include <QBarCategoryAxis>

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <stdexcept>

std::function<QString(const QString&)> StatsWindow::pathChooser;

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

struct Bars {
    QStringList names; // as shown
    QStringList keys;  // what a click picks
    QList<qreal> values;
};

Bars bars(const std::vector<stats::Count>& counts) {
    Bars b;
    for (const stats::Count& c : counts) {
        b.names << q(c.name);
        b.values << static_cast<qreal>(c.n);
    }
    b.keys = b.names;
    return b;
}

} // namespace

StatsWindow::StatsWindow(std::function<Job(bool)> job,
                         std::function<void(Chart, const QString&)> picked, QWidget* parent)
    : QWidget(parent, Qt::Window), job_(std::move(job)), picked_(std::move(picked)),
      selectionOnly_(new QCheckBox(QStringLiteral("&Vain valitut levyt"), this)),
      totals_(new QLabel(this)), charts_(new QTabWidget(this)), debounce_(new QTimer(this)) {
    setObjectName(QStringLiteral("Tilastot"));
    setWindowTitle(QStringLiteral("Tilastot"));
    auto* save = new QPushButton(QStringLiteral("&Tallenna kuva..."), this);
    auto* top = new QHBoxLayout;
    top->addWidget(selectionOnly_);
    top->addStretch();
    top->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(totals_);
    layout->addWidget(charts_, 1);
    const std::pair<Chart, const char*> charts[] = {
        {Chart::Media, "Media"},           {Chart::Genres, "Musiikkityypit"},
        {Chart::Decades, "Vuosikymmenet"}, {Chart::Bought, "Hankinnat"},
        {Chart::Growth, "Kasvu"},          {Chart::Value, "Arvo"},
        {Chart::Artists, "Taiteilijat"},   {Chart::Players, "Muusikot"},
        {Chart::Instruments, "Soittimet"}};
    for (const auto& [chart, title] : charts)
        addChart(chart, QString::fromUtf8(title));
    debounce_->setSingleShot(true);
    debounce_->setInterval(300);
    connect(debounce_, &QTimer::timeout, this, &StatsWindow::refresh);
    connect(selectionOnly_, &QCheckBox::toggled, this, &StatsWindow::refresh);
    connect(save, &QPushButton::clicked, this, [this] {
        const QString suggested =
            charts_->tabText(charts_->currentIndex()) + QStringLiteral(".png");
        const QString path =
            pathChooser
                ? pathChooser(suggested)
                : QFileDialog::getSaveFileName(this, QStringLiteral("Tallenna kuva"), suggested,
                                               QStringLiteral("PNG (*.png);;SVG (*.svg)"));
        if (!path.isEmpty())
            saveChart(path);
    });
    resize(760, 520);
}

void StatsWindow::addChart(Chart chart, const QString& title) {
    auto* view = new QChartView(new QChart, charts_);
    view->setObjectName(title);
    view->setRenderHint(QPainter::Antialiasing);
    view->chart()->legend()->hide();
    view->setProperty("chart", static_cast<int>(chart));
    charts_->addTab(view, title);
}

void StatsWindow::collectionChanged() {
    if (isVisible())
        debounce_->start();
}

StatsWindow::~StatsWindow() {
    if (counting_.valid())
        counting_.wait();
}

void StatsWindow::refresh() {
    if (counting_.valid()) {
        again_ = true;
        return;
    }
    if (figures_ == stats::Figures{})
        totals_->setText(QStringLiteral("Lasketaan..."));
    // The job is made here (it may read the window's view); the counting holds the tables'
    // gates, so a change made meanwhile waits for it, or rather makes it give up.
    counting_ = std::async(std::launch::async, [this, job = job_(selectionOnly_->isChecked())] {
        try {
            figures_ = job();
        } catch (...) {
            failed_ = std::current_exception();
        }
        QMetaObject::invokeMethod(this, &StatsWindow::counted, Qt::QueuedConnection);
    });
}

void StatsWindow::counted() {
    counting_.get();
    const std::exception_ptr failed = std::exchange(failed_, nullptr);
    if (std::exchange(again_, false)) {
        refresh();
        return;
    }
    try {
        if (failed)
            std::rethrow_exception(failed);
        fill(figures_);
    } catch (const stats::Cancelled&) {
        debounce_->start(); // the change that came has its own refresh coming, but be sure
    } catch (const std::exception& e) {
        dbaware::showErrorBox(QString::fromUtf8(e.what()), this);
    }
}

void StatsWindow::fill(const stats::Figures& f) {
    const QLocale locale;
    totals_->setText(QStringLiteral("Levyjä %1, kappaleita %2, muusikkomerkintöjä %3, arvo %4, "
                                    "kappaleita ilman levyä %5")
                         .arg(f.releases)
                         .arg(f.tracks)
                         .arg(f.credits)
                         .arg(locale.toCurrencyString(f.value))
                         .arg(f.tracksWithoutRelease));
    for (int i = 0; i < charts_->count(); ++i) {
        auto* view = static_cast<QChartView*>(charts_->widget(i));
        const auto chart = static_cast<Chart>(view->property("chart").toInt());
        Bars b;
        switch (chart) {
        case Chart::Media:
            b = bars(f.perMedium);
            break;
        case Chart::Genres:
            b = bars(f.perGenre);
            break;
        case Chart::Decades:
            b = bars(f.perDecade);
            break;
        case Chart::Bought:
            b = bars(f.boughtPerYear);
            break;
        case Chart::Growth:
            b = bars(f.growth);
            break;
        case Chart::Value:
            for (const stats::Amount& a : f.valuePerMedium) {
                b.names << q(a.name);
                b.values << a.value;
            }
            b.keys = b.names;
            break;
        case Chart::Artists:
            b = bars(f.topArtists);
            break;
        case Chart::Players:
            for (const stats::Player& p : f.topPlayers) {
                b.names << stats::playerLabel(p);
                b.keys << q(p.name);
                b.values << static_cast<qreal>(p.tracks);
            }
            break;
        case Chart::Instruments:
            b = bars(f.topInstruments);
            break;
        }
        QChart* c = view->chart();
        c->removeAllSeries();
        for (QAbstractAxis* axis : c->axes()) {
            c->removeAxis(axis); // which hands the axis back to us
            delete axis;
        }
        const bool lists =
            chart == Chart::Artists || chart == Chart::Players || chart == Chart::Instruments;
        auto* set = new QBarSet(charts_->tabText(i));
        set->append(b.values);
        auto* categories = new QBarCategoryAxis;
        categories->setTruncateLabels(false); // a name cut to "..." says nothing
        auto* values = new QValueAxis;
        values->setLabelFormat(QStringLiteral("%.0f"));
        if (lists) {
            // Largest at the top: the axis runs upwards.
            std::reverse(b.names.begin(), b.names.end());
            std::reverse(b.keys.begin(), b.keys.end());
            std::reverse(b.values.begin(), b.values.end());
            set->remove(0, set->count());
            set->append(b.values);
            auto* series = new QHorizontalBarSeries;
            series->append(set);
            c->addSeries(series);
            categories->append(b.names);
            c->addAxis(categories, Qt::AlignLeft);
            c->addAxis(values, Qt::AlignBottom);
            series->attachAxis(categories);
            series->attachAxis(values);
            if (!b.values.isEmpty()) // an empty chart has no range to round
                values->applyNiceNumbers();
        } else {
            auto* series = new QBarSeries;
            series->append(set);
            c->addSeries(series);
            categories->append(b.names);
            c->addAxis(categories, Qt::AlignBottom);
            c->addAxis(values, Qt::AlignLeft);
            series->attachAxis(categories);
            series->attachAxis(values);
            if (!b.values.isEmpty()) // an empty chart has no range to round
                values->applyNiceNumbers();
        }
        connect(set, &QBarSet::clicked, this, [this, chart, keys = b.keys](int index) {
            if (index >= 0 && index < keys.size() && picked_)
                picked_(chart, keys.at(index));
        });
    }
}

void StatsWindow::saveChart(const QString& path) const {
    auto* view = static_cast<QChartView*>(charts_->currentWidget());
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(view->size());
        svg.setViewBox(view->rect());
        svg.setTitle(charts_->tabText(charts_->currentIndex()));
        QPainter painter(&svg);
        view->render(&painter);
        if (!painter.end())
            throw std::runtime_error("Kuvaa ei voitu tallentaa: " + path.toStdString());
    } else if (!view->grab().save(path)) {
        throw std::runtime_error("Kuvaa ei voitu tallentaa: " + path.toStdString());
    }
}
