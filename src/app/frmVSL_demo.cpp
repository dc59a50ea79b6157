// The main window's handlers: demo project.
#include <QListWidget>
#include <QTextEdit>

#include "Controls.h"
#include "DemoProject.h"
#include "Helpers.h"
#include "MsgBox.h"
#include "frmVSL.h"

// Loads the ready-made example: the sample ad copy into the first page, the
// sample keywords, and the sample pictures appended to the slides. Missing
// files give an empty ad copy or keyword list; the loaders decide that.
void frmVSL::cmdCreateDemoProject_Click() {
    const auto answer =
        MsgBox(this,
               "Warning: If you're working on a project, your changes will be "
               "lost. Do you want to go on?",
               "Confirm", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) return;

    lstKeywords->clear();
    txtArticle[0]->setPlainText(vm::LoadText(vm::DemoContentPath()));
    lstKeywords->addItems(vm::LoadList(vm::DemoKeywordsPath()));

    // The folder change refills lstFrom through Dir1_Change. When the folder
    // cannot be opened we stop here: "Add All" would otherwise append the
    // pictures of whatever folder the browser still shows.
    const QString folder = vm::DemoImagesFolder();
    if (!SetDrivePath(folder) || !Dir1->setPath(folder)) return;
    Dir1->Refresh();
    Command6_Click();
}
