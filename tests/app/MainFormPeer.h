// The window's controls, for the tests that work them as a user would.
#pragma once

#include "app/MainForm.h"

namespace tervaline::app {

class TMainFormPeer {
public:
    explicit TMainFormPeer(TMainForm& form)
        : Form(form), lblFile(form.lblFile), btnFile(form.btnFile), lblFolder(form.lblFolder),
          btnFolder(form.btnFolder), lblTrash(form.lblTrash), lblDelimit(form.lblDelimit), edtTrash(form.edtTrash),
          rdgMode(form.rdgMode), rdgModeItem0(form.rdgModeItem0), rdgModeItem1(form.rdgModeItem1),
          rdgModeItem2(form.rdgModeItem2), lblBuffer(form.lblBuffer), cmbBuffer(form.cmbBuffer),
          lblUnit(form.lblUnit), lblStatusFix(form.lblStatusFix), lblStatus1(form.lblStatus1),
          lblStatus2(form.lblStatus2), ProgressBar(form.ProgressBar), btnStart(form.btnStart),
          btnAbort(form.btnAbort), btnClose(form.btnClose), lblOpenFolder(form.lblOpenFolder),
          actMbox(form.actMbox), actMboxAll(form.actMboxAll), actHashStore(form.actHashStore),
          edtFile(form.edtFile), edtFolder(form.edtFolder), edtTrashBase(form.edtTrashBase),
          FolderDlg(form.FolderDlg) {}

    const ui::TMainWindowModel& Model() const { return *Form.model_; }
    void ShowStatus(const ui::TStatusView& status) { Form.ShowStatus(status); }

    TMainForm& Form;
    QLabel* lblFile;
    QPushButton* btnFile;
    QLabel* lblFolder;
    QPushButton* btnFolder;
    QLabel* lblTrash;
    QLabel* lblDelimit;
    QLineEdit* edtTrash;
    QGroupBox* rdgMode;
    QRadioButton* rdgModeItem0;
    QRadioButton* rdgModeItem1;
    QRadioButton* rdgModeItem2;
    QLabel* lblBuffer;
    QComboBox* cmbBuffer;
    QLabel* lblUnit;
    QLabel* lblStatusFix;
    QLabel* lblStatus1;
    QLabel* lblStatus2;
    QProgressBar* ProgressBar;
    QPushButton* btnStart;
    QPushButton* btnAbort;
    QPushButton* btnClose;
    QLabel* lblOpenFolder;
    QAction* actMbox;
    QAction* actMboxAll;
    QAction* actHashStore;
    components::TDropEdit* edtFile;
    components::TDropEdit* edtFolder;
    components::TDropEdit* edtTrashBase;
    components::TFolderDlg* FolderDlg;
};

}  // namespace tervaline::app
