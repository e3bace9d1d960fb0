#pragma once
// What the two attach windows share about their buttons and keys: the browse buttons' picture,
// Enter for the focused button or OK, and an Esc that leaves the window open.

#include <QList>

class QKeyEvent;
class QPushButton;

namespace attach {

// The "..." picture at 16 x 16 on each browse button.
void setUpBrowseButtons(const QList<QPushButton*>& browseButtons);

// Without a mouse: Enter presses the button that has the focus, elsewhere OK, which starts
// disabled until there is something to attach.
void setUpEnterKeys(const QList<QPushButton*>& buttons, QPushButton* ok);

// True when the key is a plain Esc, which the window takes without closing: only Cancel and the
// close box close it.
bool takeEscape(QKeyEvent* event);

}  // namespace attach
