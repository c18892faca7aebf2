// The services the download command stands on: file names, the run directory, writing
// files, handling events and the message box.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QApplication>
#include <QTimer>
#include <string>

#include "app/message_box.h"
#include "app/process_events.h"
#include "app/run_directory.h"
#include "app/song_file_name.h"
#include "app/write_file.h"
#include "tests/app/message_box_answerer.h"
#include "tests/app/temporary_directory.h"
#include "tests/app/test_text.h"
#include "text/literal.h"

namespace {

TEST(SystemText, CharactersSurviveTheTripToQtAndToUtf8) {
  struct Case {
    const char* name;
    std::u8string_view text;
  };
  const Case cases[] = {
      {"ascii", u8"http://127.0.0.1/x?a=1"},
      {"gbk", u8"全民K歌分享链接："},
      {"beyond gbk", u8"歌😀"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Text text = system_text(c.text);
    EXPECT_EQ(from_qstring(to_qstring(text)), text);
    EXPECT_EQ(to_qstring(text), QString::fromUtf8(utf8(c.text)));
    EXPECT_EQ(text_to_utf8(text), utf8(c.text));
  }
  EXPECT_EQ(to_qstring(gbk_literal(u8"下载成功")), QStringLiteral("下载成功"));
}

TEST(SongFileName, IsOneSafeNameThatFitsTheFileSystem) {
  struct Case {
    const char* name;
    Text title;
    std::string expected_utf8;
  };
  const Case cases[] = {
      {"plain", "Song", "Song.mp3"},
      {"empty title", "", ".mp3"},
      {"chinese", gbk_literal(u8"我的歌"), utf8(u8"我的歌.mp3")},
      {"emoji", system_text(u8"歌😀"), utf8(u8"歌😀.mp3")},
      {"separator", "a/b", "a_b.mp3"},
      {"parent steps", "../../up", ".._.._up.mp3"},
      {"control characters", "tab\tnew\nline\x7f\x01", "tab_new_line__.mp3"},
      {"character reference kept", "Rock &amp; Roll", "Rock &amp; Roll.mp3"},
      {"question mark kept", "why?", "why?.mp3"},
      {"300 ascii bytes", Text(300, 'a'), std::string(251, 'a') + ".mp3"},
      {"251 ascii bytes fit", Text(251, 'b'), std::string(251, 'b') + ".mp3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text_to_utf8(song_file_name(c.title)), c.expected_utf8);
  }
}

TEST(SongFileName, LongTitlesAreCutAtACharacterBoundary) {
  // 100 characters of 2 bytes in GBK and 3 in UTF-8: 83 of them fit in 251 bytes.
  Text chinese;
  std::string chinese_utf8;
  for (int i = 0; i < 100; ++i) {
    chinese += gbk_literal(u8"歌");
    if (i < 83) chinese_utf8 += utf8(u8"歌");
  }
  EXPECT_EQ(text_to_utf8(song_file_name(chinese)), chinese_utf8 + ".mp3");

  // Four-byte characters of the system code page are never split either.
  Text emoji = "a";  // shifts the boundary so a naive cut would land inside a character
  for (int i = 0; i < 70; ++i) emoji += system_text(u8"😀");
  const std::string name = text_to_utf8(song_file_name(emoji));
  std::string expected = "a";
  for (int i = 0; i < 62; ++i) expected += utf8(u8"😀");
  EXPECT_EQ(name, expected + ".mp3");
}

TEST(RunDirectory, IsTheDirectoryOfTheRunningExecutable) {
  const Text directory = run_directory();
  ASSERT_FALSE(directory.empty());
  EXPECT_NE(directory.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(text_to_utf8(directory) + "/app_test"));
}

TEST(RunDirectory, DirectoryOfDropsTheLastSeparatorAndWhatFollows) {
  struct Case {
    const char* name;
    Text path;
    Text expected;
  };
  const Case cases[] = {
      {"nested", "/opt/songsaver/songsaver", "/opt/songsaver"},
      {"at the root", "/songsaver", ""},
      {"chinese directory", gbk_literal(u8"/home/歌曲/songsaver"), gbk_literal(u8"/home/歌曲")},
      {"no separator", "songsaver", "songsaver"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(directory_of(c.path), c.expected);
  }
}

class WriteFile : public testing::Test {
 protected:
  Text path_of(const std::string& name) const { return (directory_.path() / name).string(); }

  TemporaryDirectory directory_;
};

TEST_F(WriteFile, WritesExactlyTheBytesWithOrdinaryPermissions) {
  const Bytes data = {'I', 'D', '3', 0x00, 0xFF, 0x80, '\n', 0x00};
  ASSERT_TRUE(write_file(path_of("song.mp3"), data));
  EXPECT_EQ(read_file(directory_.path() / "song.mp3"), std::string(data.begin(), data.end()));
  EXPECT_EQ(directory_.entries(), std::vector<std::string>{"song.mp3"});

  const mode_t mask = umask(0);
  umask(mask);
  struct stat status {};
  ASSERT_EQ(stat((directory_.path() / "song.mp3").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
}

TEST_F(WriteFile, ReplacesAnExistingFileAndWritesEmptyData) {
  write_test_file(directory_.path() / "song.mp3", "an older and longer song");
  ASSERT_TRUE(write_file(path_of("song.mp3"), Bytes{'n', 'e', 'w'}));
  EXPECT_EQ(read_file(directory_.path() / "song.mp3"), "new");

  ASSERT_TRUE(write_file(path_of("song.mp3"), Bytes{}));
  EXPECT_TRUE(std::filesystem::exists(directory_.path() / "song.mp3"));
  EXPECT_EQ(std::filesystem::file_size(directory_.path() / "song.mp3"), 0u);
  EXPECT_EQ(directory_.entries(), std::vector<std::string>{"song.mp3"});
}

TEST_F(WriteFile, TakesTheNameInTheSystemCodePage) {
  ASSERT_TRUE(
      write_file(directory_.path().string() + "/" + system_text(u8"我的歌😀.mp3"), Bytes{'x'}));
  EXPECT_EQ(read_file(directory_.path() / utf8(u8"我的歌😀.mp3")), "x");
}

TEST_F(WriteFile, FailsWithoutLeavingAnythingBehind) {
  std::filesystem::create_directory(directory_.path() / "taken.mp3");
  write_test_file(directory_.path() / "taken.mp3" / "inside", "kept");
  struct Case {
    const char* name;
    Text path;
  };
  const Case cases[] = {
      {"empty path", ""},
      {"missing directory", path_of("missing/song.mp3")},
      {"target is a directory", path_of("taken.mp3")},
      {"path names a directory", path_of("")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(write_file(c.path, Bytes{'d', 'a', 't', 'a'}));
    EXPECT_EQ(directory_.entries(), std::vector<std::string>{"taken.mp3"});
    EXPECT_EQ(read_file(directory_.path() / "taken.mp3" / "inside"), "kept");
  }
}

// Makes writes to regular files fail beyond `limit` bytes (EFBIG), for this process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    previous_signal_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    signal(SIGXFSZ, previous_signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  sighandler_t previous_signal_;
};

TEST_F(WriteFile, AFailedWriteKeepsTheEarlierFile) {
  write_test_file(directory_.path() / "song.mp3", "the earlier song");
  {
    const FileSizeLimit limit(1000);
    EXPECT_FALSE(write_file(path_of("song.mp3"), Bytes(5000, 0x55)));
  }
  EXPECT_EQ(read_file(directory_.path() / "song.mp3"), "the earlier song");
  EXPECT_EQ(directory_.entries(), std::vector<std::string>{"song.mp3"});
}

TEST(ProcessEvents, HandlesWhatIsQueuedAndLeavesQuittingToTheLoop) {
  bool handled = false;
  QMetaObject::invokeMethod(
      qApp, [&handled] { handled = true; }, Qt::QueuedConnection);
  process_events();
  EXPECT_TRUE(handled);

  bool ran_after_quit_request = false;
  QTimer::singleShot(0, qApp, [&ran_after_quit_request] {
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    process_events();
    ran_after_quit_request = true;  // the pass returned instead of ending here
  });
  EXPECT_EQ(QApplication::exec(), 0);  // and the loop still ends
  EXPECT_TRUE(ran_after_quit_request);
}

TEST(MessageBox, IsAnApplicationModalBoxWithCaptionTextAndOneOkButton) {
  const MessageBoxAnswerer answerer;
  message_box(gbk_literal(u8"分享链接不正确，或者作品已删除。"));
  message_box("");
  ASSERT_EQ(answerer.shown().size(), 2u);
  const ShownMessageBox& box = answerer.shown()[0];
  EXPECT_EQ(box.caption, QStringLiteral("信息："));
  EXPECT_EQ(box.text, QStringLiteral("分享链接不正确，或者作品已删除。"));
  EXPECT_EQ(box.icon, QMessageBox::NoIcon);
  EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(box.modality, Qt::ApplicationModal);
  EXPECT_FALSE(box.has_parent);
  EXPECT_EQ(answerer.shown()[1].text, QString());
}

}  // namespace
