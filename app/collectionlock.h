#pragma once

#include <QString>

// Takes the collection lock of the data folder for the rest of the run, the one the window
// takes, so the tool never works on tables a window has open. Raises with the lock's message
// when another program holds it.
void takeCollectionLock(const QString& dataFolder);
