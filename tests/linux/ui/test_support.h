// Helpers shared by the tests of the Qt layer.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string_view>

class QWidget;

namespace uitest {

// Points XDG_CONFIG_HOME at a fresh folder of this process, before Qt reads it.
void PrepareProcessEnvironment();

// Once the application exists: every message box it shows from now on is recorded and closed
// as a click on OK would, 50 ms after it appeared, so that no modal box holds a test.
void WatchMessageBoxes();

QString ConfigFile();   // $XDG_CONFIG_HOME/Clavitap/Clavitap.conf
void RemoveSettings();  // starts from an empty store
QString ReadTextFile(const QString& path);

// Texts of the message boxes shown since the last call of ClearMessageBoxes, in order.
QStringList MessageBoxes();
void ClearMessageBoxes();

// The child widget the window made for the control called `name` in the layout, or nullptr.
QWidget* Control(const QWidget& window, std::string_view name);

// Runs the event loop until `condition` holds or `timeoutMs` has passed; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs a program to its end (at most 10 s) and returns its standard output.
QString Run(const QString& program, const QStringList& arguments);

}  // namespace uitest
