#pragma once

class QWidget;

// Logout, shutdown or a termination signal: closes whatever dialogs, menus and side windows
// are open as their Cancel would (a report still running in a preview stops), then closes the
// main window the normal way, with its saving, at once. A modal dialog would otherwise hold
// the close back until the user dismissed it.
void closeForSessionEnd(QWidget* mainWindow);

// Whether the close under way was started by closeForSessionEnd: nothing may wait for a click.
bool sessionEnding();
