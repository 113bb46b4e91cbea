// Widgets are created with the dialog as their parent, which deletes them.
#include "components/FolderBrowser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace tervaline::components {

TFolderBrowser::TFolderBrowser(QWidget* parent)
    : QDialog(parent),
      comment_(new QLabel(this)),
      model_(new QFileSystemModel(this)),
      tree_(new QTreeView(this)),
      status_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setModal(true);
    comment_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot | QDir::Hidden);
    model_->setReadOnly(true);
    // The whole file system from its roots down, as the system's own folder
    // browser offers it.
    model_->setRootPath(QString());
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(comment_);
    layout->addWidget(tree_, 1);
    layout->addWidget(status_);
    layout->addWidget(buttons_);
    resize(360, 420);

    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { HighlightChanged(current); });
    HighlightChanged(QModelIndex());
}

void TFolderBrowser::SetComment(const QString& comment) { comment_->setText(comment); }

QString TFolderBrowser::Comment() const { return comment_->text(); }

void TFolderBrowser::SetButtonCaptions(const QString& ok, const QString& cancel) {
    if (!ok.isEmpty()) buttons_->button(QDialogButtonBox::Ok)->setText(ok);
    if (!cancel.isEmpty()) buttons_->button(QDialogButtonBox::Cancel)->setText(cancel);
}

QString TFolderBrowser::ButtonCaption(bool ok) const {
    return buttons_->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->text();
}

bool TFolderBrowser::SelectFolder(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isDir()) return false;
    const QModelIndex index = model_->index(QDir::cleanPath(QDir(path).absolutePath()));
    if (!index.isValid()) return false;
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
    return true;
}

QString TFolderBrowser::SelectedPath() const {
    const QModelIndex index = tree_->currentIndex();
    if (!index.isValid()) return {};
    return QDir::toNativeSeparators(model_->filePath(index));
}

QString TFolderBrowser::SelectedDisplayName() const {
    const QModelIndex index = tree_->currentIndex();
    return index.isValid() ? model_->fileName(index) : QString();
}

QString TFolderBrowser::StatusText() const { return status_->text(); }

void TFolderBrowser::HighlightChanged(const QModelIndex& current) {
    const bool isFolder = current.isValid() && model_->isDir(current);
    status_->setText(isFolder ? QDir::toNativeSeparators(model_->filePath(current)) : QString());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(isFolder);
}

}  // namespace tervaline::components
