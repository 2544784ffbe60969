#pragma once

// Looks at a window as a user sees it: every visible control has room, lies inside the visible
// part of its page, shows its whole text and is drawn at all (its area of a grab of the window is
// not one flat colour). Also writes the grabs as pictures when ZQN_SCREENSHOTS names a folder.

#include <QString>
#include <QStringList>

class QWidget;

struct TLayoutFindings {
  QStringList Faults;  // "window / page: control: what is wrong"
  int Checked = 0;     // controls looked at
};

// Checks every visible control of `window` (already shown and laid out). `where` names the window
// and page in the faults; `shot` names the picture written for ZQN_SCREENSHOTS (none when empty).
TLayoutFindings CheckLayout(QWidget* window, const QString& where, const QString& shot = {});
