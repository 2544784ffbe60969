#pragma once

// Helpers for tests that run a real modal dialog: act on it once it is open, and see which
// windows were raised (offscreen there is no stacking to look at).

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Runs `act` on the next modal dialog once it is open, so a real dialog can be tested without a
// person. Gives up after a few seconds, closing whatever is open, so a fault cannot hang the run.
inline void OnNextModal(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, [poll, tries, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible()) {
      poll->stop();
      poll->deleteLater();
      act(modal);
    } else if (++*tries > 300) {
      poll->stop();
      poll->deleteLater();
      ADD_FAILURE() << "no modal dialog appeared";
    }
  });
  poll->start(10);
}

// Records the windows raised while it lives.
class TRaiseSpy : public QObject {
 public:
  TRaiseSpy() { qApp->installEventFilter(this); }
  ~TRaiseSpy() override { qApp->removeEventFilter(this); }
  QList<QObject*> Raised;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::ZOrderChange && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow())
      Raised << watched;
    return false;
  }
};
