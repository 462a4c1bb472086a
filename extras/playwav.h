#pragma once

#include <QObject>
#include <QString>

class QSoundEffect;

// Plays a wave file in the background. Play returns at once and never reports a failure:
// no sound device, a missing or unreadable file simply give silence.
class TPlayWav : public QObject {
    Q_OBJECT

public:
    static constexpr int MaxNameLength = 250; // characters

    explicit TPlayWav(QObject* parent = nullptr);

    // Plays the file if its name qualifies, replacing a sound still playing. A relative name is
    // taken against the process's current folder at the time of the call.
    void Play(const QString& fileName);

    // A name qualifies when its extension is ".wav" in any letter case and it has at most
    // MaxNameLength characters.
    static bool qualifies(const QString& fileName);

private:
    QSoundEffect* effect_ = nullptr; // made on first use
};
