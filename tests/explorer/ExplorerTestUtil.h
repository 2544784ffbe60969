#pragma once

// A real explorer window on private in-process MIDI devices whose far end records what the window
// sends, settings in a temporary folder, and the scripted dialog service.

#include "EventStream.h"
#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"
#include "explorer/MIDIExplorer.h"
#include "explorer/MonitorLog.h"
#include "midi/InProcessMidi.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QListView>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <map>
#include <mutex>

namespace explorer_test {

inline std::vector<std::uint8_t> Sysex(std::size_t length, std::uint8_t seed = 0) {
  std::vector<std::uint8_t> m(length);
  m.front() = 0xF0;
  for (std::size_t i = 1; i + 1 < length; ++i) m[i] = static_cast<std::uint8_t>((i + seed) & 0x7F);
  m.back() = 0xF7;
  return m;
}

// Records what the program sends to a device, in order.
class TRecordingFarEnd : public TMidiFarEnd {
 public:
  void Receive(TInProcessDevice&, std::span<const std::uint8_t> message) override {
    std::lock_guard lock(mutex_);
    received_.emplace_back(message.begin(), message.end());
  }
  std::vector<std::vector<std::uint8_t>> Received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::vector<std::uint8_t>> received_;
};

// The explorer with the one hook it leaves open, and its protected controls in reach.
class TTestExplorer : public TfrmMIDIExplorer {
 public:
  using TfrmMIDIExplorer::TfrmMIDIExplorer;
  void EditBuffer() override { ++editCalls; }
  void AddLogLine(const QString& text) override {
    TfrmMIDIExplorer::AddLogLine(text);
    logged.fetch_add(1, std::memory_order_release);
  }
  int editCalls = 0;
  std::atomic<int> logged{0};  // lines ever added; read by injecting threads
  template <class T>
  T* Child(const char* name) {
    T* child = findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QAction* Action(const char* name) { return Child<QAction>(name); }
  QPlainTextEdit* Editor() { return Child<QPlainTextEdit>("memMsgBuf"); }
  QListView* Log() { return Child<QListView>("lbxLog"); }
};

class ExplorerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(settingsDir.isValid());
    ASSERT_TRUE(filesDir.isValid());
    reg.SetStorageFolder(settingsDir.path());
    reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo-Tests"));
    // The file pane starts in a folder of the test's own.
    reg.WriteStringAt(reg.Path() + QStringLiteral("\\Folders"), QStringLiteral("1"),
                      filesDir.path());
    driver = std::make_shared<TInProcessMidi>();
  }

  // Devices named as given, each recording what is sent to it.
  void AddDevices(const QStringList& names) {
    for (const QString& name : names) {
      auto far = std::make_shared<TRecordingFarEnd>();
      farEnds[name] = far;
      devices[name] = driver->AddDevice(name, far);
    }
  }

  TTestExplorer& Open(bool show = true) {
    if (devices.empty()) AddDevices({QStringLiteral("Tarvo")});
    window = std::make_unique<TTestExplorer>(nullptr, driver, driver);
    QObject::connect(window.get(), &TfrmMIDIExplorer::StatusShown,
                     [this](const QString& text) { statuses << text; });
    window->InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    if (show) {
      window->show();
      window->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    return *window;
  }

  void TearDown() override {
    if (window) {
      window->FormDestroy();
      window.reset();
    }
    EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join("; ").toStdString();
  }

  // Closes the window; the next Open starts on fresh devices (for the next case of a table).
  void Restart() {
    if (window) {
      window->FormDestroy();
      window.reset();
    }
    devices.clear();
    farEnds.clear();
    driver = std::make_shared<TInProcessMidi>();
    statuses.clear();
  }

  // Injects one message on a device as its MIDI input.
  void Inject(const std::vector<std::uint8_t>& message, const QString& device = "Tarvo") {
    ASSERT_TRUE(devices[device]->Send(message));
  }
  // Lets the window take what was injected and its view catch up.
  void WaitForLog(int count) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() == count; }, 5000))
        << window->LogCount();
    window->FlushLogView();
  }
  std::vector<std::vector<std::uint8_t>> Sent(const QString& device = "Tarvo") {
    devices[device]->WaitIdle();
    QCoreApplication::processEvents();
    return farEnds[device]->Received();
  }
  QStringList MessageTexts() const {
    QStringList texts;
    for (const TDialogRecord& r : dialogs->Asked()) texts << r.text;
    return texts;
  }
  void SetEditorText(const QString& text) { window->Editor()->setPlainText(text); }
  void PressOnEditor(int key) {
    window->Editor()->setFocus();
    QTest::keyClick(window->Editor(), static_cast<Qt::Key>(key));
  }
  QString WriteFile(const QString& name, const QByteArray& data, const QString& folder = {}) {
    const QString path = (folder.isEmpty() ? filesDir.path() : folder) + "/" + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    return path;
  }

  TScriptedDialogs dialogs;
  QTemporaryDir settingsDir;
  QTemporaryDir filesDir;
  TkxRegUtil reg;
  std::shared_ptr<TInProcessMidi> driver;
  std::map<QString, std::shared_ptr<TInProcessDevice>> devices;
  std::map<QString, std::shared_ptr<TRecordingFarEnd>> farEnds;
  std::unique_ptr<TTestExplorer> window;
  QStringList statuses;
};

inline std::string S(const QString& s) {
  return s.toStdString();
}

}  // namespace explorer_test
