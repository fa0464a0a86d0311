// The program as the users of one machine start it: one instance per user, and
// nothing another user plants in the shared temporary folder keeps it from
// starting or redirects what it writes.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <filesystem>
#include <optional>

#include "common/Files.h"
#include "common/LocalHttpServer.h"
#include "common/SharedFolder.h"
#include "common/Wait.h"
#include "platform/LockDirectory.h"
#include "platform/ProgramFolders.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;

struct User {
  uid_t uid;
  gid_t gid;
};

// The unprivileged user a victim's program runs as, created for the tests when
// missing. Root ignores the sticky bit and file permissions, so a victim running
// as root would hide exactly the faults these tests look for.
std::optional<User> VictimUser(std::string& why) {
  constexpr char kName[] = "padscope-victim";
  if (::geteuid() != 0) {
    why = "running the victim as an unprivileged user needs root to create it";
    return std::nullopt;
  }
  if (::getpwnam(kName) == nullptr) {
    QProcess::execute("useradd",
                      {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin", kName});
  }
  const passwd* pw = ::getpwnam(kName);
  if (pw == nullptr) {
    why = "the user padscope-victim cannot be created (useradd failed)";
    return std::nullopt;
  }
  return User{pw->pw_uid, pw->pw_gid};
}

// A local update server: every request is recorded, so a program that reached
// its start-up update check (it took its guard and built its window) is seen.
class Server {
 public:
  bool Asked(const std::string& tag) {
    return test::WaitFor([&] {
      for (const std::string& head : server_.Requests()) {
        if (head.rfind("GET /" + tag + "/CheckVersion.html ", 0) == 0) {
          return true;
        }
      }
      return false;
    });
  }
  std::string Source(const std::string& tag) const { return server_.Base() + "/" + tag; }

 private:
  test::LocalHttpServer server_{
      [](const std::string&) { return test::HttpResponse("ApplicationVersion=999"); }};
};

// One run of the program; killed when the test ends.
class ProgramRun {
 public:
  ProgramRun(const QProcessEnvironment& env, std::optional<User> user = std::nullopt,
             const fs::path& program = PADSCOPE_BINARY) {
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(env.value("PADSCOPE_HOME"));
    if (user) {
      process.setChildProcessModifier([u = *user] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(u.gid) != 0 || ::setuid(u.uid) != 0) {
          ::_exit(127);
        }
      });
    }
    process.start(QString::fromStdString(program.string()), {});
    EXPECT_TRUE(process.waitForStarted()) << program;
  }
  ~ProgramRun() {
    process.kill();
    process.waitForFinished();
  }
  QProcess process;
};

// What a user's program is started with: its own state folder, the given
// temporary and runtime folders, and the update source. Its texts come from
// beside the program in the build tree, whatever the state folder.
QProcessEnvironment Environment(const fs::path& state, const fs::path& temp,
                                const std::optional<fs::path>& runtime,
                                const std::string& updateSource) {
  fs::create_directories(state);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("PADSCOPE_HOME", QString::fromStdString(state.string()));
  env.insert("HOME", QString::fromStdString(state.string()));
  env.insert("PADSCOPE_SIMULATE", "pelmira");
  env.insert("PADSCOPE_NONINTERACTIVE", "1");
  env.insert("LANG", "en_US.UTF-8");
  env.insert("TMPDIR", QString::fromStdString(temp.string()));
  env.insert("PADSCOPE_UPDATE_URL", QString::fromStdString(updateSource));
  env.remove("XDG_RUNTIME_DIR");
  if (runtime) {
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime->string()));
  }
  return env;
}

TEST(ProgramStart, SecondInstanceOfTheUserIsRefused) {
  Server server;
  const fs::path runtime = std::getenv("XDG_RUNTIME_DIR");
  const auto env = [&](const std::string& tag) {
    return Environment(StateDirectory(), StateDirectory(), runtime, server.Source(tag));
  };
  const auto first = std::make_unique<ProgramRun>(env("first"));
  ASSERT_TRUE(server.Asked("first"));
  EXPECT_TRUE(fs::exists(runtime / kInstanceLockName)) << "the guard is in the runtime folder";

  QProcess second;
  second.setProcessEnvironment(env("second"));
  second.start(PADSCOPE_BINARY, {});
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.readAllStandardError().contains("Padscope is already running."));
  EXPECT_EQ(first->process.state(), QProcess::Running) << "the first instance is not touched";
}

// A folder for the folders two users share, which every user can pass
// through: the test's own folder when every folder above it lets others pass,
// otherwise (a temporary folder private to the tester, mode 0700) a fresh one
// in the system's temporary folder, removed when the test ends.
class FolderOthersReach {
 public:
  FolderOthersReach() {
    if (OthersPassDown(StateDirectory())) {
      path_ = StateDirectory();
      return;
    }
    std::string name = "/tmp/padscope-test-XXXXXX";
    if (::mkdtemp(name.data()) != nullptr && ::chmod(name.c_str(), 0711) == 0) {
      path_ = name;
      owned_ = true;
    }
  }
  ~FolderOthersReach() {
    std::error_code ec;
    if (owned_) {
      fs::remove_all(path_, ec);
    }
  }
  const fs::path& path() const { return path_; }

 private:
  static bool OthersPassDown(const fs::path& folder) {
    for (fs::path p = fs::absolute(folder);; p = p.parent_path()) {
      struct stat st {};
      if (::stat(p.c_str(), &st) != 0 || (st.st_mode & S_IXOTH) == 0) {
        return false;
      }
      if (p == p.parent_path()) {
        return true;
      }
    }
  }

  fs::path path_;
  bool owned_ = false;
};

TEST(ProgramStart, WhatAnotherUserPlantsInTheSharedTemporaryFolderNeitherStopsNorRedirectsIt) {
  std::string why;
  const std::optional<User> victim = VictimUser(why);
  if (!victim) {
    GTEST_SKIP() << why;
  }
  const FolderOthersReach base;
  ASSERT_FALSE(base.path().empty());
  const fs::path shared = test::MakeSharedFolder(base.path() / "tmp");
  // The build tree may lie where the victim cannot pass (a clone in a private
  // folder): the victim runs a copy of the program and its texts.
  const fs::path programCopy = base.path() / "program";
  fs::create_directory(programCopy);
  for (const fs::path& file :
       {fs::path(PADSCOPE_BINARY), fs::path(PADSCOPE_BINARY).parent_path() / "Padscope.xml"}) {
    fs::copy_file(file, programCopy / file.filename());
  }
  fs::permissions(programCopy, fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
  const fs::path victimHome = base.path() / "victim";
  const fs::path secret = victimHome / "secret.txt";
  const fs::path state = victimHome / "padscope";
  Server server;
  const QProcessEnvironment victimEnv =
      Environment(state, shared, std::nullopt, server.Source("victim"));
  std::ofstream(secret) << "the victim's own";
  for (const auto& entry : fs::recursive_directory_iterator(victimHome)) {
    ASSERT_EQ(::lchown(entry.path().c_str(), victim->uid, victim->gid), 0);
  }
  ASSERT_EQ(::chown(victimHome.c_str(), victim->uid, victim->gid), 0);
  fs::permissions(victimHome, fs::perms::owner_all);
  fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);

  // What the review planted, as "nobody": links to the victim's file and
  // foreign files under every fixed name the program once used there, and a
  // foreign folder where Qt would put the victim's runtime folder.
  for (const char* name : {"QBUpdater.exe", "zipdll.dll"}) {
    fs::create_symlink(secret, shared / name);
    ASSERT_EQ(::lchown((shared / name).c_str(), test::kNobody, test::kNobody), 0);
  }
  test::PlantForeignFile(shared / "QBUpdaterUI.xml", "<theirs/>");
  test::PlantForeignFile(shared / kInstanceLockName, "");
  fs::create_directory(shared / "runtime-padscope-victim");
  ASSERT_EQ(::chown((shared / "runtime-padscope-victim").c_str(), test::kNobody, test::kNobody), 0);
  const auto planted = test::Tree(shared);

  ProgramRun run(victimEnv, victim, programCopy / fs::path(PADSCOPE_BINARY).filename());
  ASSERT_TRUE(server.Asked("victim")) << run.process.readAllStandardError().toStdString();
  // Another user of the machine runs Padscope at the same time.
  ProgramRun other(Environment(StateDirectory() / "other", shared,
                               fs::path(std::getenv("XDG_RUNTIME_DIR")), server.Source("other")));
  EXPECT_TRUE(server.Asked("other"));
  EXPECT_EQ(run.process.state(), QProcess::Running);

  EXPECT_EQ(test::Tree(shared), planted) << "nothing is written into the shared folder";
  EXPECT_EQ(test::Tree(victimHome)["secret.txt"], "the victim's own");
  EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  // The foreign runtime folder is refused: the guard falls back to the state folder.
  struct stat guard {};
  ASSERT_EQ(::stat((state / kInstanceLockName).c_str(), &guard), 0);
  EXPECT_EQ(guard.st_uid, victim->uid);
  EXPECT_EQ(guard.st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace padscope
