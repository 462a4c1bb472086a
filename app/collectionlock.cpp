#include "collectionlock.h"

#include "store/collectionlock.h"

#include <memory>
#include <stdexcept>

void takeCollectionLock(const QString& dataFolder) {
    // Held until the program ends; the system lets it go however the program ends.
    static std::unique_ptr<store::CollectionLock> lock;
    lock = std::make_unique<store::CollectionLock>(dataFolder.toStdString());
    if (lock->heldElsewhere())
        throw std::runtime_error("Kokoelma on jo avattu toisessa Levyholvi-ikkunassa.");
}
