#pragma once
// Texts between the dialogs' UTF-16 strings and Qt, and the dialogs' file
// filters ("Name|*.ext||") as Qt's name filters.
#include <QString>
#include <QStringList>
#include <string>

namespace tarn::desktop {

inline QString ToQt(const std::u16string& text) { return QString::fromStdU16String(text); }
inline std::u16string FromQt(const QString& text) { return text.toStdU16String(); }

// "Kestrel Image|*.tkw||" gives "Kestrel Image (*.tkw)"; a name that already
// shows its patterns ("Kestrel img (*.tkw)") stays as it is. Several patterns
// ("*.a;*.b") are separated by blanks, as Qt writes them.
QStringList ToQtNameFilters(const std::u16string& filter);

// A default extension as Qt's default suffix: without a leading "*" or ".".
QString ToQtDefaultSuffix(const std::u16string& extension);

}  // namespace tarn::desktop
