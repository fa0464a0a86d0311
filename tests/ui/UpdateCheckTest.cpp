// The update check against a local HTTP server: the fetcher's reading rules,
// the checker's offers and reports, the command on the main window, and the
// updater program replacing an installation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "state/GlobalSettings.h"
#include "capture/CaptureContext.h"
#include "common/LocalHttpServer.h"
#include "common/SimFixture.h"
#include "common/Wait.h"
#include "platform/ProgramDirectory.h"
#include "platform/RecordingPrompt.h"
#include "support/TextTable.h"
#include "support/UpdateCheckQt.h"
#include "support/UpdatePackage.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;

bool PumpUntil(const std::function<bool()>& cond) {
  return test::WaitFor([&] {
    QApplication::processEvents();
    return cond();
  });
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Nothing listens here: connections are refused at once.
constexpr char kUnreachable[] = "http://127.0.0.1:9/AppUpdate/USB/Padscope/Padscope";

TEST(WebFetcher, ReadsWhatArrivedUpToTheAnnouncedLengthAndTheCap) {
  const std::string big(10 * 1024 * 1024, 'x');
  test::LocalHttpServer server([&](const std::string& path) {
    if (path == "/exact")
      return test::HttpResponse("ApplicationVersion=106");
    if (path == "/short")
      return test::HttpResponse("only twenty bytes...", 100);
    if (path == "/long")
      return test::HttpResponse("0123456789 and the rest", 10);
    if (path == "/nolength")
      return test::HttpResponse("no length given", -1, 200, false);
    if (path == "/big")
      return test::HttpResponse(big);
    if (path == "/bignolength")
      return test::HttpResponse(big, -1, 200, false);
    if (path == "/missing")
      return test::HttpResponse("<html>not found</html>", -1, 404);
    return std::string("garbage that is not http");
  });
  WebFetcher fetcher;
  EXPECT_EQ(fetcher.Fetch(server.Base() + "/exact"), "ApplicationVersion=106");
  EXPECT_EQ(fetcher.LastResult(), "ApplicationVersion=106");
  EXPECT_EQ(fetcher.Fetch(server.Base() + "/short"), "only twenty bytes...");
  EXPECT_EQ(fetcher.Fetch(server.Base() + "/long"), "0123456789");
  EXPECT_EQ(fetcher.Fetch(server.Base() + "/nolength"), "no length given");
  const std::string capped = fetcher.Fetch(server.Base() + "/big");
  EXPECT_EQ(capped.size(), static_cast<size_t>(WebFetcher::kMaxBody));
  EXPECT_EQ(capped, big.substr(0, capped.size()));
  EXPECT_EQ(fetcher.Fetch(server.Base() + "/bignolength").size(),
            static_cast<size_t>(WebFetcher::kMaxBody));
  EXPECT_EQ(fetcher.Fetch(server.Base() + "/missing"), kFetchError);
  EXPECT_EQ(fetcher.Fetch(server.Base() + "/garbage"), kFetchError);
  EXPECT_EQ(fetcher.Fetch(kUnreachable), kFetchError);
  EXPECT_EQ(fetcher.Fetch("not a web address"), kFetchError);

  const auto requests = server.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0].rfind("GET /exact HTTP/1.1\r\n", 0), 0u) << requests[0];
  EXPECT_NE(requests[0].find("User-Agent: Morrowgap\r\n"), std::string::npos) << requests[0];
}

// The texts the check shows, and a temporary folder of the test's own.
class UpdateCheckerTest : public testing::Test {
 protected:
  void SetUp() override {
    SetPrompt(prompt);
    std::ofstream(ProgramDirectory() / "Padscope.xml")
        << "<text>"
           "<SENTENSE id=\"ID_WIN_TITLE\"><VALUE Lang=\"en\">Padscope</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_UPDATETEXT\"><VALUE Lang=\"en\">new?</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_UPDATETITLE\"><VALUE Lang=\"en\">Update</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_NONEWVERSION\"><VALUE Lang=\"en\">latest</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_CHECKERROR\"><VALUE Lang=\"en\">failed</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_FILEERROR\"><VALUE Lang=\"en\">file error</VALUE></SENTENSE>"
           "</text>";
    ASSERT_TRUE(TextTable::Instance().Load(ProgramDirectory() / "Padscope.xml"));
    std::ofstream(ProgramDirectory() / "appCheck") << "Current Version = 105\n";
    temp = ProgramDirectory() / "temp";
    fs::create_directories(temp);
    setup.tempDirectory = temp;
    setup.programPath = "/opt/padscope/padscope";
    setup.pause = std::chrono::milliseconds(0);
    setup.endProcess = [this](int code) { endCodes.push_back(code); };
    setup.launch = [this](const QString& program, const QStringList& arguments) {
      launched = program;
      launchArguments = arguments;
      return true;
    };
  }

  // Runs one check to its end with `page` on the server.
  UpdateOutcome Check(const std::string& page, bool reporting, QWidget* owner = nullptr) {
    test::LocalHttpServer server([&](const std::string& path) {
      requested.push_back(path);
      return test::HttpResponse(page);
    });
    UpdateChecker checker(setup);
    lastBase = server.Base() + "/AppUpdate";
    EXPECT_TRUE(checker.CheckForUpdate(owner, reporting, lastBase));
    EXPECT_TRUE(PumpUntil([&] { return !checker.Busy(); }));
    return checker.Outcomes().at(0);
  }

  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  fs::path temp;
  UpdateCheckSetup setup;
  std::vector<int> endCodes;
  QString launched;
  QStringList launchArguments;
  std::vector<std::string> requested;
  std::string lastBase;
};

TEST_F(UpdateCheckerTest, NewerVersionIsOfferedAndTheUpdaterGetsBothArguments) {
  prompt->Answer(PromptButton::Yes);
  EXPECT_EQ(Check("<p>ApplicationVersion = 106</p>", false), UpdateOutcome::kLaunched);
  EXPECT_EQ(requested, std::vector<std::string>{"/AppUpdate/CheckVersion.html"});
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"new?"});
  EXPECT_EQ(launched.toStdString(), (temp / "QBUpdater.exe").string());
  EXPECT_EQ(launchArguments.size(), 2);
  EXPECT_EQ(launchArguments.at(0).toStdString(), lastBase);
  EXPECT_EQ(launchArguments.at(1), "/opt/padscope/padscope");
  EXPECT_EQ(endCodes, std::vector<int>{0});

  // The three files were written, the program one executable.
  for (const char* name : {"QBUpdaterUI.xml", "zipdll.dll", "QBUpdater.exe"}) {
    EXPECT_TRUE(fs::exists(temp / name)) << name;
  }
  EXPECT_GT(fs::file_size(temp / "QBUpdater.exe"), 10000u);
  EXPECT_NE(ReadText(temp / "QBUpdaterUI.xml").find("<updater>"), std::string::npos);
  EXPECT_NE(fs::status(temp / "QBUpdater.exe").permissions() & fs::perms::owner_exec,
            fs::perms::none);
}

TEST_F(UpdateCheckerTest, SameVersionIsNotOfferedAndToldOnlyWhenReporting) {
  EXPECT_EQ(Check("ApplicationVersion=105", false), UpdateOutcome::kNothingNew);
  EXPECT_TRUE(prompt->Requests().empty());
  EXPECT_EQ(Check("ApplicationVersion=105", true), UpdateOutcome::kNothingNew);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"latest"});
  EXPECT_EQ(prompt->Requests()[0].caption, "Update");
  // "1.2.3" reads as 1, which is not above 105.
  prompt->Clear();
  EXPECT_EQ(Check("ApplicationVersion = 1.2.3", true), UpdateOutcome::kNothingNew);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"latest"});
  EXPECT_TRUE(launched.isEmpty());
}

TEST_F(UpdateCheckerTest, DeclinedForcedUpdateClosesTheWindowAndEnds) {
  QWidget window;
  window.show();
  prompt->Answer(PromptButton::No);
  EXPECT_EQ(Check("ApplicationVersion=106\nForceUpdate=1", false, &window),
            UpdateOutcome::kForcedClose);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(endCodes, std::vector<int>{0});
  EXPECT_TRUE(launched.isEmpty());

  // Not forced: the window stays.
  window.show();
  endCodes.clear();
  prompt->Answer(PromptButton::No);
  EXPECT_EQ(Check("ApplicationVersion=106\nForceUpdate=0", false, &window),
            UpdateOutcome::kDeclined);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(endCodes.empty());

  // "ForceUpdate=" without a digit takes the next digits of the page, here the
  // published version's: forced.
  prompt->Answer(PromptButton::No);
  EXPECT_EQ(Check("ForceUpdate=\nApplicationVersion=106", false, &window),
            UpdateOutcome::kForcedClose);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(UpdateCheckerTest, UnreachableServerIsSilentAtStartUpAndAnErrorOnRequest) {
  UpdateChecker checker(setup);
  ASSERT_TRUE(checker.CheckForUpdate(nullptr, false, kUnreachable));
  ASSERT_TRUE(PumpUntil([&] { return !checker.Busy(); }));
  EXPECT_TRUE(prompt->Requests().empty());
  ASSERT_TRUE(checker.CheckForUpdate(nullptr, true, kUnreachable));
  ASSERT_TRUE(PumpUntil([&] { return !checker.Busy(); }));
  EXPECT_EQ(checker.Outcomes(),
            (std::vector<UpdateOutcome>{UpdateOutcome::kCheckFailed, UpdateOutcome::kCheckFailed}));
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"failed"});
  EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Error);
}

TEST_F(UpdateCheckerTest, UnwritableTemporaryFolderShowsFileErrorAndEnds) {
  setup.tempDirectory = ProgramDirectory() / "no such folder";
  UpdateChecker checker(setup);
  EXPECT_FALSE(checker.CheckForUpdate(nullptr, false, kUnreachable));
  EXPECT_FALSE(checker.Busy());
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"file error"});
  EXPECT_EQ(prompt->Requests()[0].caption, "Padscope");
  EXPECT_EQ(endCodes, std::vector<int>{0});
}

TEST_F(UpdateCheckerTest, ClosingDuringAFetchEndsTheCheckQuietly) {
  // A server that never answers: the checker's end cancels the fetch.
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::listen(listener, 1);
  socklen_t len = sizeof addr;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  const std::string base = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
  {
    UpdateChecker checker(setup);
    ASSERT_TRUE(checker.CheckForUpdate(nullptr, true, base));
    EXPECT_TRUE(checker.Busy());
  }
  ::close(listener);
  EXPECT_TRUE(prompt->Requests().empty());
}

// The main window's system command runs a reporting check against the
// configured source.
TEST(UpdateCommand, MainWindowCommandReportsTheResult) {
  GlobalSettings::ResetInstanceForTest();
  auto prompt = std::make_shared<RecordingPrompt>();
  SetPrompt(prompt);
  test::LocalHttpServer server(
      [](const std::string&) { return test::HttpResponse("ApplicationVersion=3"); });
  std::ofstream(ProgramDirectory() / "appCheck") << "Current Version=3";
  setenv("PADSCOPE_UPDATE_URL", server.Base().c_str(), 1);
  test::SimAdapter sim{test::FastSimConfig()};
  CaptureContext ctx;
  auto frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
  UpdateCheckSetup setup;
  setup.tempDirectory = ProgramDirectory();
  setup.pause = std::chrono::milliseconds(0);
  frame->SetUpdateChecker(std::make_unique<UpdateChecker>(setup));
  frame->Action(kCmdCheckUpdate)->trigger();
  EXPECT_TRUE(PumpUntil([&] { return !frame->updateChecker().Busy(); }));
  EXPECT_EQ(frame->updateChecker().Outcomes(),
            std::vector<UpdateOutcome>{UpdateOutcome::kNothingNew});
  EXPECT_EQ(prompt->Requests().size(), 1u);
  EXPECT_EQ(server.Requests().size(), 1u);
  frame->close();
  frame.reset();
  unsetenv("PADSCOPE_UPDATE_URL");
}

// The embedded updater, written out and run as the program runs it.
class UpdaterProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    home = ProgramDirectory();
    install = home / "install";
    fs::create_directories(install);
    fs::create_directories(home / "tmp");
    program = install / "dummy";
    WriteScript(program, "old");
    std::ofstream(install / "keep.txt") << "user data";
    ASSERT_TRUE(WriteUpdaterFiles(home / "tmp"));
  }

  // A dummy program that leaves a marker naming its version when started.
  static std::string Script(const std::string& version) {
    return "#!/bin/sh\necho " + version + " > \"$(dirname \"$0\")/restarted.marker\"\n";
  }
  static void WriteScript(const fs::path& path, const std::string& version) {
    std::ofstream(path) << Script(version);
    fs::permissions(path, fs::perms::owner_all);
  }

  int RunUpdater(const std::string& base, QByteArray* output = nullptr) {
    QProcess updater;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("PADSCOPE_NONINTERACTIVE", "1");
    env.insert("TMPDIR", QString::fromStdString((home / "tmp").string()));
    updater.setProcessEnvironment(env);
    updater.start(QString::fromStdString((home / "tmp" / "QBUpdater.exe").string()),
                  {QString::fromStdString(base), QString::fromStdString(program.string())});
    EXPECT_TRUE(updater.waitForFinished(60000));
    if (output != nullptr) {
      *output = updater.readAllStandardError();
    }
    return updater.exitStatus() == QProcess::NormalExit ? updater.exitCode() : -1;
  }

  fs::path home, install, program;
};

TEST_F(UpdaterProgramTest, ReplacesTheInstallationAndRestartsIt) {
  std::vector<PackageEntry> entries{{"dummy", kPackageExecutable, {}},
                                    {"share/notes.txt", 0, {'v', '2'}}};
  const std::string script = Script("new");
  entries[0].contents.assign(script.begin(), script.end());
  const std::vector<uint8_t> image = PackUpdate(entries);
  test::LocalHttpServer server([&](const std::string& path) {
    if (path == "/AppUpdate/Padscope.pkg") {
      return test::HttpResponse(std::string(image.begin(), image.end()));
    }
    return test::HttpResponse("not here", -1, 404);
  });
  QByteArray log;
  EXPECT_EQ(RunUpdater(server.Base() + "/AppUpdate", &log), 0) << log.toStdString();
  EXPECT_EQ(ReadText(program), script);
  EXPECT_EQ(ReadText(install / "share" / "notes.txt"), "v2");
  EXPECT_EQ(ReadText(install / "keep.txt"), "user data");
  EXPECT_TRUE(test::WaitFor([&] { return ReadText(install / "restarted.marker") == "new\n"; }));
  EXPECT_TRUE(log.contains("Installing into")) << log.toStdString();
}

TEST_F(UpdaterProgramTest, BrokenOrMissingPackageLeavesTheInstallationAsItWas) {
  std::vector<uint8_t> image = PackUpdate({{"dummy", kPackageExecutable, {'x'}}});
  image[image.size() - 5] ^= 0xFF;
  test::LocalHttpServer server([&](const std::string& path) {
    if (path == "/broken/Padscope.pkg") {
      return test::HttpResponse(std::string(image.begin(), image.end()));
    }
    return test::HttpResponse("not here", -1, 404);
  });
  QByteArray log;
  EXPECT_EQ(RunUpdater(server.Base() + "/broken", &log), 1);
  EXPECT_TRUE(log.contains("checksum")) << log.toStdString();
  EXPECT_EQ(RunUpdater(server.Base() + "/gone", &log), 1);
  EXPECT_TRUE(log.contains("could not be downloaded")) << log.toStdString();
  EXPECT_EQ(RunUpdater(kUnreachable, &log), 1);
  EXPECT_EQ(ReadText(program), Script("old"));
  EXPECT_FALSE(fs::exists(install / "restarted.marker"));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(install)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"dummy", "keep.txt"}));
}

}  // namespace
}  // namespace padscope
