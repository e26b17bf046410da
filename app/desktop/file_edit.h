#pragma once
// An edit field with a file-browse button at its right end. The button opens
// the file dialog with the field's filter and default extension; the file
// chosen becomes the field's text, as typing it would.
#include <QLineEdit>
#include <QStringList>

class QAction;

namespace tarn::desktop {

class FileEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FileEdit(QWidget* parent = nullptr);

    void SetBrowse(const QStringList& nameFilters, const QString& defaultSuffix);
    QAction* BrowseAction() const { return m_browse; }
    // Runs the file dialog modally.
    void Browse();

private:
    QAction* m_browse;
    QStringList m_nameFilters;
    QString m_defaultSuffix;
};

}  // namespace tarn::desktop
