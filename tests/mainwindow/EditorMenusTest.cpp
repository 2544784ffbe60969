#include "MainWindowFixture.h"
#include "editor/PresetEditor.h"
#include "mpt/MPTEdit.h"

#include <QAction>
#include <QBuffer>
#include <QMenu>
#include <QPushButton>

namespace {

class EditorMenus : public MainWindow {
 protected:
  TMyMidiEvent DumpEvent(const QByteArray& bytes) {
    TMyMidiEvent e;
    e.MidiMessage = 0xF0;
    e.Sysex = bytes;
    e.SysexLength = static_cast<std::uint16_t>(bytes.size());
    return e;
  }
  QByteArray UnitPreset(int index) {
    auto lock = session->Lock();
    return session->Unit().Preset(0, index);
  }
};

TEST_F(EditorMenus, PresetsMenuFollowsTheBufferAndNamesThePreset) {
  Start();
  emit window->miPresets->aboutToShow();
  EXPECT_FALSE(window->miOpenPreset->isEnabled());
  window->LoadEventIntoBuffer(DumpEvent(UnitPreset(4)));
  emit window->miPresets->aboutToShow();
  EXPECT_TRUE(window->miOpenPreset->isEnabled());
  EXPECT_EQ(Status(), "Preset loaded: " + QuickTitle(AsBytes(UnitPreset(4))));
}

TEST_F(EditorMenus, BufferEditorsAreReusedOnlyWhenHidden) {
  Start();
  window->LoadEventIntoBuffer(DumpEvent(UnitPreset(1)));
  TfrmPresetEditor* first = window->OpenPresetEditor();
  TfrmPresetEditor* second = window->OpenPresetEditor();
  ASSERT_TRUE(first && second);
  EXPECT_NE(first, second);
  EXPECT_EQ(window->ChildWindows()->Count(), 2);
  EXPECT_EQ(first->Preset().Title.trimmed(), QuickTitle(AsBytes(UnitPreset(1))));
  first->hide();
  second->hide();
  window->LoadEventIntoBuffer(DumpEvent(UnitPreset(2)));
  TfrmPresetEditor* third = window->OpenPresetEditor();
  EXPECT_EQ(third, first);
  EXPECT_EQ(window->ChildWindows()->Count(), 2);
  EXPECT_EQ(third->Preset().Title.trimmed(), QuickTitle(AsBytes(UnitPreset(2))));
  third->hide();
}

TEST_F(EditorMenus, EditItemGoesByLengthEditBufferByHeader) {
  Start();
  QByteArray junk(246, '\x11');
  window->LoadEventIntoBuffer(DumpEvent(junk));
  window->UpdateBufferMenu();
  EXPECT_TRUE(window->pmiEdit->isEnabled());
  window->pmiEdit->trigger();
  EXPECT_EQ(window->ChildWindows()->Count(), 0);
  EXPECT_TRUE(window->findChildren<TfrmMPTEdit*>().isEmpty());
  window->LoadEventIntoBuffer(DumpEvent(junk.left(100)));
  window->UpdateBufferMenu();
  EXPECT_FALSE(window->pmiEdit->isEnabled());
}

TEST_F(EditorMenus, EditorSendsReachTheUnitAndUnsendableDumpsAreRefused) {
  Start();
  window->LoadEventIntoBuffer(DumpEvent(UnitPreset(7)));
  TfrmPresetEditor* editor = window->OpenPresetEditor();
  ASSERT_TRUE(editor);
  QByteArray dump = UnitPreset(9);
  QBuffer stream(&dump);
  stream.open(QIODevice::ReadOnly);
  EXPECT_EQ(editor->OnSendPreset(stream), "MIDI data sent to MIDI Out");
  unit->WaitIdle();
  {
    auto lock = session->Lock();
    EXPECT_EQ(session->Unit().EditBuffer(), dump);
  }
  QByteArray bad = dump;
  bad[20] = char(0x85);
  QBuffer badStream(&bad);
  badStream.open(QIODevice::ReadOnly);
  EXPECT_NE(editor->OnSendPreset(badStream), "MIDI data sent to MIDI Out");
  unit->WaitIdle();
  auto lock = session->Lock();
  EXPECT_EQ(session->Unit().EditBuffer(), dump);
  editor->hide();
}

TEST_F(EditorMenus, ProgramTableFromTheUnitEditedAndSentBack) {
  Start();
  window->miGetMPT->trigger();
  Settle();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() == 1; }, 2000));
  window->LoadEventIntoBuffer(*window->LogEvent(0));
  emit window->miMPT->aboutToShow();
  EXPECT_TRUE(window->miOpenMPT->isEnabled());
  window->EditBuffer();
  const auto editors = window->findChildren<TfrmMPTEdit*>();
  ASSERT_EQ(editors.size(), 1);
  EXPECT_EQ(editors[0]->Table().Entry(199), 199);

  // Program change 1 is to load preset 150 from now on.
  EXPECT_EQ(editors[0]->Cell(1, 1), "001");
  editors[0]->SetCell(1, 1, "150");
  dialogs->PlanButton(QMessageBox::Yes);
  QTest::mouseClick(editors[0]->btnSendOut, Qt::LeftButton);
  EXPECT_EQ(editors[0]->LastSendResult(), "MIDI data sent to MIDI Out");
  unit->WaitIdle();

  window->miGetMPT->trigger();
  Settle();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() == 2; }, 2000));
  Tmpt fetched;
  fetched.LoadFromImage(window->LogEvent(1)->Sysex);
  EXPECT_EQ(fetched.Entry(0), 149);

  for (const TShortMessage& m : ProgramChangeLoadMessages(0))
    window->MidiOutput()->PutShort(m.status, m.data1, m.data2);
  unit->WaitIdle();
  auto lock = session->Lock();
  EXPECT_EQ(session->Unit().CurrentPreset(), 149);
  EXPECT_EQ(session->Unit().EditBuffer(), session->Unit().Preset(0, 149));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

TEST_F(EditorMenus, PreKineticTableOpensTheEditor) {
  {
    auto lock = session->Lock();
    session->Unit().SetPreKinetic(true);
  }
  reg.WriteBool("PRE_KINETIC", true);
  Start();
  QByteArray image;
  {
    auto lock = session->Lock();
    image = session->Unit().MptDump();
  }
  ASSERT_EQ(image.size(), 262);
  window->LoadEventIntoBuffer(DumpEvent(image));
  window->UpdateBufferMenu();
  EXPECT_TRUE(window->pmiEdit->isEnabled());
  window->EditBuffer();
  EXPECT_EQ(window->findChildren<TfrmMPTEdit*>().size(), 1);
}

}  // namespace
