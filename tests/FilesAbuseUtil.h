#pragma once

// Files that fight back, for the tests of every window that reads or writes files: a device that
// is always full, a process limit that fills the disk for a regular file halfway through a write,
// files of any size without writing their bytes, pipes that nobody writes to, and the places every
// save must refuse.

#include "app/ScriptedDialogService.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <csignal>
#include <functional>
#include <vector>

namespace files_abuse {

// Root ignores read-only files and folders, so permission cases cannot fail for it.
inline bool RunningAsRoot() {
  return ::geteuid() == 0;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file of the given size whose bytes cost no disk space (a hole), with `head` at its start.
inline bool MakeLargeFile(const QString& path, qint64 size, const QByteArray& head = {}) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(head) == head.size() && file.resize(size);
}

// A pipe with no writer: opening it for reading would wait forever.
inline bool MakePipe(const QString& path) {
  return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// A device that takes no byte: every write fails with "No space left on device". When the test
// may create device nodes, a private copy of /dev/full in `folder`, so a save that wrongly
// replaced the node with a file could never touch the machine's own /dev/full.
inline QString FullDevice(const QString& folder) {
  const QString path = QDir(folder).filePath(QStringLiteral("full"));
  if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, ::makedev(1, 7)) == 0) {
    QFile probe(path);
    if (probe.open(QIODevice::WriteOnly)) return path;
    QFile::remove(path);  // a folder that refuses device nodes
  }
  return QStringLiteral("/dev/full");
}

inline bool IsCharacterDevice(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

inline bool IsPipe(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

// While it lives, no regular file may grow past `bytes`: a write beyond fails as it would on a
// full disk, for root too. Only for the few statements of one save.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending us
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};

// Everything in the folder except the names given: what a failed save must not leave behind.
inline QStringList OtherEntries(const QString& folder, const QStringList& expected) {
  QStringList others;
  for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                    QDir::NoDotAndDotDot)) {
    if (!expected.contains(name)) others << name;
  }
  return others;
}

// Every character the file-name cleaner replaces, control characters included.
inline QString CleanedCharacters() {
  return QStringLiteral("\\/:*\"<>|?") + QChar(0x01) + QChar(0x1F) + QChar(0x7F);
}

// A place a save must refuse, with what must hold of it afterwards.
struct TSaveTarget {
  const char* name;
  // Prepares the target in `folder` and returns the path the save dialog answers with.
  std::function<QString(const QString& folder)> make;
  // The end of the message, after the file system's name of the failure ("" for any).
  QString reason = {};
  // The file opens and the failure comes with the write; otherwise it cannot even be created.
  bool failsOnWrite = false;
  // While the save runs, no regular file may grow past this many bytes; 0 for no limit.
  rlim_t diskFullAt = 0;
  // Checked afterwards: the target is as it was.
  std::function<void(const QString& file)> check = {};
};

inline std::function<void(const QString& file)> OldFileWhole(const QByteArray& oldBytes) {
  return [oldBytes](const QString& file) { EXPECT_EQ(ReadBytes(file), oldBytes); };
}

// The places every save refuses, for a file named with `suffix`: a full device, a pipe, a path
// below a plain file, a folder's name, a folder that vanished after it was chosen, and an old file
// holding `oldBytes` on a disk that fills up after `diskFullAt` bytes of the write.
inline std::vector<TSaveTarget> HostileSaveTargets(const QString& suffix,
                                                   const QByteArray& oldBytes, rlim_t diskFullAt) {
  return {
      {"a full device", [](const QString& folder) { return FullDevice(folder); },
       ": No space left on device", true, 0,
       [](const QString& file) {
         EXPECT_TRUE(IsCharacterDevice(file)) << "the device was replaced";
       }},
      // Opened, it would wait for a reader that never comes.
      {"a pipe",
       [suffix](const QString& folder) {
         MakePipe(folder + "/pipe" + suffix);
         return folder + "/pipe" + suffix;
       },
       ": Not a regular file", false, 0, [](const QString& file) { EXPECT_TRUE(IsPipe(file)); }},
      {"below a plain file",
       [suffix](const QString& folder) {
         WriteBytes(folder + "/plain", "x");
         return folder + "/plain/child" + suffix;
       }},
      {"a folder's name",
       [suffix](const QString& folder) {
         QDir(folder).mkdir("taken" + suffix);
         return folder + "/taken" + suffix;
       },
       {},
       false,
       0,
       [](const QString& file) { EXPECT_TRUE(QFileInfo(file).isDir()); }},
      {"a folder that vanished after it was chosen",
       [suffix, oldBytes](const QString& folder) {
         QDir(folder).mkdir("gone");
         const QString file = folder + "/gone/old" + suffix;
         WriteBytes(file, oldBytes);
         QDir(folder + "/gone").removeRecursively();
         return file;
       }},
      {"a disk that fills up during the write",
       [suffix, oldBytes](const QString& folder) {
         const QString file = folder + "/old" + suffix;
         WriteBytes(file, oldBytes);
         return file;
       },
       {},
       true,
       diskFullAt,
       OldFileWhole(oldBytes)},
  };
}

// Saves to each target, made in a folder of its own below `parent`: the save dialog answers with
// the target, and the message the failure must show is answered with OK. `save` starts the save;
// `checkWindow` checks what the window shows and keeps, given the target's path and the message.
// Nothing half-written may be left beside the target, and the target's own check must hold.
inline void TrySaves(const std::vector<TSaveTarget>& targets, const QString& parent,
                     TScriptedDialogService& dialogs, const std::function<void()>& save,
                     const std::function<void(const TSaveTarget& target, const QString& file,
                                              const QString& text)>& checkWindow) {
  for (const TSaveTarget& target : targets) {
    SCOPED_TRACE(target.name);
    const QString folder = parent + "/" + target.name;
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = target.make(folder);
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
    dialogs.PlanSaveFile(file);
    dialogs.PlanButton(QMessageBox::Ok);
    if (target.diskFullAt > 0) {
      TFileSizeLimit full(target.diskFullAt);
      save();
    } else {
      save();
    }
    EXPECT_EQ(dialogs.Last().kind, TDialogKind::Message);
    const QString text = dialogs.Last().text;
    EXPECT_TRUE(text.endsWith(target.reason)) << text.toStdString();
    checkWindow(target, file, text);
    EXPECT_EQ(OtherEntries(folder, entries), QStringList()) << "half-written files were left";
    if (target.check) target.check(file);
  }
}

}  // namespace files_abuse
