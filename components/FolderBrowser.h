// TFolderBrowser: the modal folder-choosing dialog behind TFolderDlg. A
// comment above a tree of the file system's folders, a status line with the
// full path of the highlighted folder, OK and Cancel. Only folders can be
// chosen, and OK is enabled only while one is highlighted.
#pragma once

#include <QDialog>
#include <QString>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QModelIndex;
class QTreeView;

namespace tervaline::components {

class TFolderBrowser : public QDialog {
    Q_OBJECT

public:
    explicit TFolderBrowser(QWidget* parent = nullptr);

    void SetComment(const QString& comment);
    QString Comment() const;

    // Captions of OK and Cancel; an empty one keeps the toolkit's own.
    void SetButtonCaptions(const QString& ok, const QString& cancel);
    QString ButtonCaption(bool ok) const;

    // Highlights the folder at Path and opens the tree down to it; returns
    // false, changing nothing, when Path names no folder.
    bool SelectFolder(const QString& path);

    // The highlighted folder's full path in native form ("C:\", "/home/ann"),
    // and its name as the tree shows it; empty when nothing is highlighted.
    QString SelectedPath() const;
    QString SelectedDisplayName() const;
    QString StatusText() const;

    QTreeView* Tree() const { return tree_; }
    QFileSystemModel* Model() const { return model_; }

private:
    void HighlightChanged(const QModelIndex& current);

    QLabel* comment_;
    QFileSystemModel* model_;
    QTreeView* tree_;
    QLabel* status_;
    QDialogButtonBox* buttons_;
};

}  // namespace tervaline::components
