#pragma once

class QString;
class QWidget;

// What every window of the program does for users without a mouse and for screen readers,
// given to a window in one call once its controls exist:
// - the Menu key and Shift+F10 open the context menu of the control with the focus, at its
//   current item (a grid's current cell, a text's cursor), as a right click there would;
// - Escape closes the window if asked for (a QDialog closes itself on Escape already; a main
//   window does not close on it);
// - Enter in a dialog presses that dialog's default button, never one of a window it owns;
// - the data grids are tables to screen readers (GridAccessible), and a window made from a
//   plain QWidget is a window to them, not a pane.
// A control takes the key first: Escape that closes a drop-down list closes nothing more.
namespace WindowAccess {

enum class Escape { KeepsOpen, Closes };

void adopt(QWidget &window, Escape escape = Escape::KeepsOpen);

// What adopt() installs for screen readers, once: Qt keeps an object's interface once made,
// so the program installs it before its first window.
void installAccessibility();

// Tells screen readers of a change of state they would otherwise not notice (a search done,
// a refresh failed): the window's accessible description becomes the text, which screen
// readers read when it changes and on request ("where am I"). Qt 6.8 and later also
// announce it outright.
void announce(QWidget &window, const QString &text);

} // namespace WindowAccess
