// The main window's handlers: keyword list and its editor.
#include <QCursor>
#include <QListWidget>
#include <QMenu>

#include "AppFolder.h"
#include "Helpers.h"
#include "MsgBox.h"
#include "Shell.h"
#include "frmKeywords.h"
#include "frmVSL.h"

void frmVSL::cmdKeywords_Click() {
    // "Cancel" has no handler: choosing it only closes the menu.
    PopupMenu(mnuKeywords, QCursor::pos());
}

void frmVSL::mnuEditKeywords_Click() {
    if (lstKeywords->count() > 0) {
        QStringList items;
        for (int i = 0; i < lstKeywords->count(); ++i) items << lstKeywords->item(i)->text();
        vm::SaveList(items, frmKeywords::ExchangeFile());
    }
    frmKeywords editor(lstKeywords, this);
    editor.exec();
}

void frmVSL::mnuDeleteAllKeywords_Click() {
    if (lstKeywords->count() == 0) return;
    if (MsgBox(this, "Do you want to delete all the keywords?", "Confirm?", QMessageBox::Question,
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        lstKeywords->clear();
}
