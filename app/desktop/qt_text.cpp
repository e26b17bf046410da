#include "app/desktop/qt_text.h"

namespace tarn::desktop {

QStringList ToQtNameFilters(const std::u16string& filter) {
    const QStringList parts = ToQt(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        const QString shown = u'(' + patterns + u')';
        filters << (parts[i].contains(shown) ? parts[i] : parts[i] + u' ' + shown);
    }
    return filters;
}

QString ToQtDefaultSuffix(const std::u16string& extension) {
    QString suffix = ToQt(extension);
    while (suffix.startsWith(u'*') || suffix.startsWith(u'.')) suffix.remove(0, 1);
    return suffix;
}

}  // namespace tarn::desktop
