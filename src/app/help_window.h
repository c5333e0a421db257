// The Help window and the About box that the windows' Help menus open.
#pragma once

#include <QString>

class QTextBrowser;
class QWidget;

namespace ss {

// The help text as HTML: opening images, the keys of every window, what each
// field of the main window means and a colour legend for each window. Each
// window's section is anchored by the window's object name ("Mainform",
// "form1", "form2", "formContents"); the colours are the ones the windows draw with.
QString HelpHtml();

// Shows the program's one help window at the section of `window`, making it
// on first use as a window of its own that `window` owns; returns its text
// browser.
QTextBrowser* ShowHelp(QWidget* window);

// The About box's text: the program's name and version and what it does.
QString AboutText();
void ShowAbout(QWidget* parent);

} // namespace ss
