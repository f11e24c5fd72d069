// Watches a Qt application for the message boxes it shows: the box itself is real and modal, the
// watcher only reads its text when it appears and, if asked, closes it as a click on OK would.
// The program has no switch for tests; the tests bring the watcher in from outside.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace uitest {

class BoxWatch : public QObject {
  public:
    // `seen` gets the text of every box as it is shown. With `closeAfterMs` >= 0 the box is then
    // accepted that many milliseconds later; with -1 it stays for the test to close.
    BoxWatch(std::function<void(const QString&)> seen, int closeAfterMs);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(const QString&)> seen_;
    int closeAfterMs_;
};

}  // namespace uitest
