#include "support/UpdateCheck.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "support/TextTable.h"

namespace padscope {
namespace {

TEST(ParseVersionValue, ReadsTheDigitsAfterTheKeysEqualsSign) {
  EXPECT_EQ(ParseVersionValue("Current Version = 105", "Current Version"), 105);
  EXPECT_EQ(ParseVersionValue("x ApplicationVersion=106;ForceUpdate=0", "ApplicationVersion"), 106);
  // Points end the run of digits.
  EXPECT_EQ(ParseVersionValue("ApplicationVersion = 1.2.3", "ApplicationVersion"), 1);
  // The first occurrence of the key counts, then the first "=" after it.
  EXPECT_EQ(
      ParseVersionValue("ApplicationVersion: soon\nApplicationVersion=7", "ApplicationVersion"), 7);
  // Keys are compared exactly.
  EXPECT_EQ(ParseVersionValue("applicationversion=9", "ApplicationVersion"), 0);
}

TEST(ParseVersionValue, MissingPartsGiveZero) {
  EXPECT_EQ(ParseVersionValue("", "ApplicationVersion"), 0);
  EXPECT_EQ(ParseVersionValue("ApplicationVersion 106", "ApplicationVersion"), 0);
  EXPECT_EQ(ParseVersionValue("ApplicationVersion = none", "ApplicationVersion"), 0);
  EXPECT_EQ(ParseVersionValue("<FILE ERROR!>", "ApplicationVersion"), 0);
}

TEST(ParseVersionValue, ForceUpdateWithoutDigitTakesTheNextDigitsFound) {
  const std::string page = "ApplicationVersion=106\nForceUpdate=\nNotes: fixed in 2 places";
  EXPECT_EQ(ParseVersionValue(page, "ForceUpdate"), 2);
}

TEST(ParseVersionValue, LongValuesSaturateInsteadOfOverflowing) {
  EXPECT_EQ(ParseVersionValue("v=2147483647", "v"), INT32_MAX);
  EXPECT_EQ(ParseVersionValue("v=2147483648", "v"), INT32_MAX);
  EXPECT_EQ(ParseVersionValue("v=" + std::string(200, '9') + " tail", "v"), INT32_MAX);
  EXPECT_EQ(ParseVersionValue("v=" + std::string(100, '0') + "42", "v"), 42);
}

TEST(ReadInstalledVersion, OnlyTheFirstLineCountsAndAMissingFileIsUnknown) {
  const auto path = StateDirectory() / kAppCheckFile;
  EXPECT_EQ(ReadInstalledVersion(path), std::nullopt);
  std::ofstream(path) << "Current Version = 105\r\nCurrent Version = 999\n";
  EXPECT_EQ(ReadInstalledVersion(path), 105);
  std::ofstream(path, std::ios::trunc) << "\nCurrent Version = 105\n";
  EXPECT_EQ(ReadInstalledVersion(path), std::nullopt);
  std::ofstream(path, std::ios::trunc) << "Current Version = 0\n";
  EXPECT_EQ(ReadInstalledVersion(path), std::nullopt);
}

TEST(VersionPageAddress, AppendsThePageWithOneSeparator) {
  EXPECT_EQ(VersionPageAddress("http://h/AppUpdate/USB/Padscope/Padscope"),
            "http://h/AppUpdate/USB/Padscope/Padscope/CheckVersion.html");
  EXPECT_EQ(VersionPageAddress("http://h/p/"), "http://h/p/CheckVersion.html");
}

// Records what the worker asks of the program.
class FakeHost : public UpdateHost {
 public:
  std::string Fetch(const std::string& address) override {
    fetched.push_back(address);
    return page;
  }
  bool CheckPackage(const std::string& base, const UpdateTarget& target,
                    std::string& reason) override {
    checked.push_back(base + " " + target.programName);
    reason = "the signature does not match";
    return packageFits;
  }
  bool LaunchUpdater(const std::vector<std::string>& arguments) override {
    ++launches;
    launchedArguments = arguments;
    return launchWorks;
  }
  void CloseMainWindow() override { ++closes; }
  void EndProcess(int code) override { endCodes.push_back(code); }

  std::string page;
  bool packageFits = true;
  std::vector<std::string> checked;
  bool launchWorks = true;
  std::vector<std::string> fetched;
  int launches = 0;
  std::vector<std::string> launchedArguments;
  int closes = 0;
  std::vector<int> endCodes;
};

class UpdateWorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    SetPrompt(prompt);
    std::ofstream(StateDirectory() / "Padscope.xml")
        << "<text>"
           "<SENTENSE id=\"T_UPDATETEXT\"><VALUE Lang=\"en\">new?</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_UPDATETITLE\"><VALUE Lang=\"en\">Update</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_NONEWVERSION\"><VALUE Lang=\"en\">latest</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_CHECKERROR\"><VALUE Lang=\"en\">failed</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_FILEERROR\"><VALUE Lang=\"en\">file error</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_UPDATEMANUAL\"><VALUE Lang=\"en\">by hand</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_UPDATEPACKAGE\"><VALUE Lang=\"en\">by apt</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_NOVERSION\"><VALUE Lang=\"en\">unknown version</VALUE></SENTENSE>"
           "<SENTENSE id=\"T_UPDATEREFUSED\"><VALUE Lang=\"en\">refused</VALUE></SENTENSE>"
           "</text>";
    ASSERT_TRUE(TextTable::Instance().Load(StateDirectory() / "Padscope.xml"));
    request.baseAddress = "http://h/AppUpdate/USB/Padscope/Padscope";
    request.pageAddress = VersionPageAddress(request.baseAddress);
    request.installedVersion = 105;
    request.programPath = "/opt/padscope/padscope";
  }

  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  FakeHost host;
  UpdateRequest request;
};

TEST_F(UpdateWorkerTest, NewerVersionAcceptedLaunchesTheUpdaterWithBothArgumentsAndEnds) {
  host.page = "ApplicationVersion = 106";
  prompt->Answer(PromptButton::Yes);
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kLaunched);
  EXPECT_EQ(host.fetched, std::vector<std::string>{request.pageAddress});
  ASSERT_EQ(prompt->Requests().size(), 1u);
  EXPECT_EQ(prompt->Requests()[0].text, "new?");
  EXPECT_EQ(prompt->Requests()[0].caption, "Update");
  EXPECT_EQ(prompt->Requests()[0].buttons, PromptButtons::YesNo);
  EXPECT_EQ(host.launches, 1);
  EXPECT_EQ(host.launchedArguments,
            (std::vector<std::string>{request.baseAddress, "/opt/padscope/padscope"}));
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(host.endCodes, std::vector<int>{0});
  EXPECT_EQ(host.checked, std::vector<std::string>{request.baseAddress + " padscope"});
}

// The version page is not signed: whatever it says, the program ends only for
// a package that would be installed, and otherwise says why and goes on.
TEST_F(UpdateWorkerTest, APackageThatWouldBeRefusedEndsNothingForcedOrAccepted) {
  host.page = "ApplicationVersion=106 ForceUpdate=1";
  host.packageFits = false;
  for (const PromptButton answer : {PromptButton::Yes, PromptButton::No}) {
    prompt->Answer(answer);
    EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kPackageRefused);
    EXPECT_EQ(prompt->Texts().back(), "refused\nthe signature does not match");
  }
  EXPECT_EQ(host.launches + host.closes, 0);
  EXPECT_TRUE(host.endCodes.empty());
}

TEST_F(UpdateWorkerTest, DeclinedOfferDoesNothingUnlessForced) {
  host.page = "ApplicationVersion=106 ForceUpdate=0";
  prompt->Answer(PromptButton::No);
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kDeclined);
  EXPECT_EQ(host.closes, 0);
  EXPECT_TRUE(host.endCodes.empty());

  host.page = "ApplicationVersion=106 ForceUpdate=1";
  prompt->Answer(PromptButton::No);
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kForcedClose);
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(host.endCodes, std::vector<int>{0});
  EXPECT_EQ(host.launches, 0);
}

TEST_F(UpdateWorkerTest, SameOrOlderVersionIsToldOnlyWhenReporting) {
  host.page = "ApplicationVersion=105";
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kNothingNew);
  EXPECT_TRUE(prompt->Requests().empty());
  request.reportResult = true;
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kNothingNew);
  ASSERT_EQ(prompt->Requests().size(), 1u);
  EXPECT_EQ(prompt->Requests()[0].text, "latest");
  EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Warning);
}

TEST_F(UpdateWorkerTest, FailedFetchIsACheckErrorWhenReporting) {
  host.page = kFetchError;
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kCheckFailed);
  EXPECT_TRUE(prompt->Requests().empty());
  request.reportResult = true;
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kCheckFailed);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"failed"});
  EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Error);
}

// Without a known installed version nothing is newer: nothing is offered,
// even as forced, and nothing closes.
TEST_F(UpdateWorkerTest, UnknownInstalledVersionOffersNothing) {
  request.installedVersion = std::nullopt;
  host.page = "ApplicationVersion=1 ForceUpdate=1";
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kCheckFailed);
  EXPECT_TRUE(prompt->Requests().empty());
  request.reportResult = true;
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kCheckFailed);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"unknown version"});
  EXPECT_EQ(host.closes + host.launches, 0);
  EXPECT_TRUE(host.endCodes.empty());
}

TEST_F(UpdateWorkerTest, UpdaterThatCannotStartKeepsTheProgramRunning) {
  host.page = "ApplicationVersion=106";
  host.launchWorks = false;
  prompt->Answer(PromptButton::Yes);
  EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kLaunchFailed);
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"new?", "file error"}));
  EXPECT_EQ(host.closes, 0);
  EXPECT_TRUE(host.endCodes.empty());
}

// Without a key to check packages with, or installed by the package manager,
// a newer version is announced and nothing is started or closed, forced or not.
TEST_F(UpdateWorkerTest, BuildWithoutAKeyOrPackagedOnlyAnnouncesANewerVersion) {
  host.page = "ApplicationVersion=106 ForceUpdate=1";
  for (const bool packaged : {false, true}) {
    SCOPED_TRACE(packaged ? "packaged" : "no key");
    request.canInstall = packaged;
    request.packaged = packaged;
    prompt->Answer(PromptButton::Yes);
    EXPECT_EQ(RunUpdateWorker(request, host), UpdateOutcome::kAnnounced);
    EXPECT_EQ(prompt->Texts().back(), packaged ? "by apt" : "by hand");
    EXPECT_EQ(prompt->Requests().back().buttons, PromptButtons::Ok);
  }
  EXPECT_EQ(host.launches, 0);
  EXPECT_EQ(host.closes, 0);
  EXPECT_TRUE(host.endCodes.empty());
}

}  // namespace
}  // namespace padscope
