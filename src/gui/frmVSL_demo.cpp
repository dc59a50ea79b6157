// The main window's handlers: demo project.
#include <QLabel>
#include <QListWidget>
#include <QTextEdit>

#include "Controls.h"
#include "DemoProject.h"
#include "Helpers.h"
#include "MsgBox.h"
#include "frmVSL.h"

// Loads the ready-made example: the sample ad copy, keywords and pictures in
// place of the project's (the other ad-copy pages are emptied, so nothing of
// the old project is narrated in the demo's videos). Missing files give an
// empty ad copy or keyword list; the loaders decide that.
void frmVSL::cmdCreateDemoProject_Click() {
    const auto answer =
        MsgBox(this,
               "Warning: If you're working on a project, your changes will be "
               "lost. Do you want to go on?",
               "Confirm", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) return;

    lstKeywords->clear();
    txtArticle[0]->setPlainText(vm::LoadText(vm::DemoContentPath()));
    for (int i = 1; i < 4; ++i) txtArticle[i]->clear();
    lstKeywords->addItems(vm::LoadList(vm::DemoKeywordsPath()));
    lstTo->clear();
    lblImagesCount->setText("0");
    // A new project that is not saved anywhere yet.
    projectPath_.clear();
    MarkModified();
    UpdateTitle();

    // The folder change refills lstFrom through Dir1_Change. When the folder
    // cannot be opened we stop here: "Add All" would otherwise append the
    // pictures of whatever folder the browser still shows.
    const QString folder = vm::DemoImagesFolder();
    if (!SetDrivePath(folder) || !Dir1->setPath(folder)) return;
    Dir1->Refresh();
    Command6_Click();
}
