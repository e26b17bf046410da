#include "app/desktop/file_edit.h"

#include <QAction>
#include <QFileDialog>
#include <QStyle>

namespace tarn::desktop {

FileEdit::FileEdit(QWidget* parent) : QLineEdit(parent) {
    m_browse = addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
    m_browse->setToolTip(tr("Browse"));
    connect(m_browse, &QAction::triggered, this, &FileEdit::Browse);
}

void FileEdit::SetBrowse(const QStringList& nameFilters, const QString& defaultSuffix) {
    m_nameFilters = nameFilters;
    m_defaultSuffix = defaultSuffix;
}

void FileEdit::Browse() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(m_nameFilters);
    dialog.setDefaultSuffix(m_defaultSuffix);
    if (!text().isEmpty()) dialog.selectFile(text());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    setText(dialog.selectedFiles().first());
}

}  // namespace tarn::desktop
