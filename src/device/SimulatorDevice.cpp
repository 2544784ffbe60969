#include "device/SimulatorDevice.h"

#include <thread>

namespace {
QString HexLine(TBytes bytes) {
  QString text;
  const std::size_t shown = std::min<std::size_t>(bytes.size(), 16);
  for (std::size_t i = 0; i < shown; ++i) text += QString("%1 ").arg(bytes[i], 2, 16, QChar('0'));
  if (shown < bytes.size()) text += QString("... (%1 bytes)").arg(bytes.size());
  return text.toUpper().trimmed();
}
}  // namespace

TSimulatorSession::TSimulatorSession() : start_(std::chrono::steady_clock::now()) {}

void TSimulatorSession::Handle(TBytes message, const TSend& send) {
  std::vector<QByteArray> replies;
  TSimulatorOptions options;
  {
    std::lock_guard lock(mutex_);
    replies = unit_.Receive(message);
    options = options_;
  }
  auto log = [this](const char* direction, TBytes bytes) {
    if (!OnLog) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    OnLog(QString("%1 %2 %3").arg(seconds, 10, 'f', 3).arg(direction, HexLine(bytes)));
  };
  log("<-", message);

  const bool loadsPreset =
      (message.size() >= 5 && message[0] == SysExStart && message[4] == CmdSelectPreset) ||
      (!message.empty() && (message[0] & 0xF0) == 0xC0);
  if (loadsPreset && options.PresetLoadMs > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(options.PresetLoadMs));

  for (const QByteArray& reply : replies) {
    ++replies_;
    if (options.DropEveryNth > 0 &&
        replies_ % static_cast<std::uint64_t>(options.DropEveryNth) == 0) {
      log("xx", AsBytes(reply));
      continue;
    }
    if (options.Paced) std::this_thread::sleep_for(WireTime(reply.size()));
    log("->", AsBytes(reply));
    send(reply);
  }
}

void TSimulatorFarEnd::Receive(TInProcessDevice& device, std::span<const std::uint8_t> message) {
  session_->Handle(message, [&device](const QByteArray& reply) { device.Send(AsBytes(reply)); });
}

std::shared_ptr<TSimulatorSession> InstallSimulatorDevice(TInProcessMidi& devices) {
  auto session = std::make_shared<TSimulatorSession>();
  devices.AddDevice(SimulatorDeviceName, std::make_shared<TSimulatorFarEnd>(session));
  return session;
}
