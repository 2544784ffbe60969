#include "device/SimulatorDevice.h"

#include <thread>

namespace {
QString HexLine(TBytes bytes) {
  QString text;
  const std::size_t shown = std::min<std::size_t>(bytes.size(), 16);
  for (std::size_t i = 0; i < shown; ++i) text += QString("%1 ").arg(bytes[i], 2, 16, QChar('0'));
  text = text.toUpper();
  if (shown < bytes.size()) text += QString("... (%1 bytes)").arg(bytes.size());
  return text.trimmed();
}
}  // namespace

TSimulatorSession::TSimulatorSession() : start_(std::chrono::steady_clock::now()) {}

void TSimulatorSession::Log(const char* direction, TBytes bytes) {
  if (!OnLog) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  OnLog(QString("%1 %2 %3").arg(seconds, 10, 'f', 3).arg(direction, HexLine(bytes)));
}

void TSimulatorSession::Handle(TBytes piece, const TSend& send) {
  std::vector<TSysexAssembler::TPart> parts;
  TSimulatorOptions options;
  bool cableOut = false;
  {
    std::lock_guard lock(mutex_);
    options = options_;
    cableOut = options.DropOffAfter > 0 && received_ >= std::uint64_t(options.DropOffAfter);
    if (!cableOut) parts = assembler_.Take(piece);
  }
  if (cableOut) {
    Log("x<", piece);  // nothing arrives
    return;
  }
  // The bytes take their time to arrive on a DIN cable too, before the unit can act on them.
  if (options.Paced) std::this_thread::sleep_for(WireTime(qsizetype(piece.size())));
  for (const TSysexAssembler::TPart& part : parts) {
    if (part.Message) {
      HandleMessage(AsBytes(part.Bytes), send);
    } else {
      Log("<~", AsBytes(part.Bytes));  // a piece of a message still being joined
    }
  }
}

void TSimulatorSession::HandleMessage(TBytes message, const TSend& send) {
  TSimulatorOptions options;
  {
    std::lock_guard lock(mutex_);
    options = options_;
    ++received_;
  }
  if (options.DropOffAfter > 0 && received_ > std::uint64_t(options.DropOffAfter)) {
    Log("x<", message);  // the cable is out: nothing arrives
    return;
  }
  std::vector<QByteArray> replies;
  {
    std::lock_guard lock(mutex_);
    replies = unit_.Receive(message);
    const bool store = message.size() >= 8 && message[0] == SysExStart &&
                       message[4] == CmdStorePreset && message[2] == unit_.Channel();
    if (store && options.StoreFaultEvery > 0 &&
        ++stores_ % std::uint64_t(options.StoreFaultEvery) == 0) {
      const int index = (message[6] ? 128 : 0) + message[5];
      if (index < PresetCount) {
        // One data byte of the mix off by one bit: still a valid dump, just not the one sent.
        QByteArray kept = unit_.Preset(unit_.Bank(), index);
        kept[17] = char(kept[17] ^ 1);
        unit_.SetPreset(unit_.Bank(), index, kept);
        if (OnLog) OnLog(QStringLiteral("!! store of preset %1 kept a wrong byte").arg(index + 1));
      }
    }
  }
  Log("<-", message);

  const bool loadsPreset =
      (message.size() >= 5 && message[0] == SysExStart && message[4] == CmdSelectPreset) ||
      (!message.empty() && (message[0] & 0xF0) == 0xC0);
  if (loadsPreset && options.PresetLoadMs > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(options.PresetLoadMs));

  if (options.ChaosSeed != chaosSeed_) {
    chaosSeed_ = options.ChaosSeed;
    chaos_.seed(chaosSeed_);
  }
  for (QByteArray reply : replies) {
    if (options.ReplyChannel >= 0 && reply.size() > 3 && std::uint8_t(reply[0]) == SysExStart)
      reply[2] = char(options.ReplyChannel & 0x0F);
    ++replies_;
    const bool dropped = (options.DropEveryNth > 0 &&
                          replies_ % static_cast<std::uint64_t>(options.DropEveryNth) == 0) ||
                         (chaosSeed_ != 0 && !SendNoise(AsBytes(reply), send));
    if (dropped) {
      Log("xx", AsBytes(reply));
      continue;
    }
    if (options.Paced) std::this_thread::sleep_for(WireTime(reply.size()));
    Log("->", AsBytes(reply));
    send(reply);
  }
}

bool TSimulatorSession::SendNoise(TBytes reply, const TSend& send) {
  auto below = [this](int n) { return std::uniform_int_distribution<int>(0, n - 1)(chaos_); };
  auto bytes = [](std::initializer_list<int> values) {
    QByteArray m;
    for (int v : values) m.append(char(v));
    return m;
  };
  auto shortMessage = [&]() {
    switch (below(6)) {
      case 0:  // clock, start, continue, stop, active sensing, reset
        return bytes({0xF8 + below(8)});
      case 1:
        return bytes({0xC0 + below(16), below(128)});
      case 2:
        return bytes({0xF1 + below(3), below(128), below(128)}).left(below(2) + 2);
      default:
        return bytes({0x80 + 16 * below(7) + below(16), below(128), below(128)});
    }
  };
  const QByteArray whole(reinterpret_cast<const char*>(reply.data()), qsizetype(reply.size()));

  const int rounds = 1 + below(2);
  for (int round = 0; round < rounds; ++round) {
    const int kind = below(100);
    if (kind < 35) {
      for (int i = below(6); i >= 0; --i) send(shortMessage());
    } else if (kind < 45 && whole.size() > 2) {
      // Cut off before its end: no F7.
      send(whole.left(1 + below(int(whole.size()) - 2)));
    } else if (kind < 55) {
      // Longer than any reply: data bytes pushed in before the F7.
      QByteArray m = whole.left(whole.size() - 1);
      for (int i = 1 + below(600); i > 0; --i) m.append(char(below(128)));
      send(m.append(char(SysExEnd)));
    } else if (kind < 65 && whole.size() > 3) {
      // The same reply from another of the maker's models on another channel, with other values
      // in it. The channel byte alone tells nothing: a unit may answer on any channel.
      QByteArray m = whole;
      m[2] = char((std::uint8_t(m[2]) + 1 + below(15)) & 0x0F);
      m[3] = char(ModelId + 1 + below(16));
      for (qsizetype i = 5; i + 1 < m.size(); ++i)
        if (below(8) == 0) m[i] = char(below(128));
      send(m);
    } else if (kind == 65) {
      // More events at once than a receiving ring holds.
      if (OnLog) OnLog(QStringLiteral("~~ burst of 1500 short messages"));
      for (int i = 0; i < 1500; ++i) send(bytes({0x90 + (i & 15), i & 0x7F, 64}));
    }
  }
  return below(100) != 0;
}

void TSimulatorFarEnd::Receive(TInProcessDevice& device, std::span<const std::uint8_t> message) {
  session_->Handle(message, [&device](const QByteArray& reply) { device.Send(AsBytes(reply)); });
}

std::shared_ptr<TSimulatorSession> InstallSimulatorDevice(TInProcessMidi& devices) {
  auto session = std::make_shared<TSimulatorSession>();
  devices.AddDevice(SimulatorDeviceName, std::make_shared<TSimulatorFarEnd>(session));
  return session;
}
