// The updater that Padscope writes into a private temporary folder and starts
// with two arguments: the update source and the full path of the program to
// update. With PADSCOPE_NONINTERACTIVE set it shows no message boxes and
// reports to standard error instead (scripts, tests).
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <cstdio>
#include <filesystem>

#include "UpdaterRun.h"
#include "UpdaterTexts.h"
#include "UpdaterWindow.h"
#include "platform/LockDirectory.h"
#include "platform/OwnFile.h"
#include "platform/ProgramFolders.h"
#include "support/UpdatePackage.h"

#ifndef PADSCOPE_UPDATE_PUBLIC_KEY
#define PADSCOPE_UPDATE_PUBLIC_KEY ""
#endif
// The largest package held in memory; a test build lowers it.
#ifndef PADSCOPE_UPDATE_MAX_PACKAGE
#define PADSCOPE_UPDATE_MAX_PACKAGE 0
#endif

using namespace padscope::updater;

namespace {

// The folder the updater runs from, known before Qt is set up.
std::filesystem::path OwnFolder(const char* argv0) {
#if defined(__linux__)
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    return exe.parent_path();
  }
#endif
  return std::filesystem::absolute(argv0).parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  // Plugins come from Qt's own folder only, never from beside the updater. Qt
  // still adds the program's folder while it creates the application object,
  // whatever was set before, and loads the platform, theme and input plugins
  // then; so the updater runs only from a folder no one else can write into
  // (the private folder Padscope writes it to), and the search path is set
  // again once the object exists, for every plugin loaded later.
  if (argc < 1 || !padscope::IsPrivateFolder(OwnFolder(argv[0]))) {
    std::fprintf(stderr, "The updater runs only from a folder that no other user can write to.\n");
    return 3;
  }
  const QStringList pluginFolders{QLibraryInfo::path(QLibraryInfo::PluginsPath)};
  QCoreApplication::setLibraryPaths(pluginFolders);
  QApplication app(argc, argv);
  QCoreApplication::setLibraryPaths(pluginFolders);
  padscope::SetRuntimeDirectory(
      QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).toStdString());
  const bool interactive = !qEnvironmentVariableIsSet("PADSCOPE_NONINTERACTIVE");
  const QString folder = QCoreApplication::applicationDirPath();
  UpdaterTexts texts;
  texts.Load(QDir(folder).filePath("QBUpdaterUI.xml"), LanguageOfSystem());

  UpdaterWindow window(texts.Text("title", "Padscope Update"));
  window.show();
  const UpdaterReport report = window.Report(interactive);

  const QStringList args = QCoreApplication::arguments();
  int code = 2;
  if (args.size() != 3) {
    report.failure(texts.Text("usage",
                              "The updater is started by Padscope with the update "
                              "address and the program path."));
  } else {
    // The program's folders, not the updater's own: its guard falls back to
    // the program's state folder.
    padscope::SetProgramExecutable(args[2].toStdString());
    const qint64 cap = PADSCOPE_UPDATE_MAX_PACKAGE > 0
                           ? static_cast<qint64>(PADSCOPE_UPDATE_MAX_PACKAGE)
                           : static_cast<qint64>(padscope::kMaxUpdatePackageBytes);
    code = RunUpdate(args[1], args[2], padscope::PublicKeyFromBuild(PADSCOPE_UPDATE_PUBLIC_KEY),
                     texts, report, cap);
  }
  RemoveUpdaterFolder(folder);
  return code;
}
