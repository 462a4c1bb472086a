#include "aboutbox.h"

#include "effectlabel.h"
#include "platform/memorystatus.h"

#include "levyholvi_version.h"

#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>

namespace {

QFont sans(int pixels, bool bold = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(at);
    l->adjustSize();
    return l;
}

// The program icon: a record with an aqua label, 32 x 32.
QPixmap programIconPixmap() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 24));
    p.drawEllipse(QPointF(16, 16), 15, 15);
    p.setPen(QPen(QColor(80, 80, 90), 0.7));
    p.setBrush(Qt::NoBrush);
    for (qreal r = 13; r > 7; r -= 2)
        p.drawEllipse(QPointF(16, 16), r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 255, 255));
    p.drawEllipse(QPointF(16, 16), 6, 6);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(16, 16), 1.5, 1.5);
    return pm;
}

// The mascot's portrait: a record with headphones and a smile, 231 x 285 as stored.
QPixmap mascotPortrait() {
    QPixmap pm(231, 285);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, 285);
    bg.setColorAt(0, QColor(255, 230, 250));
    bg.setColorAt(1, QColor(128, 0, 128));
    p.fillRect(pm.rect(), bg);
    const QPointF c(115, 150);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 25, 30));
    p.drawEllipse(c, 90, 90);
    p.setPen(QPen(QColor(70, 70, 80), 1.2));
    p.setBrush(Qt::NoBrush);
    for (qreal r = 84; r > 40; r -= 5)
        p.drawEllipse(c, r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 220, 0));
    p.drawEllipse(c, 36, 36);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(102, 140), 5, 7);
    p.drawEllipse(QPointF(128, 140), 5, 7);
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(97, 138, 36, 28), 200 * 16, 140 * 16);
    p.setPen(QPen(QColor(128, 0, 128), 10, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(20, 40, 190, 190), 20 * 16, 140 * 16); // headphone band
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 0, 128));
    p.drawRoundedRect(QRectF(8, 120, 26, 60), 10, 10);
    p.drawRoundedRect(QRectF(197, 120, 26, 60), 10, 10);
    return pm;
}

} // namespace

TOrvena::TOrvena(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Orvena"));
    setWindowTitle(QStringLiteral("Info"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(389, 225);
    setFont(sans(11));
    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    setPalette(black);

    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(programIconPixmap());
    ProgramIcon->setGeometry(24, 28, 32, 32);
    ProgramIcon->installEventFilter(this);

    QLabel* title = label(this, "Label1", QStringLiteral("Levyholvi"), {93, 10});
    title->setFont(sans(32));
    QPalette fuchsia = title->palette();
    fuchsia.setColor(QPalette::WindowText, QColor(255, 0, 255));
    title->setPalette(fuchsia);
    title->adjustSize();
    label(this, "Label13", QStringLiteral("Versio " LEVYHOLVI_VERSION), {176, 45});
    label(this, "Label2", QStringLiteral("Levyholvin tekijät"), {121, 69});
    label(this, "Label5", QStringLiteral("levyholvi@example.org"), {160, 88});
    label(this, "Label6", QStringLiteral("https://levyholvi.example.org"), {152, 104});
    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(89, 129, 256, 2);
    label(this, "Label3", QStringLiteral("Asennettu muisti"), {89, 145});
    PhysMem = label(this, "PhysMem", QStringLiteral("0"), {283, 145});
    label(this, "Label4", QStringLiteral("Muisti käytössä"), {89, 167});
    FreeRes = label(this, "FreeRes", QStringLiteral("0"), {284, 167});

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(172, 190, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TOrvena::OKButtonClick);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(10, 15, 369, 169);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setAutoFillBackground(true);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(6, 6, 121, 153);
    Image1->setScaledContents(true);
    Image1->setPixmap(mascotPortrait());
    QLabel* heading = label(Panel1, "Label7", QStringLiteral("Levy-Leevi"), {144, 8});
    heading->setFont(sans(32, true));
    QPalette purple = heading->palette();
    purple.setColor(QPalette::WindowText, QColor(128, 0, 128));
    heading->setPalette(purple);
    heading->adjustSize();
    label(Panel1, "Label8", QStringLiteral("Syntynyt 33⅓ kierroksella minuutissa"), {144, 40});
    label(Panel1, "Label9", QStringLiteral("Levyholvin nimi syntyi, kun levyt"), {144, 60});
    label(Panel1, "Label10", QStringLiteral("eivät enää mahtuneet hyllyyn, vaan"), {144, 76});
    label(Panel1, "Label11", QStringLiteral("tarvittiin oikea holvi."), {144, 92});
    label(Panel1, "Label12", QStringLiteral("Leevi"), {304, 136});
    auto* motto = new TEffectLabel(Panel1);
    motto->setObjectName(QStringLiteral("EffectLabel1"));
    motto->setGeometry(164, 58, 142, 100);
    QFont serif(QStringLiteral("Liberation Serif"));
    serif.setPixelSize(19);
    motto->setFont(serif);
    motto->setTransparent(true);
    // The scheme first: choosing one replaces the three colours, so the label's own
    // highlight and face colours come after it.
    motto->setColourScheme(TEffectLabel::csGold);
    motto->setEffectStyle(TEffectLabel::esCustom);
    motto->setDepthHighlight(0);
    motto->setColourHighlight(QColor(255, 255, 0));
    motto->setFontColor(QColor(128, 0, 128));
    motto->setAngle(12);
    motto->setText(QStringLiteral("Play It Loud Now"));
    for (QWidget* w : Panel1->findChildren<QWidget*>())
        w->setAttribute(Qt::WA_TransparentForMouseEvents); // the panel reacts to nothing
    Panel1->hide();

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
}

QString TOrvena::installedMemoryText(quint64 kilobytes, const QLocale& locale) {
    // A locale without grouping (C, POSIX) would show one long run of digits.
    const bool groups = locale.language() != QLocale::C && !locale.groupSeparator().isEmpty() &&
                        !(locale.numberOptions() & QLocale::OmitGroupSeparator);
    const QLocale shown = groups ? locale : QLocale(QLocale::English, QLocale::UnitedStates);
    return shown.toString(kilobytes) + QStringLiteral(" KB");
}

QString TOrvena::memoryLoadText(int percent) {
    return QString::asprintf("%d %%", percent);
}

void TOrvena::FormCreate() {
    const platform::MemoryStatus status = platform::memoryStatus();
    PhysMem->setText(installedMemoryText(status.totalPhysicalKb, QLocale()));
    PhysMem->adjustSize();
    FreeRes->setText(memoryLoadText(status.memoryLoadPercent));
    FreeRes->adjustSize();
}

void TOrvena::OKButtonClick() {
    reject();
}

void TOrvena::showPanel(bool on) {
    Panel1->setVisible(on);
}

bool TOrvena::onSurface(const QPoint& pos) const {
    return childAt(pos) == nullptr;
}

void TOrvena::ProgramIconMouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton)
        showPanel(true);
}

void TOrvena::FormMouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton)
        showPanel(!Panel1->isVisible());
}

void TOrvena::FormClick() {
    showPanel(false);
}

void TOrvena::mousePressEvent(QMouseEvent* event) {
    // Presses on labels and other controls reach here too; only the bare surface counts.
    pressedOnSurface_ = onSurface(event->position().toPoint());
    if (pressedOnSurface_)
        FormMouseDown(event->button());
    event->accept();
}

void TOrvena::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressedOnSurface_ &&
        onSurface(event->position().toPoint()))
        FormClick();
    pressedOnSurface_ = false;
    event->accept();
}

bool TOrvena::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ProgramIcon && event->type() == QEvent::MouseButtonPress) {
        ProgramIconMouseDown(static_cast<QMouseEvent*>(event)->button());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
