#pragma once

// An editor on screen (offscreen) wired to a simulated unit: what the editor sends reaches the
// unit, and every send is recorded.

#include <QApplication>
#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"
#include "device/DeviceMessages.h"
#include "device/StorePrompt.h"
#include "device/UnitSimulator.h"
#include "editor/PresetEditor.h"
#include "preset/DigitalCatalogue.h"
#include "preset/Preset.h"

inline constexpr int TestSettleMs = 60;

// A preset with the compressor and equalizer on, group 0 with its first place in use.
inline TPreset SamplePreset() {
  TPreset p;
  p.Title = QStringLiteral("Lead Solo");
  p.AnalogInUse[0] = true;
  p.AnalogInUse[5] = true;
  p.AnalogParams[0] = 31;  // drive 100%
  p.DigitalGroup = 0;
  p.DigitalInUse[0] = true;
  return p;
}

inline QByteArray ImageBytes(const TPreset& p) {
  const TPresetImage image = p.Encode();
  return QByteArray(reinterpret_cast<const char*>(image.data()), int(image.size()));
}

struct EditorRig {
  EditorRig() {
    // The controller names go to a settings folder of the test's own, never the user's.
    settings.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
    settings.SetStorageFolder(settingsDir.path());
    editor = std::make_unique<TfrmPresetEditor>();
    editor->Settings = &settings;
    editor->SetSettleInterval(TestSettleMs);
    editor->OnSendPreset = [this](QIODevice& stream) {
      stream.seek(0);
      const QByteArray bytes = stream.readAll();
      sent.push_back(bytes);
      unit.Receive(AsBytes(bytes));
      return QStringLiteral("MIDI data sent to MIDI Out");
    };
    editor->OnSendRaw = [this](const std::uint8_t* bytes, std::uint16_t length) {
      const QByteArray message(reinterpret_cast<const char*>(bytes), length);
      raw.push_back(message);
      unit.Receive(AsBytes(message));
    };
    editor->OnGetPresetNo = [this] { return unitPresetNo; };
  }

  // Loads the preset as the main window does and shows the editor.
  void Show(const TPreset& p, const QString& fileName = {}) {
    QByteArray bytes = ImageBytes(p);
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    editor->LoadPreset(stream, fileName);
    editor->show();
    QApplication::processEvents();
  }

  // Shows the preset as the editor leaves it after a first show (Vexa states and performance
  // assignments brought in line with the chain), so it reads as unmodified.
  void ShowSettled(const TPreset& p, const QString& fileName = {}) {
    Show(p, fileName);
    const TPreset settled = editor->Preset();
    editor->hide();
    editor->ResetEditor();
    Show(settled, fileName);
    sent.clear();
  }

  template <class T>
  T* Find(const QString& name) const {
    return editor->findChild<T*>(name);
  }

  QTemporaryDir settingsDir;
  TkxRegUtil settings;
  TScriptedDialogs dialogs;
  TUnitSimulator unit;
  std::unique_ptr<TfrmPresetEditor> editor;
  std::vector<QByteArray> sent;
  std::vector<QByteArray> raw;
  int unitPresetNo = -1;
};
