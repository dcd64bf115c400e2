#include "platform/files.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/child_exit.h"
#include "common/pipe_watch.h"
#include "common/unread_pipe.h"
#include "common/waiting_child.h"
#include "platform/graphics.h"
#include "platform/test/test_backend.h"

namespace {

namespace fs = std::filesystem;

// Every case works in a fresh folder of its own, which is current while it runs.
class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    std::string tmpl = (fs::temp_directory_path() / "duskmoor-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    old_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    SetWriteFailAfter(-1);
    SetReadFailAfter(-1);
    SetOwnerPermissionsBind(false);
    SetFolderLocksFail(0);
    LetGoOfFolderLocks();
    fs::current_path(old_);
    fs::remove_all(dir_);
  }

  static void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(name, bytes)) << name;
    return bytes;
  }
  static std::vector<std::string> ReadAllLines(const std::string& name) {
    std::vector<std::string> lines;
    Stream s = ReadFile(name);
    EXPECT_NE(s, nullptr);
    while (!Eof(s)) lines.push_back(ReadLine(s));
    CloseFile(s);
    return lines;
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_, old_;
};

using Lines = std::vector<std::string>;

// A socket bound to `path`, which stays behind as a socket file.
void MakeSocket(const std::string& path) {
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
  ::close(sock);
}

// The mode of what has the name itself (a link is not followed); 0 when
// nothing has it.
mode_t KindOf(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// An unprivileged player: permissions do not bind the superuser, as whom
// the tests may run.
constexpr uid_t kPlayer = 65534;

// In a child process: goes on as the player when the tests run as the
// superuser (as anyone else they already run as a player).
bool BecomePlayer() {
  if (::geteuid() != 0) return true;
  return ::setgroups(0, nullptr) == 0 && ::setgid(kPlayer) == 0 && ::setuid(kPlayer) == 0;
}

TEST_F(Files, ReadLineEndsAtLfOrNulAndDropsEveryCr) {
  struct Case {
    std::string bytes;
    Lines want;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},                       // a last line without a line end
      {"a\nb\r\n\r\n", {"a", "b", ""}},
      {"a\r\r\nb\rc\n", {"a", "bc"}},              // CR anywhere is dropped
      {std::string("a\0b\n", 4), {"a", "b"}},      // a zero byte ends a line
      {std::string("\0\0", 2), {"", ""}},
      {"", {}},
      {"\n", {""}},
      {"\r", {""}},
      {"\xEF\xBB\xBF<title>x</title>\n", {"\xEF\xBB\xBF<title>x</title>"}},
  };
  int i = 0;
  for (const auto& c : cases) {
    const std::string name = "case" + std::to_string(i++);
    Put(name, c.bytes);
    EXPECT_EQ(ReadAllLines(name), c.want) << name;
  }
}

TEST_F(Files, LinesLongerThanAnyBufferReadWhole) {
  const std::string longline(200000, 'x');
  Put("long", "a\n" + longline + "\r\nb");
  EXPECT_EQ(ReadAllLines("long"), (Lines{"a", longline, "b"}));
}

TEST_F(Files, WriteLineWritesEachByteThenCrLf) {
  Stream s = WriteFile("out.txt");
  ASSERT_NE(s, nullptr);
  WriteLine(s, "<title>Cave</title>");
  WriteLine(s, "");
  WriteLine(s, "\t\t\t0:wall*23");
  WriteLine(s, std::string("\xE9\xFF\x01", 3));
  WriteString(s, "tail");
  EXPECT_TRUE(Eof(s));
  EXPECT_TRUE(StreamOk(s));
  CloseFile(s);
  EXPECT_EQ(Get("out.txt"), std::string("<title>Cave</title>\r\n\r\n\t\t\t0:wall*23\r\n\xE9\xFF\x01\r\ntail"));
  // What was written reads back line by line.
  EXPECT_EQ(ReadAllLines("out.txt"),
            (Lines{"<title>Cave</title>", "", "\t\t\t0:wall*23", std::string("\xE9\xFF\x01", 3), "tail"}));
}

TEST_F(Files, WriteFileReplacesAnEarlierFile) {
  Put("f", "a much longer earlier content\r\n");
  Stream s = WriteFile("f");
  WriteLine(s, "new");
  CloseFile(s);
  EXPECT_EQ(Get("f"), "new\r\n");
}

TEST_F(Files, FailedOpensGiveANullStreamOnWhichEverythingIsHarmless) {
  fs::create_directory("Level.xml");
  Put("afile", "x");
  const std::vector<Stream> nulls = {
      ReadFile("missing.txt"),
      ReadFile("Level.xml"),       // a folder of that name
      ReadFile(""),
      WriteFile("Level.xml"),
      WriteFile("nowhere/x.txt"),  // no such folder
      WriteFile("afile/x.txt"),    // a file where a folder should be
      WriteFile(""),
  };
  for (const Stream& s : nulls) {
    EXPECT_EQ(s, nullptr);
    EXPECT_TRUE(Eof(s));
    EXPECT_EQ(ReadLine(s), "");
    WriteLine(s, "ignored");
    WriteString(s, "ignored");
    FlushStream(s);
    EXPECT_FALSE(StreamOk(s));
    CloseFile(s);
    CloseFile(s);
  }
  // A read loop over a null stream ends at once.
  int passes = 0;
  for (Stream s = ReadFile("missing.txt"); !Eof(s) && passes < 10; ++passes) ReadLine(s);
  EXPECT_EQ(passes, 0);
  EXPECT_EQ(Listing(), (Lines{"Level.xml", "afile"}));
}

TEST_F(Files, AClosedStreamActsAsNull) {
  Put("f", "a\nb\n");
  Stream r = ReadFile("f");
  EXPECT_EQ(ReadLine(r), "a");
  CloseFile(r);
  EXPECT_TRUE(Eof(r));
  EXPECT_EQ(ReadLine(r), "");
  CloseFile(r);

  Stream w = WriteFile("g");
  WriteLine(w, "kept");
  CloseFile(w);
  WriteLine(w, "dropped");
  CloseFile(w);
  EXPECT_EQ(Get("g"), "kept\r\n");
}

TEST_F(Files, AStreamLeftOpenIsWrittenOutWhenReleased) {
  {
    Stream w = WriteFile("g");
    WriteLine(w, "x");
  }
  EXPECT_EQ(Get("g"), "x\r\n");
}

TEST_F(Files, FlushStreamHandsBytesOverWhileTheStreamStaysOpen) {
  Stream w = WriteFile("log.txt");
  WriteLine(w, "Quoradin's Tamblewick Engine");
  FlushStream(w);
  EXPECT_EQ(Get("log.txt"), "Quoradin's Tamblewick Engine\r\n");
  WriteLine(w, "more");
  CloseFile(w);
  EXPECT_EQ(Get("log.txt"), "Quoradin's Tamblewick Engine\r\nmore\r\n");
}

TEST_F(Files, AWriteThatFailsPartWayIsReported) {
  Stream w = WriteFile("g");
  SetWriteFailAfter(5);
  WriteLine(w, "0123456789");
  CloseFile(w);
  EXPECT_FALSE(StreamOk(w));
  EXPECT_EQ(Get("g"), "01234");
}

TEST_F(Files, FileTypeSizeAndDelete) {
  Put("f.txt", "12345");
  fs::create_directory("sub");
  EXPECT_EQ(FileType("f.txt"), 1);
  EXPECT_EQ(FileType("sub"), 2);
  EXPECT_EQ(FileType("none"), 0);
  EXPECT_EQ(FileType(""), 0);
  EXPECT_EQ(FileSize("f.txt"), 5);
  EXPECT_EQ(FileSize("sub"), 0);
  EXPECT_EQ(FileSize("none"), -1);
  EXPECT_FALSE(DeleteFile("sub"));  // folders are not deleted
  EXPECT_EQ(FileType("sub"), 2);
  EXPECT_TRUE(DeleteFile("f.txt"));
  EXPECT_EQ(FileType("f.txt"), 0);
  EXPECT_FALSE(DeleteFile("f.txt"));
}

TEST_F(Files, FoldersCreateChangeAndReport) {
  const std::string base = CurrentDir();
  EXPECT_EQ(fs::path(base), fs::canonical(dir_));
  EXPECT_TRUE(CreateDir("Files"));
  EXPECT_TRUE(CreateDir("Files"));  // already there
  Put("plain", "x");
  EXPECT_FALSE(CreateDir("plain"));
  EXPECT_FALSE(CreateDir("no/such/parent"));
  EXPECT_TRUE(CreateDir("Files/256"));
  EXPECT_TRUE(ChangeDir("Files"));
  EXPECT_TRUE(ChangeDir("256"));
  EXPECT_EQ(CurrentDir(), base + "/Files/256");
  EXPECT_TRUE(ChangeDir(".."));
  EXPECT_TRUE(ChangeDir(".."));
  EXPECT_EQ(CurrentDir(), base);
  EXPECT_FALSE(ChangeDir("missing"));
  EXPECT_FALSE(ChangeDir("plain"));
  EXPECT_FALSE(ChangeDir(""));
  EXPECT_EQ(CurrentDir(), base);
  EXPECT_NE(CurrentDir().back(), '/');
}

TEST_F(Files, ListingIncludesDotEntriesAndEndsWithEmptyNames) {
  Put("My Level.xml", "x");
  Put("b.XML", "y");
  fs::create_directory("sub");
  Dir d = ReadDir(CurrentDir());
  ASSERT_NE(d, nullptr);
  Lines names;
  for (std::string n = NextFile(d); !n.empty(); n = NextFile(d)) names.push_back(n);
  EXPECT_EQ(NextFile(d), "");  // stays at the end
  CloseDir(d);
  EXPECT_EQ(NextFile(d), "");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Lines{".", "..", "My Level.xml", "b.XML", "sub"}));
}

TEST_F(Files, AListingThatCannotBeOpenedIsEmpty) {
  Put("plain", "x");
  for (const char* path : {"missing", "plain"}) {
    Dir d = ReadDir(path);
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(NextFile(d), "");
    CloseDir(d);
  }
}

TEST_F(Files, OnlyRegularFilesOpenForReadingAndNothingElseIsOpened) {
  Put("level.xml", "a\nb\n");
  fs::create_directory("folder.xml");
  fs::create_symlink("level.xml", "link.xml");
  fs::create_symlink("/dev/null", "device.xml");
  fs::create_symlink("gone.xml", "dangling.xml");
  // A pipe nobody writes to would hold an opening reader for good.
  testutil::PipeWatch pipe((dir_ / "pipe.xml").string());
  ASSERT_TRUE(pipe.Made());
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", (dir_ / "socket.xml").c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
  struct Case {
    std::string name;
    bool opens;
  };
  const Case cases[] = {
      {"level.xml", true}, {"link.xml", true},    {"folder.xml", false},   {"device.xml", false},
      {"pipe.xml", false}, {"socket.xml", false}, {"dangling.xml", false}, {"missing.xml", false},
      {"", false},
  };
  for (const Case& c : cases) {
    const Stream s = ReadRegularFile(c.name);
    EXPECT_EQ(s != nullptr, c.opens) << c.name;
    if (s) {
      EXPECT_EQ(ReadLine(s), "a") << c.name;
      EXPECT_EQ(ReadLine(s), "b") << c.name;
      EXPECT_TRUE(Eof(s));
    }
    CloseFile(s);
  }
  ::close(sock);
  EXPECT_FALSE(pipe.Opened());
}

// Another process that takes the lock of `folder` and keeps it until told to
// end; it answers 'y' when it got it. A child shares what its parent holds,
// so it opens the folder anew, as a process of its own would.
std::unique_ptr<testutil::WaitingChild> LockHolder(const fs::path& folder) {
  return std::make_unique<testutil::WaitingChild>([folder] {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
  });
}

TEST_F(Files, FolderLocksAreHeldAgainstOtherProcessesUntilTheHolderEnds) {
  auto holder = LockHolder;
  const fs::path a = dir_ / "a", b = dir_ / "b";
  fs::create_directory(a);
  fs::create_directory(b);
  fs::create_directory_symlink(a, dir_ / "to-a");

  auto first = holder(a);
  EXPECT_EQ(first->Answer(), 'y');
  EXPECT_EQ(HoldFolderLock(a.string()), FolderLock::kTaken);
  // However it is reached.
  EXPECT_EQ(HoldFolderLock((dir_ / "to-a").string()), FolderLock::kTaken);
  // Its holder is killed: the system lets go of the lock.
  first->Kill();
  EXPECT_EQ(HoldFolderLock(a.string()), FolderLock::kHeld);
  // Held already, however the folder is named.
  EXPECT_EQ(HoldFolderLock(a.string()), FolderLock::kHeld);
  EXPECT_EQ(HoldFolderLock(a.string() + "/"), FolderLock::kHeld);
  EXPECT_EQ(HoldFolderLock((b / ".." / "a").string()), FolderLock::kHeld);
  EXPECT_EQ(HoldFolderLock((dir_ / "to-a").string()), FolderLock::kHeld);
  EXPECT_EQ(holder(a)->Answer(), 'n');
  // A second folder is held beside the first.
  EXPECT_EQ(HoldFolderLock(b.string()), FolderLock::kHeld);
  EXPECT_EQ(holder(a)->Answer(), 'n');
  EXPECT_EQ(holder(b)->Answer(), 'n');
  // Nothing to lock where no folder is.
  EXPECT_EQ(HoldFolderLock((dir_ / "missing").string()), FolderLock::kMissing);
  LetGoOfFolderLocks();
  EXPECT_EQ(holder(a)->Answer(), 'y');
  EXPECT_EQ(holder(b)->Answer(), 'y');
  // The locks made nothing.
  EXPECT_EQ(Listing(), (Lines{"a", "b", "to-a"}));
  EXPECT_TRUE(fs::is_empty(a));
  EXPECT_TRUE(fs::is_empty(b));
}

TEST_F(Files, AFolderThatCannotBeLockedSaysWhyAndOneWithoutLocksSaysSo) {
  // A folder the player may go through and write in but not read: it cannot
  // be opened, so it cannot be locked, and the answer must not pass for held.
  const bool superuser = ::geteuid() == 0;
  if (superuser) {
    ASSERT_EQ(::chown(dir_.c_str(), kPlayer, kPlayer), 0);
  }
  for (const mode_t mode : {mode_t{0333}, mode_t{0111}}) {
    SCOPED_TRACE(mode);
    const fs::path folder = dir_ / ("mode" + std::to_string(mode));
    fs::create_directory(folder);
    if (superuser) {
      ASSERT_EQ(::chown(folder.c_str(), kPlayer, kPlayer), 0);
    }
    ASSERT_EQ(::chmod(folder.c_str(), mode), 0);
    testutil::WaitingChild player([&] {
      if (!BecomePlayer()) return '?';
      const FolderLock got = HoldFolderLock(folder.string());
      if (got != FolderLock::kFailed) return 'h';
      return LastFileError() == "Permission denied" ? 'f' : 'w';
    });
    EXPECT_EQ(player.Answer(), 'f');
    ::chmod(folder.c_str(), 0755);
  }
  // A file system that has no locks at all.
  const fs::path folder = dir_ / "nolocks";
  fs::create_directory(folder);
  SetFolderLocksFail(ENOLCK);
  EXPECT_EQ(HoldFolderLock(folder.string()), FolderLock::kNoLocks);
  SetFolderLocksFail(EIO);
  EXPECT_EQ(HoldFolderLock(folder.string()), FolderLock::kFailed);
  EXPECT_EQ(LastFileError(), std::strerror(EIO));
  SetFolderLocksFail(0);
  EXPECT_EQ(HoldFolderLock(folder.string()), FolderLock::kHeld);
  LetGoOfFolderLocks();
}

TEST_F(Files, AFolderLockHoldsWhateverStandsInTheFolderForAPlayer) {
  // What the game asks for, in a process of the player's own.
  auto lock = [](const fs::path& folder) { return HoldFolderLock(folder.string()) == FolderLock::kHeld; };
  // The name of the lock file the game once made.
  const std::string name = ".duskmoor2.lock";
  struct Case {
    std::string what;
    std::function<void(const fs::path&)> make;
  };
  const Case cases[] = {
      // Made by the superuser when the tests run as it: another user's file.
      {"a lock file nobody may open",
       [&](const fs::path& f) {
         Put((f / name).string(), "");
         ::chmod((f / name).c_str(), 0);
       }},
      {"a dangling link", [&](const fs::path& f) { fs::create_symlink(f / "gone", f / name); }},
      {"a link loop", [&](const fs::path& f) { fs::create_symlink(name, f / name); }},
      {"a link to a device", [&](const fs::path& f) { fs::create_symlink("/dev/null", f / name); }},
      {"a folder the player may not write to", [](const fs::path& f) { ::chmod(f.c_str(), 0555); }},
  };
  const bool superuser = ::geteuid() == 0;
  if (superuser) {
    ASSERT_EQ(::chown(dir_.c_str(), kPlayer, kPlayer), 0);
  }
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path folder = dir_ / ("case" + std::to_string(n++));
    fs::create_directory(folder);
    if (superuser) {
      ASSERT_EQ(::chown(folder.c_str(), kPlayer, kPlayer), 0);
    }
    c.make(folder);
    std::vector<std::string> before;
    for (const auto& e : fs::directory_iterator(folder)) before.push_back(e.path().filename().string());
    auto player = [&] {
      return std::make_unique<testutil::WaitingChild>(
          [&] { return BecomePlayer() && lock(folder) ? 'y' : 'n'; });
    };
    auto first = player();
    EXPECT_EQ(first->Answer(), 'y');
    EXPECT_EQ(player()->Answer(), 'n');
    std::vector<std::string> after;
    for (const auto& e : fs::directory_iterator(folder)) after.push_back(e.path().filename().string());
    // Nothing was made, in the folder or through a link.
    EXPECT_EQ(after, before);
    first->End();
    EXPECT_EQ(player()->Answer(), 'y');
    ::chmod(folder.c_str(), 0755);
  }
}

// The folders of the player's files may come after the start (made by the
// game, or by another copy at the end of a link that led nowhere): every
// write into one takes its lock first, and one another process holds is
// written nothing.
TEST_F(Files, AWriteIntoAPlayersFolderHoldsItsLockFirst) {
  auto holder = LockHolder;
  struct Writer {
    std::string what;
    std::function<bool(const std::string& path)> write;
  };
  const Writer writers[] = {
      {"a whole file", [](const std::string& path) { return WriteFileAtomic(path, "new\r\n"); }},
      {"in place",
       [](const std::string& path) {
         std::FILE* f = OpenFileInPlace(path);
         if (!f) return false;
         std::fputs("new\r\n", f);
         return std::fclose(f) == 0;
       }},
      {"a stream",
       [](const std::string& path) {
         const Stream s = WriteFile(path);
         WriteLine(s, "new");
         CloseFile(s);
         return s != nullptr;
       }},
  };
  struct Case {
    std::string what;
    bool named;      // one of the player's folders
    bool other;      // another process holds it
    int lock_error;  // what taking a lock fails with
    std::string why;  // "" when the write goes ahead
  };
  const Case cases[] = {
      {"a player's folder made after it was named", true, false, 0, ""},
      {"a player's folder another process holds", true, true, 0, "its folder is held by another copy"},
      {"a player's folder on a file system without locks", true, false, ENOLCK, ""},
      {"a player's folder that cannot be locked", true, false, EIO,
       "its folder cannot be locked (" + std::string(std::strerror(EIO)) + ")"},
      {"another folder another process holds", false, true, 0, ""},
  };
  int n = 0;
  for (const Writer& w : writers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(w.what + ", " + c.what);
      const fs::path folder = dir_ / ("folder" + std::to_string(n));
      const fs::path link = dir_ / ("link" + std::to_string(n));
      ++n;
      // Named while nothing is there, and written through a link.
      std::vector<std::string> named = {(dir_ / "data").string() + "/"};
      if (c.named) named.push_back(folder.string() + "/");
      LockBeforeWritingIn(named);
      fs::create_directory(folder);
      fs::create_directory_symlink(folder, link);
      Put((folder / "My Level.xml").string(), "old\r\n");
      std::unique_ptr<testutil::WaitingChild> other;
      if (c.other) {
        other = holder(folder);
        ASSERT_EQ(other->Answer(), 'y');
      }
      SetFolderLocksFail(c.lock_error);
      const bool written = w.write((link / "My Level.xml").string());
      SetFolderLocksFail(0);
      if (c.why.empty()) {
        EXPECT_TRUE(written) << LastFileError();
        EXPECT_EQ(Get((folder / "My Level.xml").string()), "new\r\n");
      } else {
        EXPECT_FALSE(written);
        EXPECT_EQ(LastFileError(), c.why);
        EXPECT_EQ(Get((folder / "My Level.xml").string()), "old\r\n");
      }
      // Nothing else made there.
      EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
      if (other) other->End();
      // The write took the lock, and keeps it, where locks are to be had.
      const bool held = c.named && c.lock_error == 0 && !c.other;
      EXPECT_EQ(holder(folder)->Answer(), held ? 'n' : 'y');
      LetGoOfFolderLocks();
    }
  }
}

// ---- files written in place ----------------------------------------------------------------

TEST_F(Files, WritersInPlaceEmptyOnlyARegularFileAndFollowNoLink) {
  Put("victim", "keep");
  fs::create_symlink("victim", "link");
  fs::create_symlink("gone", "dangling");
  fs::create_symlink("loop", "loop");
  fs::create_symlink("/dev/null", "device-link");
  fs::create_directory("folder");
  Put("linked", "keep too");
  fs::create_hard_link("linked", "hardlink");
  MakeSocket((dir_ / "socket").string());
  // Opening a pipe for writing waits for a reader, and nobody reads this one.
  testutil::UnreadPipe pipe((dir_ / "pipe").string());
  ASSERT_TRUE(pipe.Made());
  // A device node needs the superuser, and some systems refuse it even then.
  const bool device = ::mknod("device", S_IFCHR | 0666, makedev(1, 3)) == 0;
  struct Case {
    std::string name;
    std::string refused;  // what LastFileError says; "" when it is written
  };
  const Case cases[] = {
      {"regular", ""},
      {"new", ""},
      {"link", "a symbolic link"},
      {"dangling", "a symbolic link"},
      {"loop", "a symbolic link"},
      {"device-link", "a symbolic link"},
      {"folder", "a folder"},
      {"socket", "a socket"},
      {"pipe", "a named pipe"},
      {"device", "a device"},
      // Another name of another file: writing it would write that file.
      {"hardlink", "a file with another name (a hard link)"},
  };
  struct Writer {
    std::string what;
    // Writes "new" to the file; whether that worked.
    std::function<bool(const std::string&)> write;
  };
  const Writer writers[] = {
      {"WriteFile",
       [](const std::string& path) {
         const Stream s = WriteFile(path);
         if (!s) return false;
         WriteString(s, "new");
         CloseFile(s);
         return StreamOk(s);
       }},
      {"OpenFileInPlace",
       [](const std::string& path) {
         std::FILE* f = OpenFileInPlace(path);
         if (!f) return false;
         const bool wrote = std::fputs("new", f) >= 0;
         return std::fclose(f) == 0 && wrote;
       }},
  };
  for (const Writer& w : writers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(w.what + " on " + c.name);
      if (c.name == "device" && !device) continue;
      Put("regular", "old, longer bytes");
      fs::remove("new");
      bool wrote = false;
      EXPECT_TRUE(pipe.Returns([&] { wrote = w.write(c.name); })) << "waited on the pipe";
      EXPECT_EQ(wrote, c.refused.empty());
      if (c.refused.empty()) {
        EXPECT_EQ(Get(c.name), "new");
      } else {
        EXPECT_EQ(LastFileError(), c.refused);
      }
    }
  }
  EXPECT_EQ(Get("victim"), "keep");
  EXPECT_EQ(Get("linked"), "keep too");
  EXPECT_EQ(KindOf("gone"), 0u);
  EXPECT_EQ(KindOf("link"), static_cast<mode_t>(S_IFLNK));
  EXPECT_EQ(KindOf("pipe"), static_cast<mode_t>(S_IFIFO));
  EXPECT_EQ(KindOf("folder"), static_cast<mode_t>(S_IFDIR));
}

TEST_F(Files, AtomicWriteGoesAroundWhateverHoldsItsTemporaryName) {
  // A stale temporary file, or something planted under its name: the write
  // neither follows a link nor waits on a pipe, and what it makes is a
  // regular file of its own.
  Put("victim", "keep");
  struct Case {
    std::string what;
    std::function<void()> plant;
  };
  const Case cases[] = {
      {"a stale file", [] { Put("scores.dat.tmp", "stale, longer bytes"); }},
      {"a link to another file", [] { fs::create_symlink("victim", "scores.dat.tmp"); }},
      {"a dangling link", [] { fs::create_symlink("gone", "scores.dat.tmp"); }},
      {"a link loop", [] { fs::create_symlink("scores.dat.tmp", "scores.dat.tmp"); }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Put("scores.dat", "old");
    c.plant();
    const std::string bytes = "new " + std::to_string(n++);
    EXPECT_TRUE(WriteFileAtomic("scores.dat", bytes));
    EXPECT_EQ(KindOf("scores.dat"), static_cast<mode_t>(S_IFREG));
    EXPECT_EQ(Get("scores.dat"), bytes);
    EXPECT_EQ(KindOf("scores.dat.tmp"), 0u);
  }
  {
    SCOPED_TRACE("a pipe");
    Put("scores.dat", "old");
    testutil::UnreadPipe pipe((dir_ / "scores.dat.tmp").string());
    ASSERT_TRUE(pipe.Made());
    bool wrote = false;
    EXPECT_TRUE(pipe.Returns([&] { wrote = WriteFileAtomic("scores.dat", "new"); })) << "waited on the pipe";
    EXPECT_TRUE(wrote);
    EXPECT_EQ(KindOf("scores.dat"), static_cast<mode_t>(S_IFREG));
    EXPECT_EQ(Get("scores.dat"), "new");
  }
  // A folder of that name is not the game's to remove: the write fails and
  // leaves the old file.
  fs::remove("scores.dat.tmp");
  fs::create_directory("scores.dat.tmp");
  Put("scores.dat", "old");
  EXPECT_FALSE(WriteFileAtomic("scores.dat", "new"));
  EXPECT_EQ(Get("scores.dat"), "old");
  EXPECT_EQ(KindOf("scores.dat.tmp"), static_cast<mode_t>(S_IFDIR));
  EXPECT_EQ(Get("victim"), "keep");
  EXPECT_EQ(KindOf("gone"), 0u);
}

TEST_F(Files, ReadWholeFileReturnsEveryByte) {
  const std::string bytes("a\0\r\n\xFF", 5);
  Put("bin", bytes);
  std::string got = "stale";
  EXPECT_TRUE(ReadWholeFile("bin", got));
  EXPECT_EQ(got, bytes);
  fs::create_directory("sub");
  EXPECT_FALSE(ReadWholeFile("missing", got));
  EXPECT_EQ(got, "");
  EXPECT_FALSE(ReadWholeFile("sub", got));
}

// A data file is read whole only when it is a regular file, or a link to
// one. Anything else of that name is never opened: a pipe nobody writes to
// would hold the reader for good, and a device can have effects of its own
// or never end. What stands there instead is named.
TEST_F(Files, ReadWholeFileOpensOnlyARegularFileAndNamesWhatElseIsThere) {
  Put("picture.png", "png bytes");
  fs::create_symlink("picture.png", "link.png");
  fs::create_directory("folder.png");
  fs::create_symlink("/dev/zero", "zero-link.png");
  fs::create_symlink("gone.png", "dangling.png");
  MakeSocket((dir_ / "socket.png").string());
  // A pipe nobody writes to would hold an opening reader for good: the watch
  // lets such a reader go at once, and tells.
  testutil::PipeWatch pipe((dir_ / "pipe.png").string());
  ASSERT_TRUE(pipe.Made());
  fs::create_symlink("pipe.png", "pipe-link.png");
  // A device node needs the superuser, and some systems refuse it even then.
  const bool device = ::mknod("zero.png", S_IFCHR | 0666, makedev(1, 5)) == 0;
  struct Case {
    std::string name;
    std::string refused;  // what LastFileError says; "" when it is read
  };
  const Case cases[] = {
      {"picture.png", ""},
      {"link.png", ""},
      {"folder.png", "a folder"},
      {"pipe.png", "a named pipe"},
      {"pipe-link.png", "a named pipe"},
      {"socket.png", "a socket"},
      {"zero-link.png", "a device"},
      {"zero.png", "a device"},
      {"dangling.png", "No such file or directory"},
      {"missing.png", "No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.name == "zero.png" && !device) continue;
    // Only a guard: a device read to its end would never end.
    SetReadFailAfter(1 << 20);
    std::string bytes = "stale";
    const bool read = ReadWholeFile(c.name, bytes);
    EXPECT_EQ(read, c.refused.empty());
    if (read) {
      EXPECT_EQ(bytes, "png bytes");
    } else {
      EXPECT_EQ(bytes, "");
      EXPECT_EQ(LastFileError(), c.refused);
    }
  }
  EXPECT_FALSE(pipe.Opened());
}

// ---- atomic whole-file writes ---------------------------------------------------------------

TEST_F(Files, AtomicWriteCreatesAndReplacesLeavingNoTemporaryFile) {
  EXPECT_TRUE(WriteFileAtomic("scores.dat", "first\r\n"));
  EXPECT_EQ(Get("scores.dat"), "first\r\n");
  EXPECT_TRUE(WriteFileAtomic("scores.dat", "second, longer\r\n"));
  EXPECT_EQ(Get("scores.dat"), "second, longer\r\n");
  EXPECT_TRUE(WriteFileAtomic("scores.dat", ""));
  EXPECT_EQ(Get("scores.dat"), "");
  EXPECT_EQ(Listing(), (Lines{"scores.dat"}));
  fs::create_directory("Files");
  EXPECT_TRUE(WriteFileAtomic(CurrentDir() + "/Files/Setup.ini", "[Graphics]\r\n"));
  EXPECT_EQ(Get("Files/Setup.ini"), "[Graphics]\r\n");
  EXPECT_EQ(FileType("Files/Setup.ini.tmp"), 0);
}

TEST_F(Files, AtomicWriteFailingPartWayKeepsTheOldFile) {
  const std::string old_bytes = "<title>xx - Your Level</title>\r\n" + std::string(300, 'o');
  Put("My Level.xml", old_bytes);
  SetWriteFailAfter(100);
  EXPECT_FALSE(WriteFileAtomic("My Level.xml", std::string(830, 'n')));
  SetWriteFailAfter(-1);
  EXPECT_EQ(Get("My Level.xml"), old_bytes);
  EXPECT_EQ(Listing(), (Lines{"My Level.xml"}));
}

TEST_F(Files, AtomicWriteFailingPartWayLeavesNoFileWhereThereWasNone) {
  SetWriteFailAfter(100);
  EXPECT_FALSE(WriteFileAtomic("My Level.xml", std::string(830, 'n')));
  EXPECT_EQ(FileType("My Level.xml"), 0);
  EXPECT_EQ(Listing(), Lines{});
  SetWriteFailAfter(-1);
  EXPECT_TRUE(WriteFileAtomic("My Level.xml", std::string(830, 'n')));
  EXPECT_EQ(FileSize("My Level.xml"), 830);
}

TEST_F(Files, AtomicWriteOntoAFolderFailsAndLeavesItAlone) {
  fs::create_directory("scores.dat");
  Put("scores.dat/inside", "keep");
  EXPECT_FALSE(WriteFileAtomic("scores.dat", "x"));
  EXPECT_EQ(FileType("scores.dat"), 2);
  EXPECT_EQ(Get("scores.dat/inside"), "keep");
  EXPECT_EQ(Listing(), (Lines{"scores.dat"}));
}

TEST_F(Files, AtomicWriteIntoAMissingOrUnusableFolderFails) {
  Put("plain", "x");
  EXPECT_FALSE(WriteFileAtomic("missing/Setup.ini", "x"));
  EXPECT_FALSE(WriteFileAtomic("plain/Setup.ini", "x"));
  EXPECT_FALSE(WriteFileAtomic("", "x"));
  EXPECT_EQ(Listing(), (Lines{"plain"}));
}

TEST_F(Files, AtomicWriteIntoAReadOnlyFolderKeepsTheOldFile) {
  // The tests may run as the superuser, whom permissions do not bind.
  SetOwnerPermissionsBind(true);
  fs::create_directory("ro");
  Put("ro/Setup.ini", "old");
  chmod("ro", 0555);
  EXPECT_FALSE(WriteFileAtomic("ro/Setup.ini", "new"));
  EXPECT_EQ(LastFileError(), "Permission denied");
  EXPECT_EQ(WriteFile("ro/new.txt"), nullptr);
  chmod("ro", 0755);
  EXPECT_EQ(Get("ro/Setup.ini"), "old");
  EXPECT_EQ(FileType("ro/Setup.ini.tmp"), 0);
  EXPECT_EQ(FileType("ro/new.txt"), 0);
}

// ---- files the player may not read, and failing reads -------------------------------------

TEST_F(Files, AFileWithoutTheOwnersReadBitCannotBeRead) {
  SetOwnerPermissionsBind(true);
  Put("scores.dat", "120|Ann|0|1|0|0|0|0\r\n");
  chmod("scores.dat", 0);
  EXPECT_EQ(FileType("scores.dat"), 1);
  EXPECT_EQ(ReadFile("scores.dat"), nullptr);
  EXPECT_EQ(LastFileError(), "Permission denied");
  std::string bytes = "stale";
  EXPECT_FALSE(ReadWholeFile("scores.dat", bytes));
  EXPECT_EQ(bytes, "");
  // Nor written: opening it for writing would empty it.
  EXPECT_EQ(WriteFile("scores.dat"), nullptr);
  chmod("scores.dat", 0644);
  EXPECT_EQ(Get("scores.dat"), "120|Ann|0|1|0|0|0|0\r\n");
  // Switched off, the layer leaves permissions to the system again, which
  // lets the superuser read anything.
  chmod("scores.dat", 0);
  SetOwnerPermissionsBind(false);
  EXPECT_EQ(ReadFile("scores.dat") != nullptr, geteuid() == 0);
}

TEST_F(Files, AReadThatFailsPartWayLeavesTheStreamFailed) {
  Put("Setup.ini", "Width=1024\r\nHeight=768\r\nMaster=9\r\n");
  SetReadFailAfter(14);
  Stream s = ReadFile("Setup.ini");
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(StreamOk(s));
  EXPECT_EQ(ReadLine(s), "Width=1024");
  EXPECT_EQ(ReadLine(s), "He");
  EXPECT_TRUE(Eof(s));
  EXPECT_FALSE(StreamOk(s));
  EXPECT_EQ(LastFileError(), "Input/output error");
  CloseFile(s);

  SetReadFailAfter(3);
  std::string bytes;
  EXPECT_FALSE(ReadWholeFile("Setup.ini", bytes));
  EXPECT_EQ(bytes, "");
  // Reading to the end without a fault leaves the stream good.
  SetReadFailAfter(-1);
  s = ReadFile("Setup.ini");
  while (!Eof(s)) ReadLine(s);
  EXPECT_TRUE(StreamOk(s));
}

TEST_F(Files, LastFileErrorNamesWhatWentWrong) {
  fs::create_directory("sub");
  Put("old", "x");
  struct Case {
    const char* what;
    std::function<bool()> fails;
    const char* error;
  } cases[] = {
      {"missing file", [] { return ReadFile("missing") == nullptr; }, "No such file or directory"},
      {"folder read", [] { return ReadFile("sub") == nullptr; }, "Is a directory"},
      {"full disk",
       [] {
         SetWriteFailAfter(0);
         const bool failed = !WriteFileAtomic("old", "new");
         SetWriteFailAfter(-1);
         return failed;
       },
       "No space left on device"},
      {"folder read whole",
       [] {
         std::string b;
         return !ReadWholeFile("sub", b);
       },
       "a folder"},
      {"no such folder", [] { return !WriteFileAtomic("none/x", "1"); }, "No such file or directory"},
      {"atomic over a folder", [] { return !WriteFileAtomic("sub", "1"); }, "Is a directory"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(c.fails()) << c.what;
    EXPECT_EQ(LastFileError(), c.error) << c.what;
  }
  EXPECT_EQ(Get("old"), "x");
}

// Under a file-size limit every writer of this layer meets the limit as a
// full disk: the write fails with "File too large", nothing written part-way
// stays, and the process goes on. Without the layer's start-up call the
// first write past the limit would end the process (SIGXFSZ), so the writes
// run in a child of their own, which answers with the number of the first
// one that went wrong (0: none).
TEST_F(Files, AFileSizeLimitIsMetAsAFullDiskByEveryWriter) {
  constexpr rlim_t kLimit = 8192;
  const std::string big(3 * kLimit, 'x');
  Put("old", "old");
  const auto tooLarge = [] { return LastFileError() == "File too large"; };
  const auto noise = [] {
    // Noise does not compress: the picture takes more than the limit.
    const int pix = CreatePixmap(128, 128);
    uint32_t v = 12345;
    for (int y = 0; y < 128; ++y) {
      for (int x = 0; x < 128; ++x) {
        v = v * 1103515245u + 12345u;
        WritePixel(pix, x, y, v | 0xFF000000u);
      }
    }
    return pix;
  };
  struct Case {
    const char* what;
    std::function<bool()> holds;
  };
  const std::vector<Case> cases = {
      {"an atomic write over a file keeps the old one and no temporary file",
       [&] {
         std::string bytes;
         return !WriteFileAtomic("old", big) && tooLarge() && ReadWholeFile("old", bytes) && bytes == "old" &&
                !NameTaken("old.tmp");
       }},
      {"an atomic write of a new file leaves nothing",
       [&] { return !WriteFileAtomic("new", big) && tooLarge() && !NameTaken("new") && !NameTaken("new.tmp"); }},
      {"a stream reports the failed write",
       [&] {
         const Stream s = WriteFile("stream");
         WriteString(s, big);
         CloseFile(s);
         return s != nullptr && !StreamOk(s) && tooLarge();
       }},
      {"a file written in place reports the failed write",
       [&] {
         std::FILE* f = OpenFileInPlace("in-place");
         if (f == nullptr) return false;
         const bool failed = std::fwrite(big.data(), 1, big.size(), f) < big.size() || std::fflush(f) != 0;
         const int err = errno;
         std::fclose(f);
         return failed && err == EFBIG;
       }},
      {"a picture that does not fit leaves no part of itself",
       [&] {
         const int pix = noise();
         const bool saved = SavePixmapPNG(pix, "shot.png", 0) != 0;
         FreePixmap(pix);
         return !saved && !NameTaken("shot.png");
       }},
      {"what fits is still written", [&] { return WriteFileAtomic("small", "fits") && FileSize("small") == 4; }},
  };
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    MeetFileSizeLimitAsFullDisk();
    struct rlimit lim{};
    if (::getrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(100);
    lim.rlim_cur = kLimit;
    if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(100);
    for (size_t i = 0; i < cases.size(); ++i) {
      if (!cases[i].holds()) ::_exit(static_cast<int>(i + 1));
    }
    ::_exit(0);
  }
  const int status = testutil::WaitForChildExit(pid, 120);
  ASSERT_NE(status, 128 + SIGXFSZ) << "the limit ended the process";
  ASSERT_NE(status, 100) << "the limit could not be set";
  ASSERT_GE(status, 0) << "the writes did not end";
  EXPECT_EQ(status, 0) << (status > 0 && static_cast<size_t>(status) <= cases.size() ? cases[status - 1].what : "");
}

TEST_F(Files, AtomicWriteKeepsThePermissionsOfTheReplacedFile) {
  Put("Setup.ini", "old");
  chmod("Setup.ini", 0600);
  EXPECT_TRUE(WriteFileAtomic("Setup.ini", "new"));
  struct stat st{};
  ASSERT_EQ(stat("Setup.ini", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
