// Helpers shared by the tests of the Qt layer.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace uitest {

// Points XDG_CONFIG_HOME and the message-box log (CLAVITAP_TEST_MESSAGE_LOG) at a fresh folder
// of this process, before Qt reads either.
void PrepareProcessEnvironment();

QString ConfigFile();   // $XDG_CONFIG_HOME/Clavitap/Clavitap.conf
void RemoveSettings();  // starts from an empty store
QString ReadTextFile(const QString& path);

// Texts of the message boxes shown since the last call of ClearMessageBoxes.
QStringList MessageBoxes();
void ClearMessageBoxes();

// Runs the event loop until `condition` holds or `timeoutMs` has passed; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs a program to its end (at most 10 s) and returns its standard output.
QString Run(const QString& program, const QStringList& arguments);

}  // namespace uitest
