// The update check against a local HTTP server: the fetcher's reading rules,
// the checker's offers and reports, and the command on the main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "common/Files.h"
#include "common/LocalHttpServer.h"
#include "common/SimFixture.h"
#include "common/UpdateTestKeys.h"
#include "common/Wait.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "state/GlobalSettings.h"
#include "support/TextTable.h"
#include "support/UpdatePackage.h"
#include "ui/app/CMainFrame.h"
#include "ui/support/UpdateCheckQt.h"

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
    std::ofstream(StateDirectory() / "Padscope.xml")
        << "<text>"
           "<SENTENSE id=\"ID_WIN_TITLE\"><VALUE Lang=\"en\">Padscope</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_UPDATETEXT\"><VALUE Lang=\"en\">new?</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_UPDATETITLE\"><VALUE Lang=\"en\">Update</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_NONEWVERSION\"><VALUE Lang=\"en\">latest</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_CHECKERROR\"><VALUE Lang=\"en\">failed</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_FILEERROR\"><VALUE Lang=\"en\">file error</VALUE></SENTENSE>"
           "</text>";
    ASSERT_TRUE(TextTable::Instance().Load(StateDirectory() / "Padscope.xml"));
    std::ofstream(ResourceDirectory() / "appCheck") << "Current Version = 105\n";
    temp = StateDirectory() / "temp";
    fs::create_directories(temp);
    setup.tempDirectory = temp;
    setup.programPath = "/opt/padscope/padscope";
    setup.pause = std::chrono::milliseconds(0);
    setup.canInstall = true;
    setup.packageKey = test::TestPublicKey();
    setup.endProcess = [this](int code) { endCodes.push_back(code); };
    setup.launch = [this](const QString& program, const QStringList& arguments) {
      launched = program;
      launchArguments = arguments;
      return true;
    };
  }

  // Runs one check to its end with `page` on the server, and a signed
  // package of version 106 for the program beside it.
  UpdateOutcome Check(const std::string& page, bool reporting, QWidget* owner = nullptr) {
    const std::string appCheck =
        "Current Version = 106\nProduct = Padscope\nPlatform = " + std::string(UpdatePlatform()) +
        "\n";
    const std::vector<uint8_t> image =
        PackUpdate({106,
                    {{"padscope", kPackageExecutable, {'E', 'L', 'F'}},
                     {"appCheck", 0, {appCheck.begin(), appCheck.end()}}}},
                   test::TestSecretKey());
    test::LocalHttpServer server([&](const std::string& path) {
      requested.push_back(path);
      return path.ends_with("/Padscope.pkg")
                 ? test::HttpResponse(std::string(image.begin(), image.end()))
                 : test::HttpResponse(page);
    });
    UpdateChecker checker(setup);
    lastBase = server.Base() + "/AppUpdate";
    checker.CheckForUpdate(owner, reporting, lastBase);
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

// The updater is written only once the user accepts, into a fresh folder of
// the user's own: what another user planted under the updater's names in the
// temporary folder is neither written through nor run.
TEST_F(UpdateCheckerTest, AcceptedUpdateRunsTheUpdaterFromAFreshPrivateFolder) {
  const fs::path victim = StateDirectory() / "victim.txt";
  std::ofstream(victim) << "private";
  for (const char* name : {"QBUpdaterUI.xml", "zipdll.dll", "QBUpdater.exe"}) {
    fs::create_symlink(victim, temp / name);
  }
  const auto planted = test::Tree(temp);
  prompt->Answer(PromptButton::No);
  EXPECT_EQ(Check("<p>ApplicationVersion = 106</p>", false), UpdateOutcome::kDeclined);
  EXPECT_EQ(test::Tree(temp), planted) << "nothing is written before the user accepts";

  prompt->Answer(PromptButton::Yes);
  EXPECT_EQ(Check("<p>ApplicationVersion = 106</p>", false), UpdateOutcome::kLaunched);
  EXPECT_EQ(requested,
            (std::vector<std::string>{"/AppUpdate/CheckVersion.html",
                                      "/AppUpdate/CheckVersion.html", "/AppUpdate/Padscope.pkg"}));
  const fs::path updater = launched.toStdString();
  const fs::path folder = updater.parent_path();
  EXPECT_EQ(updater.filename(), "QBUpdater.exe");
  EXPECT_EQ(folder.parent_path(), temp);
  EXPECT_EQ(folder.filename().string().rfind("padscope-updater-", 0), 0u) << folder;
  EXPECT_EQ(fs::symlink_status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(launchArguments,
            (QStringList{QString::fromStdString(lastBase), "/opt/padscope/padscope"}));
  EXPECT_EQ(endCodes, std::vector<int>{0});

  EXPECT_GT(fs::file_size(updater), 10000u);
  EXPECT_EQ(fs::status(updater).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_NE(ReadText(folder / "QBUpdaterUI.xml").find("<updater>"), std::string::npos);
  EXPECT_EQ(ReadText(victim), "private");
  auto after = test::Tree(temp);
  for (auto it = after.begin(); it != after.end();) {
    it = it->first.rfind(folder.filename().string(), 0) == 0 ? after.erase(it) : std::next(it);
  }
  EXPECT_EQ(after, planted);
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
  checker.CheckForUpdate(nullptr, false, kUnreachable);
  ASSERT_TRUE(PumpUntil([&] { return !checker.Busy(); }));
  EXPECT_TRUE(prompt->Requests().empty());
  checker.CheckForUpdate(nullptr, true, kUnreachable);
  ASSERT_TRUE(PumpUntil([&] { return !checker.Busy(); }));
  EXPECT_EQ(checker.Outcomes(),
            (std::vector<UpdateOutcome>{UpdateOutcome::kCheckFailed, UpdateOutcome::kCheckFailed}));
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"failed"});
  EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Error);
}

// An updater that cannot be written is reported, and the program goes on.
TEST_F(UpdateCheckerTest, UnwritableTemporaryFolderIsReportedAndTheProgramKeepsRunning) {
  setup.tempDirectory = StateDirectory() / "no such folder";
  prompt->Answer(PromptButton::Yes);
  EXPECT_EQ(Check("ApplicationVersion=106", false), UpdateOutcome::kLaunchFailed);
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"new?", "file error"}));
  EXPECT_TRUE(launched.isEmpty());
  EXPECT_TRUE(endCodes.empty());
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
    checker.CheckForUpdate(nullptr, true, base);
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
  std::ofstream(ResourceDirectory() / "appCheck") << "Current Version=3";
  setenv("PADSCOPE_UPDATE_URL", server.Base().c_str(), 1);
  test::SimAdapter sim{test::FastSimConfig()};
  CaptureContext ctx;
  auto frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
  UpdateCheckSetup setup;
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

}  // namespace
}  // namespace padscope
