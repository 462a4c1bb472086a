#include "unsavedinput.h"

#include "dbaware/errorbox.h"

#include <QFile>

#include <cstdio>
#include <stdexcept>

namespace unsavedinput {

namespace {

// Fields the window labels by another name.
QString caption(const QString& field) {
    if (field == QLatin1String("Pris"))
        return QStringLiteral("Hinta");
    if (field == QLatin1String("Nummer"))
        return QStringLiteral("Kappaleet");
    return field;
}

} // namespace

QString line(const dbaware::RefusedInput::Entry& entry) {
    QString out = caption(entry.field) + QStringLiteral(": ");
    if (!entry.message.contains(entry.text))
        out += QLatin1Char('\'') + entry.text + QStringLiteral("': ");
    out += dbaware::errorBoxText(entry.message);
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out;
}

void keep(const QString& dataFolder, const QList<dbaware::RefusedInput::Entry>& entries) {
    QByteArray lines;
    for (const auto& entry : entries) {
        const QString text = line(entry);
        std::fprintf(stderr, "levyholvi: %s\n", text.toLocal8Bit().constData());
        lines += text.toUtf8() + '\n';
    }
    if (lines.isEmpty())
        return;
    const QString path = dataFolder + QLatin1String(kFileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(lines) != lines.size() ||
        !file.flush())
        throw std::runtime_error(
            QStringLiteral("Cannot write '%1': %2").arg(path, file.errorString()).toStdString());
}

void showKept(const QString& dataFolder, QWidget* parent) {
    const QString path = dataFolder + QLatin1String(kFileName);
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        dbaware::showErrorBox(QStringLiteral("Cannot read '%1': %2").arg(path, file.errorString()),
                              parent);
        return;
    }
    const QString kept = QString::fromUtf8(file.readAll()).trimmed();
    file.close();
    dbaware::showMessage(
        QStringLiteral("Edellisen istunnon lopussa näitä arvoja ei voitu tallentaa:\n") + kept,
        parent);
    if (!file.remove())
        dbaware::showErrorBox(
            QStringLiteral("Cannot remove '%1': %2").arg(path, file.errorString()), parent);
}

} // namespace unsavedinput
