// Devices that come and go while the window runs: the menus follow, a device in use that goes is
// closed and reported once, and one of its name that comes back is reopened.

#include "ExplorerTestUtil.h"

#include <QMenu>
#include <QThread>
#include <atomic>
#include <condition_variable>

using namespace explorer_test;

namespace {

// A MIDI service that is slow to answer a listing from a worker thread: it answers with the
// devices there when it was asked, once let go. Listings from the window's thread pass at once.
class TSlowListing : public IMidiInDriver {
 public:
  explicit TSlowListing(std::shared_ptr<TInProcessMidi> inner) : inner_(std::move(inner)) {}
  unsigned NumDevs() override {
    if (QThread::currentThread() == qApp->thread()) return inner_->NumDevs();
    std::unique_lock lock(mutex_);
    snapshot_.clear();
    for (unsigned i = 0; i < inner_->NumDevs(); ++i) {
      TMidiInCaps caps;
      inner_->GetDevCaps(i, caps);
      snapshot_ << caps.szPname;
    }
    asked_ = true;
    // Never longer than a test's patience, so a failing test cannot hang the run.
    released_.wait_for(lock, std::chrono::seconds(10), [this] { return open_; });
    return unsigned(snapshot_.size());
  }
  unsigned GetDevCaps(unsigned id, TMidiInCaps& caps) override {
    if (QThread::currentThread() == qApp->thread()) return inner_->GetDevCaps(id, caps);
    std::lock_guard lock(mutex_);
    if (id >= unsigned(snapshot_.size())) return MIDI_BADDEVICEID;
    caps.szPname = snapshot_[qsizetype(id)];
    if (id + 1 == unsigned(snapshot_.size())) answered_ = true;
    return MIDI_NOERROR;
  }
  unsigned Open(unsigned id, TMidiCallback cb, void* instance,
                std::unique_ptr<IMidiInConnection>& connection) override {
    return inner_->Open(id, cb, instance, connection);
  }
  void Hold() {
    std::lock_guard lock(mutex_);
    open_ = false;
    asked_ = answered_ = false;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    released_.notify_all();
  }
  bool Asked() {
    std::lock_guard lock(mutex_);
    return asked_;
  }
  bool Answered() {
    std::lock_guard lock(mutex_);
    return answered_;
  }

 private:
  std::shared_ptr<TInProcessMidi> inner_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool open_ = true;
  bool asked_ = false;
  bool answered_ = false;
  QStringList snapshot_;
};

class HotPlug : public ExplorerFixture {
 protected:
  QStringList MenuDevices(const char* menu) {
    QStringList names;
    for (QAction* a : window->Child<QMenu>(menu)->actions())
      if (a->data().isValid() && a->isCheckable() && a->actionGroup() && a->objectName().isEmpty())
        names << a->text();
    return names;
  }
  QStringList Checked(const char* menu) {
    QStringList names;
    for (QAction* a : window->Child<QMenu>(menu)->actions())
      if (a->objectName().isEmpty() && a->isChecked()) names << a->text();
    return names;
  }
  // Opens the menu as the user does, which reads the devices again.
  void OpenMenu(const char* menu) { emit window->Child<QMenu>(menu)->aboutToShow(); }
  void Plug(const QString& name) {
    auto far = std::make_shared<TRecordingFarEnd>();
    farEnds[name] = far;
    devices[name] = driver->AddDevice(name, far);
  }
  void Unplug(const QString& name) { driver->RemoveDevice(name); }
  int Count(const QString& status) { return static_cast<int>(statuses.count(status)); }
  // The window with an input driver whose background listings wait until released.
  TTestExplorer& OpenSlow() {
    AddDevices({"Tarvo"});
    slow = std::make_shared<TSlowListing>(driver);
    window = std::make_unique<TTestExplorer>(nullptr, slow, driver);
    window->InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    return *window;
  }
  std::shared_ptr<TSlowListing> slow;
};

TEST_F(HotPlug, MenusListADeviceAddedAfterStartAndDropOneRemoved) {
  TTestExplorer& w = Open(false);
  EXPECT_EQ(MenuDevices("miMIDIIn"), QStringList({"Tarvo"}));
  Plug("Pedal");
  OpenMenu("miMIDIIn");
  EXPECT_EQ(MenuDevices("miMIDIIn"), QStringList({"Tarvo", "Pedal"}));
  EXPECT_EQ(MenuDevices("miMIDIOut"), QStringList({"Tarvo", "Pedal"}));
  EXPECT_EQ(Checked("miMIDIIn"), QStringList({"Tarvo"}));
  // A new item opens its device like any other.
  for (QAction* a : w.Child<QMenu>("miMIDIIn")->actions())
    if (a->text() == "Pedal") a->trigger();
  EXPECT_EQ(S(w.MidiInput()->ProductName()), "Pedal");
  EXPECT_EQ(Checked("miMIDIIn"), QStringList({"Pedal"}));
  // A device not in use goes quietly.
  Unplug("Tarvo");
  OpenMenu("miMIDIOut");
  EXPECT_EQ(MenuDevices("miMIDIIn"), QStringList({"Pedal"}));
  EXPECT_EQ(Count("MIDI In device Tarvo was disconnected"), 0);
  EXPECT_TRUE(w.MidiInput()->IsOpen());
}

TEST_F(HotPlug, ADeviceInUseThatGoesIsReportedOnceAndReopenedWhenItReturns) {
  TTestExplorer& w = Open();
  Unplug("Tarvo");
  w.RescanDevices();
  EXPECT_FALSE(w.MidiInput()->IsOpen());
  EXPECT_FALSE(w.MidiOutput()->IsOpen());
  EXPECT_EQ(Count("MIDI In device Tarvo was disconnected; MIDI Out device Tarvo was disconnected"),
            1);
  EXPECT_TRUE(MenuDevices("miMIDIIn").isEmpty());
  EXPECT_FALSE(w.Child<QMenu>("miMIDIIn")->isEnabled());
  EXPECT_EQ(S(w.AwaitedInput()), "Tarvo");
  w.RescanDevices();
  w.RescanDevices();
  EXPECT_EQ(statuses.filter("disconnected").size(), 1) << "reported more than once";
  // Sending now says the output is not there, as at any other time.
  dialogs->PlanButton(QMessageBox::Ok);
  SetEditorText("F0 01 F7");
  PressOnEditor(Qt::Key_F9);
  EXPECT_EQ(S(dialogs->Last().text), "MIDI Out device not available");

  // Back, with the same name: a new device behind it.
  Plug("Tarvo");
  w.RescanDevices();
  EXPECT_EQ(Count("MIDI In device Tarvo was reopened; MIDI Out device Tarvo was reopened"), 1);
  EXPECT_TRUE(w.MidiInput()->IsOpen());
  EXPECT_TRUE(w.MidiOutput()->IsOpen());
  EXPECT_EQ(Checked("miMIDIIn"), QStringList({"Tarvo"}));
  EXPECT_EQ(Checked("miMIDIOut"), QStringList({"Tarvo"}));
  EXPECT_TRUE(w.AwaitedInput().isEmpty());
  Inject({0x90, 0x3C, 0x64});
  WaitForLog(1);
  PressOnEditor(Qt::Key_F9);
  EXPECT_EQ(Sent(), (std::vector<std::vector<std::uint8_t>>{{0xF0, 0x01, 0xF7}}));
  // Gone and back again.
  Unplug("Tarvo");
  w.RescanDevices();
  Plug("Tarvo");
  w.RescanDevices();
  EXPECT_EQ(statuses.filter("disconnected").size(), 2);
  EXPECT_EQ(statuses.filter("reopened").size(), 2);
  Inject({0x90, 0x3C, 0x65});
  WaitForLog(2);
}

TEST_F(HotPlug, TheRememberedDeviceIsOpenedWhenItAppearsByItself) {
  reg.WriteString("MIDI_IN", "Sim");
  reg.WriteString("MIDI_OUT", "Sim");
  TTestExplorer& w = Open(false);
  EXPECT_EQ(S(w.MidiInput()->ProductName()), "Tarvo");
  EXPECT_EQ(S(w.AwaitedInput()), "Sim");
  Plug("Sim");
  // The background rescan finds it, without any menu opened.
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.MidiInput()->ProductName() == "Sim"; },
                              3 * TfrmMIDIExplorer::RescanIntervalMs));
  EXPECT_EQ(S(w.MidiOutput()->ProductName()), "Sim");
  EXPECT_TRUE(w.MidiInput()->IsOpen());
  EXPECT_EQ(Count("MIDI In device Sim was reopened; MIDI Out device Sim was reopened"), 1);
  Inject({0xC0, 0x01}, "Sim");
  WaitForLog(1);
}

TEST_F(HotPlug, WhenTheStandInGoesTooTheRememberedDeviceIsStillAwaited) {
  reg.WriteString("MIDI_IN", "Sim");
  reg.WriteString("MIDI_OUT", "Sim");
  TTestExplorer& w = Open(false);
  ASSERT_EQ(S(w.MidiInput()->ProductName()), "Tarvo");  // the stand-in for the missing "Sim"
  Unplug("Tarvo");
  w.RescanDevices();
  EXPECT_EQ(Count("MIDI In device Tarvo was disconnected; MIDI Out device Tarvo was disconnected"),
            1);
  EXPECT_FALSE(w.MidiInput()->IsOpen());
  EXPECT_EQ(S(w.AwaitedInput()), "Sim");
  EXPECT_EQ(S(w.AwaitedOutput()), "Sim");
  Plug("Sim");
  w.RescanDevices();
  EXPECT_TRUE(w.MidiInput()->IsOpen());
  EXPECT_EQ(S(w.MidiInput()->ProductName()), "Sim");
  EXPECT_EQ(S(w.MidiOutput()->ProductName()), "Sim");
}

TEST_F(HotPlug, ADeviceThatGoesAsTheAwaitedOneComesIsReplacedInOneRescan) {
  reg.WriteString("MIDI_IN", "Sim");
  TTestExplorer& w = Open(false);
  Unplug("Tarvo");
  Plug("Sim");
  w.RescanDevices();
  EXPECT_EQ(S(w.MidiInput()->ProductName()), "Sim");
  EXPECT_TRUE(w.MidiInput()->IsOpen());
  EXPECT_EQ(Count("MIDI In device Tarvo was disconnected; MIDI In device Sim was reopened; "
                  "MIDI Out device Tarvo was disconnected"),
            1)
      << statuses.join('\n').toStdString();
}

TEST_F(HotPlug, ChoosingADeviceEndsTheWaitForAnother) {
  AddDevices({"Tarvo", "Pedal"});
  TTestExplorer& w = Open(false);
  Unplug("Tarvo");
  w.RescanDevices();
  EXPECT_EQ(S(w.AwaitedInput()), "Tarvo");
  for (QAction* a : w.Child<QMenu>("miMIDIIn")->actions())
    if (a->text() == "Pedal") a->trigger();
  EXPECT_TRUE(w.AwaitedInput().isEmpty());
  Plug("Tarvo");
  w.RescanDevices();
  EXPECT_EQ(S(w.MidiInput()->ProductName()), "Pedal");
}

TEST_F(HotPlug, ASlowListingKeepsAWorkerWaitingNeverTheWindow) {
  TTestExplorer& w = OpenSlow();
  slow->Hold();
  Plug("Pedal");
  w.RescanDevicesInBackground();
  ASSERT_TRUE(QTest::qWaitFor([&] { return slow->Asked(); }, 5000));
  // While the listing waits, the window takes keys and shows what it is given.
  SetEditorText("C0 05");
  QTest::keyClick(w.Editor(), Qt::Key_End);
  QTest::keyClicks(w.Editor(), " 3C");
  EXPECT_EQ(S(w.Editor()->toPlainText()), "C0 05 3C");
  EXPECT_EQ(MenuDevices("miMIDIIn"), QStringList({"Tarvo"}));
  // Another rescan from the timer while one is out does not start a second.
  w.RescanDevicesInBackground();
  slow->Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return MenuDevices("miMIDIIn").contains("Pedal"); }, 5000));
  EXPECT_EQ(MenuDevices("miMIDIIn"), QStringList({"Tarvo", "Pedal"}));
  EXPECT_EQ(Checked("miMIDIIn"), QStringList({"Tarvo"}));
}

// A device chosen in the open menu while a rescan that changes the device list has finished and
// waits to be taken: the chosen device is opened and checked, whatever the rescan does to the menu.
TEST_F(HotPlug, ADeviceChosenWhileARescanWaitsIsTheOneOpened) {
  TTestExplorer& w = OpenSlow();
  Plug("Pedal");
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  auto* menu = w.Child<QMenu>("miMIDIIn");
  menu->popup(w.mapToGlobal(QPoint(10, 10)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QAction* pedal = nullptr;
  for (QAction* a : menu->actions())
    if (a->text() == "Pedal") pedal = a;
  ASSERT_NE(pedal, nullptr);
  slow->Hold();
  Plug("Looper");
  w.RescanDevicesInBackground();
  ASSERT_TRUE(QTest::qWaitFor([&] { return slow->Asked(); }, 5000));
  slow->Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return slow->Answered(); }, 5000));
  QThread::msleep(50);  // the finished listing is posted to the window, not yet taken
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(pedal).center());
  QTest::qWait(20);
  EXPECT_EQ(S(w.MidiInput()->ProductName()), "Pedal");
  EXPECT_EQ(MenuDevices("miMIDIIn"), QStringList({"Tarvo", "Pedal", "Looper"}));
  EXPECT_EQ(Checked("miMIDIIn"), QStringList({"Pedal"}));
}

TEST_F(HotPlug, AListingOlderThanTheMenusIsNotTaken) {
  TTestExplorer& w = OpenSlow();
  slow->Hold();
  w.RescanDevicesInBackground();  // will answer with Tarvo alone
  ASSERT_TRUE(QTest::qWaitFor([&] { return slow->Asked(); }, 5000));
  Plug("Pedal");
  OpenMenu("miMIDIIn");  // the user opens the menu meanwhile: it lists what is there now
  EXPECT_EQ(MenuDevices("miMIDIIn"), QStringList({"Tarvo", "Pedal"}));
  slow->Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return slow->Answered(); }, 5000));
  QTest::qWait(50);
  EXPECT_EQ(MenuDevices("miMIDIIn"), QStringList({"Tarvo", "Pedal"}));
}

}  // namespace
