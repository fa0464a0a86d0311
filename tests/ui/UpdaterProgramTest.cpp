// The updater program, run as the program runs it against a local server: a
// package signed with the test key replaces a dummy installation and restarts
// it; anything else leaves the installation exactly as it was.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QPluginLoader>
#include <QProcess>
#include <atomic>
#include <filesystem>
#include <fstream>

#include "common/Files.h"
#include "common/LocalHttpServer.h"
#include "common/SharedFolder.h"
#include "common/UpdateTestKeys.h"
#include "common/Wait.h"
#include "platform/ProgramFolders.h"
#include "support/UpdatePackage.h"
#include "ui/support/UpdateCheckQt.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr char kUnverified[] = "The update could not be verified and was not installed.";

std::string Text(const fs::path& path) {
  const test::Bytes bytes = test::ReadAll(path);
  return {bytes.begin(), bytes.end()};
}

std::string AsString(const std::vector<uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

class UpdaterProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    home = StateDirectory();
    install = home / "install";
    fs::create_directories(install);
    program = install / "dummy";
    std::ofstream(program) << Script("old");
    fs::permissions(program, fs::perms::owner_all);
    std::ofstream(install / "appCheck") << "Current Version = 105\n";
    std::ofstream(install / "keep.txt") << "user data";
  }

  // A dummy program that leaves a marker naming its version when started.
  static std::string Script(const std::string& version) {
    return "#!/bin/sh\necho " + version + " > \"$(dirname \"$0\")/restarted.marker\"\n";
  }

  static UpdatePackage Package(uint32_t version,
                               const std::string& platform = std::string(UpdatePlatform()),
                               const std::string& programName = "dummy") {
    const std::string script = Script("new");
    const std::string appCheck = "Current Version = " + std::to_string(version) +
                                 "\nProduct = Padscope\nPlatform = " + platform + "\n";
    return {version,
            {{programName, kPackageExecutable, {script.begin(), script.end()}},
             {"share/notes.txt", 0, {'v', '2'}},
             {"appCheck", 0, {appCheck.begin(), appCheck.end()}}}};
  }

  // After a failed update the old program is started again; its marker goes
  // so that the installation can be compared with what it was.
  void ExpectRestartedOld(const std::string& context) {
    EXPECT_TRUE(test::WaitFor([&] { return Text(install / "restarted.marker") == "old\n"; }))
        << context;
    fs::remove(install / "restarted.marker");
  }

  // The updater and its files in a fresh private folder, as the program
  // writes them out.
  fs::path PlaceUpdater() {
    const fs::path folder = home / ("padscope-updater-" + std::to_string(++placed_));
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all);
    const fs::path built = fs::path(PADSCOPE_TEST_UPDATER).parent_path();
    for (const char* name : {"QBUpdater.exe", "QBUpdaterUI.xml", "zipdll.dll"}) {
      fs::copy_file(built / name, folder / name);
    }
    return folder / "QBUpdater.exe";
  }

  int RunUpdater(const fs::path& updater, const std::string& base, QByteArray& log,
                 const QProcessEnvironment& extra = {}) {
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("PADSCOPE_NONINTERACTIVE", "1");
    env.insert(extra);
    run.setProcessEnvironment(env);
    run.start(QString::fromStdString(updater.string()),
              {QString::fromStdString(base), QString::fromStdString(program.string())});
    EXPECT_TRUE(run.waitForFinished(60000));
    log = run.readAllStandardError();
    return run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1;
  }

  fs::path home, install, program;

 private:
  int placed_ = 0;
};

TEST_F(UpdaterProgramTest, SignedPackageInstallsRestartsAndClearsTheUpdaterAway) {
  const std::string image = AsString(PackUpdate(Package(106), test::TestSecretKey()));
  test::LocalHttpServer server([&](const std::string& path) {
    return path == "/AppUpdate/Padscope.pkg" ? test::HttpResponse(image)
                                             : test::HttpResponse("not here", -1, 404);
  });
  const fs::path updater = PlaceUpdater();
  QByteArray log;
  EXPECT_EQ(RunUpdater(updater, server.Base() + "/AppUpdate", log), 0) << log.toStdString();
  EXPECT_EQ(Text(program), Script("new"));
  EXPECT_EQ(Text(install / "share" / "notes.txt"), "v2");
  EXPECT_EQ(Text(install / "appCheck").rfind("Current Version = 106\n", 0), 0u);
  EXPECT_EQ(Text(install / "keep.txt"), "user data");
  EXPECT_TRUE(test::WaitFor([&] { return Text(install / "restarted.marker") == "new\n"; }));
  EXPECT_FALSE(fs::exists(updater.parent_path())) << "the updater's folder is cleared away";
}

// Every package that is not this key's signature over a newer version of this
// program for this platform, as it was signed and no larger than the cap, is
// refused before anything is written, and the old program starts again.
TEST_F(UpdaterProgramTest, RefusedPackagesLeaveTheInstallationExactlyAsItWas) {
  const std::vector<uint8_t> good = PackUpdate(Package(106), test::TestSecretKey());
  UpdatePublicKey otherPublic{};
  UpdateSecretKey otherSecret{};
  ASSERT_TRUE(MakeUpdateKeyPair(otherPublic, otherSecret));
  const auto flipped = [&](size_t at) {
    std::vector<uint8_t> image = good;
    image[at] ^= 0x20;
    return AsString(image);
  };
  const std::map<std::string, std::string> bodies = {
      {"/unsigned", AsString(UpdatePackageBody(Package(106)))},
      {"/other-key", AsString(PackUpdate(Package(106), otherSecret))},
      {"/header", flipped(18)},
      {"/name", flipped(22)},
      {"/content", flipped(40)},
      {"/signature", flipped(good.size() - 10)},
      {"/truncated", AsString(std::vector<uint8_t>(good.begin(), good.end() - 1))},
      {"/older", AsString(PackUpdate(Package(104), test::TestSecretKey()))},
      {"/same", AsString(PackUpdate(Package(105), test::TestSecretKey()))},
      {"/other-platform",
       AsString(PackUpdate(Package(106, "windows-x86_64"), test::TestSecretKey()))},
      {"/no-program", AsString(PackUpdate(Package(106, std::string(UpdatePlatform()), "dummy.exe"),
                                          test::TestSecretKey()))},
  };
  test::LocalHttpServer server([&](const std::string& path) {
    const std::string name = path.substr(0, path.rfind('/'));
    if (name == "/oversized") {
      return test::HttpResponse(AsString(good), 600LL << 20);
    }
    const auto it = bodies.find(name);
    return it != bodies.end() ? test::HttpResponse(it->second) : test::HttpResponse("", -1, 404);
  });
  const auto before = test::Tree(install);
  std::vector<std::string> cases{"/oversized"};
  for (const auto& [name, body] : bodies) {
    cases.push_back(name);
  }
  for (const std::string& name : cases) {
    QByteArray log;
    EXPECT_EQ(RunUpdater(PlaceUpdater(), server.Base() + name, log), 1) << name;
    EXPECT_TRUE(log.contains(kUnverified)) << name << ": " << log.toStdString();
    ExpectRestartedOld(name);
    EXPECT_EQ(test::Tree(install), before) << name;
  }
}

// A download that never ends is read into a bounded buffer and stopped at the
// cap (8 MiB in the test build): the updater's memory grows by little more.
TEST_F(UpdaterProgramTest, AnEndlessDownloadStopsAtTheCapInMemory) {
  if (kAddressSanitizer) {
    GTEST_SKIP() << "the sanitizer's allocator keeps what is freed: its peak says nothing";
  }
  // The largest peak of the programs run so far (ru_maxrss counts KiB).
  const auto peakOfChildren = [] {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
  };
  test::LocalHttpServer server([](const std::string& path) -> test::HttpReply {
    return path.starts_with("/endless/") ? test::EndlessHttpResponse()
                                         : test::HttpResponse("", -1, 404);
  });
  QByteArray log;
  EXPECT_EQ(RunUpdater(PlaceUpdater(), server.Base() + "/missing", log), 1);
  const long long before = peakOfChildren();
  ExpectRestartedOld("missing");
  EXPECT_EQ(RunUpdater(PlaceUpdater(), server.Base() + "/endless", log), 1);
  EXPECT_TRUE(log.contains("larger than")) << log.toStdString();
  const long long margin = 16 << 20;
  EXPECT_LT(peakOfChildren(), before + PADSCOPE_TEST_UPDATER_CAP + margin);
  ExpectRestartedOld("endless");
}

// A build without a public key tells of new versions but never installs one.
TEST_F(UpdaterProgramTest, EmbeddedUpdaterOfABuildWithoutAKeyInstallsNothing) {
  if (BuildCanInstallUpdates()) {
    GTEST_SKIP() << "this build was given an update key";
  }
  const std::string image = AsString(PackUpdate(Package(106), test::TestSecretKey()));
  test::LocalHttpServer server([&](const std::string&) { return test::HttpResponse(image); });
  const std::optional<fs::path> updater = WriteUpdaterToPrivateFolder(home);
  ASSERT_TRUE(updater);
  const auto before = test::Tree(install);
  QByteArray log;
  EXPECT_EQ(RunUpdater(*updater, server.Base(), log), 1);
  EXPECT_TRUE(log.contains(kUnverified)) << log.toStdString();
  ExpectRestartedOld("no key");
  EXPECT_EQ(test::Tree(install), before);
}

// A plugin beside the updater is never loaded into it: another user could put
// one there only in a folder others can write, and the updater does not run
// from such a folder at all (Qt looks beside the program while it sets up).
TEST_F(UpdaterProgramTest, UpdaterInAFolderOthersCanWriteLoadsNothingFromIt) {
  const fs::path marker = home / "probe.marker";
  qputenv("PADSCOPE_PROBE_MARKER", QByteArray::fromStdString(marker.string()));
  {
    QPluginLoader probe(PADSCOPE_PROBE_THEME);  // the probe leaves its marker when loaded
    ASSERT_TRUE(probe.load()) << probe.errorString().toStdString();
    EXPECT_TRUE(fs::exists(marker));
    fs::remove(marker);
    probe.unload();
  }
  qunsetenv("PADSCOPE_PROBE_MARKER");

  // Written, as it once was, into a shared folder where a theme was planted.
  const fs::path shared = test::MakeSharedFolder(home / "shared");
  const fs::path updater = shared / "QBUpdater.exe";
  fs::copy_file(PlaceUpdater(), updater);
  fs::create_directory(shared / "platformthemes");
  fs::copy_file(PADSCOPE_PROBE_THEME,
                shared / "platformthemes" / fs::path(PADSCOPE_PROBE_THEME).filename());
  QProcessEnvironment env;
  env.insert("QT_QPA_PLATFORMTHEME", "padscopeprobe");
  env.insert("PADSCOPE_PROBE_MARKER", QString::fromStdString(marker.string()));
  QByteArray log;
  EXPECT_EQ(RunUpdater(updater, "http://127.0.0.1:9/AppUpdate", log, env), 3);
  EXPECT_TRUE(log.contains("no other user can write")) << log.toStdString();
  EXPECT_FALSE(fs::exists(marker)) << "a theme beside the updater was loaded";
}

}  // namespace
}  // namespace padscope
