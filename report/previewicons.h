#pragma once

#include <QIcon>
#include <QString>

// The preview's button pictures, drawn here: REPZOOMTOFITBITMAP, REPZOOMTO100BITMAP,
// REPZOOMTOWIDTHBITMAP, REPFIRSTPAGEBITMAP, REPPREVPAGEBITMAP, REPNEXTPAGEBITMAP,
// REPLASTPAGEBITMAP, REPPRINTSETUPBITMAP, REPPRINTBITMAP, REPSAVEBITMAP, REPOPENBITMAP.
namespace report {

QIcon previewIcon(const QString& name); // a null icon for an unknown name

} // namespace report
