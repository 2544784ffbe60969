#include "app/StartupProbe.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

// A value such as "VmRSS:    41236 kB" from /proc/self/status; -1 where there is none.
qint64 StatusKb(const QByteArray& status, const char* key) {
  for (const QByteArray& line : status.split('\n')) {
    if (!line.startsWith(key)) continue;
    const QList<QByteArray> parts = line.simplified().split(' ');
    if (parts.size() >= 2) return parts[1].toLongLong();
  }
  return -1;
}

class TFirstPaint : public QObject {
 public:
  TFirstPaint(QWidget* window, qint64 launchNs, int idleMs)
      : QObject(window), launchNs_(launchNs), idleMs_(idleMs) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && shownMs_ < 0) {
      const qint64 nowNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
      shownMs_ = double(nowNs - launchNs_) / 1e6;
      watched->removeEventFilter(this);
      QTimer::singleShot(idleMs_, this, [this] { Report(); });
    }
    return false;
  }

 private:
  void Report() {
    QFile file(QStringLiteral("/proc/self/status"));
    const QByteArray status = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    std::printf("startup_ms=%.1f rss_kb=%lld peak_kb=%lld\n", shownMs_,
                static_cast<long long>(StatusKb(status, "VmRSS:")),
                static_cast<long long>(StatusKb(status, "VmHWM:")));
    std::fflush(stdout);
    QCoreApplication::exit(0);
  }

  const qint64 launchNs_;
  const int idleMs_;
  double shownMs_ = -1;
};

}  // namespace

void ArmStartupReport(QWidget* window, int idleMs) {
  bool ok = false;
  const qint64 launchNs = qEnvironmentVariable("ZQN_STARTUP_REPORT").toLongLong(&ok);
  if (!ok || !window) return;
  new TFirstPaint(window, launchNs, idleMs);
}
