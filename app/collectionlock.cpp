#include "collectionlock.h"

// The collection lock is not part of this build yet; once it is, this takes it and keeps it
// until the program ends.
void takeCollectionLock(const QString& dataFolder) {
    (void)dataFolder;
}
