#pragma once

// The update check's decisions, free of Qt and of the network: reading version
// values out of free text, and what the worker does with the version page.
// The fetch, the launch of the updater and the end of the program are the
// caller's (UpdateHost), so the worker runs the same way in tests.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/UpdatePackage.h"

namespace padscope {

// What a fetch returns when the document cannot be had.
inline constexpr char kFetchError[] = "<FILE ERROR!>";
// Installed version file in the resource folder (it comes with the program and
// an update package brings a new one); only its first line counts.
inline constexpr char kAppCheckFile[] = "appCheck";
// Page name appended to the update source.
inline constexpr char kVersionPageName[] = "CheckVersion.html";
// The updater's files, written once the user accepts an update into a fresh
// private folder whose name starts with kUpdaterFolderPrefix.
inline constexpr char kUpdaterTextsFile[] = "QBUpdaterUI.xml";
inline constexpr char kUpdaterCompanionFile[] = "zipdll.dll";
inline constexpr char kUpdaterProgramFile[] = "QBUpdater.exe";
inline constexpr char kUpdaterFolderPrefix[] = "padscope-updater-";

// The value of `key` in `text`: after the first occurrence of the key, the
// first "=", then the first run of decimal digits anywhere after it. 0 when the
// key, the "=" or any digit is missing. Values beyond INT32_MAX (however many
// digits) give INT32_MAX.
int32_t ParseVersionValue(std::string_view text, std::string_view key);

// "Current Version" of the first line of the file; none when the file is
// missing or unreadable or names no version above 0: an installation whose
// version is not known is never updated (it would take any older package).
std::optional<int32_t> ReadInstalledVersion(const std::filesystem::path& appCheck);

// The version page's address: the base address, a separator and the page name.
std::string VersionPageAddress(const std::string& baseAddress);

// The update package's address: the base address, a separator and its name.
std::string PackageAddress(const std::string& baseAddress);

// Everything one check needs; the worker owns its copy.
struct UpdateRequest {
  std::string baseAddress;                  // the update source
  std::string pageAddress;                  // VersionPageAddress(baseAddress)
  std::optional<int32_t> installedVersion;  // none: not known, nothing is offered
  bool reportResult = false;          // also tell when there is nothing new or the check failed
  std::filesystem::path programPath;  // the running program, handed to the updater
  // False when the build has no key to check packages with: newer versions
  // are only announced, never installed.
  bool canInstall = true;
  // Installed by the system's package manager: newer versions are announced
  // as coming from there, and the updater is never started.
  bool packaged = false;
};

// The services the worker calls; the worker's thread calls them.
class UpdateHost {
 public:
  virtual ~UpdateHost() = default;
  // The document at the address, or kFetchError.
  virtual std::string Fetch(const std::string& address) = 0;
  // Downloads the package beneath the base address and checks it as the
  // updater will (signature, product, platform, newer than the installed
  // version, the program in it); false with the reason it would be refused.
  virtual bool CheckPackage(const std::string& baseAddress, const UpdateTarget& target,
                            std::string& reason) = 0;
  // Writes the updater out into a fresh private folder and starts it from there,
  // detached, with exactly these arguments; false when it could not be written
  // or started.
  virtual bool LaunchUpdater(const std::vector<std::string>& arguments) = 0;
  // Closes the main window the way its close button does (stops capture, saves
  // the settings) and returns once it is closed.
  virtual void CloseMainWindow() = 0;
  // Ends the program with the exit code.
  virtual void EndProcess(int code) = 0;
  // True once the program no longer wants the result (it is closing): the
  // worker then shows nothing.
  virtual bool Cancelled() const { return false; }
};

enum class UpdateOutcome {
  kNothingNew,      // not newer (told only when reporting)
  kCheckFailed,     // no published version, or no installed one (told only when reporting)
  kDeclined,        // offered, the user said No
  kForcedClose,     // offered as forced, declined: the program ends
  kLaunched,        // accepted: the updater runs and the program ends
  kLaunchFailed,    // accepted, but the updater could not be written or started
  kPackageRefused,  // accepted or forced, but the package would be refused: the program goes on
  kAnnounced,       // newer, but this program does not install it itself: the user was told
  kCancelled,       // the program closed during the check
};

// One check: fetch the version page, compare, offer through the Prompt service
// (texts from the text table) and act on the answer. The version page is not
// signed, so the program ends (to update, or for a declined forced update)
// only once the package was checked.
UpdateOutcome RunUpdateWorker(const UpdateRequest& request, UpdateHost& host);

}  // namespace padscope
