#pragma once
// The application's icon (the main window's and the about box's), drawn at the
// size asked for.
#include <QIcon>
#include <QPixmap>

namespace tarn::desktop {

QPixmap ApplicationIconPixmap(int size);
QIcon ApplicationIcon();

}  // namespace tarn::desktop
