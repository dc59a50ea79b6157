// The main window's handlers: ad-copy editing.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextCursor>
#include <QTextEdit>

#include "Controls.h"
#include "frmVSL.h"

namespace {
// Puts text in place of the selection, or at the caret when nothing is selected.
void InsertAtCaret(QTextEdit* box, const QString& text) {
    QTextCursor cursor = box->textCursor();
    cursor.insertText(text);
    box->setTextCursor(cursor);
}
}  // namespace

int frmVSL::CurrentAdCopy() {
    for (int i = 0; i < 4; ++i)
        if (!vAdCopy[i]->NotSelected()) return i;
    return 0;
}

void frmVSL::Label19_Click() {
    // Through the editor's own undo history, so Ctrl+Z brings the text back.
    QTextEdit* page = txtArticle[CurrentAdCopy()];
    QTextCursor cursor(page->document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}

void frmVSL::Label20_Click() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return;  // pictures and files insert nothing
    const QString text = data->text();
    if (text.isEmpty()) return;
    InsertAtCaret(txtArticle[CurrentAdCopy()], text);
}

void frmVSL::Label31_Click() {
    InsertAtCaret(txtArticle[CurrentAdCopy()], "#KEYWORD#");
}
