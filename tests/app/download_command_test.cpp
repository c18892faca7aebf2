// The download command from the button to the saved file, against a local HTTP server, with
// the songs written to this test's own run directory and the message boxes answered.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/run_directory.h"
#include "app/system_text.h"
#include "platform/com/com_init.h"
#include "platform/com/dispatch.h"
#include "platform/inet/media_client.h"
#include "platform/winhttp/winhttp.h"
#include "tests/app/message_box_answerer.h"
#include "tests/app/temporary_directory.h"
#include "tests/app/test_text.h"
#include "tests/support/test_server.h"
#include "text/literal.h"

namespace {

using test_support::Response;
using test_support::TestServer;

const QString rejected_link = QStringLiteral("分享链接不正确，或者作品已删除。");
const QString failed_download = QStringLiteral("歌曲下载失败。");

// A share page as the service serves it: the work's data with "vkey", the media address in
// the player data, the title in the heading. `title` is in the page's code page.
std::string share_page(const std::string& media_address, const std::string& title) {
  return "<html><head><title>share</title></head><body>\n<div class=\"play_name\">" + title +
         "</div>\n<script>window.__DATA__ = {\"detail\":{\"vkey\":\"3F2A\",\"playurl\":\"" +
         media_address + "\",\"playurl_video\":\"\"}};</script>\n</body></html>\n";
}

// Media bytes that a text-mode or truncating path would spoil: NUL, CR LF, high bytes.
std::string media_bytes(std::size_t size, char seed) {
  std::string media(size, '\0');
  for (std::size_t i = 0; i < size; ++i) media[i] = static_cast<char>((i * 31 + seed) % 256);
  return media;
}

// The URL of a port that nobody listens on any more.
std::string unreachable_url(const std::string& path) {
  return TestServer().url(path);
}

QString success_message(const Text& title) {
  return to_qstring(title) + QStringLiteral("下载成功");
}

class DownloadCommand : public testing::Test {
 protected:
  void SetUp() override {
    initialisations_ = com_initialization_count();
    run_directory_ = text_to_utf8(run_directory());
    // The test runs from its own temporary copy, see relocated_main.cpp.
    ASSERT_NE(run_directory_.string().find("songsaver-run-"), std::string::npos);
    window_ = new MainWindow;
    window_->show();
    edit_box_ = window_->findChild<QLineEdit*>(QStringLiteral("编辑框1"));
    button_ = window_->findChild<QPushButton*>(QStringLiteral("按钮1"));
    ASSERT_TRUE(edit_box_ && button_);
    media_ = media_bytes(70'000, 7);
    server_.route("/media.mp3", Response::ok(media_, "audio/mpeg"));
  }
  void TearDown() override {
    delete window_.data();
    for (const std::string& name : songs()) std::filesystem::remove_all(run_directory_ / name);
    // Every run gave back what it took; only the media client's one handle stays.
    EXPECT_EQ(winhttp_open_handle_count(), 0);
    EXPECT_EQ(live_object_count(), 0);
    EXPECT_EQ(com_initialization_count(), initialisations_);
    EXPECT_LE(media_client_handle_count(), 1);
  }

  // Types `link` into the edit box and clicks "下载歌曲"; returns when the command is done.
  void download(const QString& link) {
    edit_box_->setText(link);
    QTest::mouseClick(button_, Qt::LeftButton);
  }
  void download(const std::string& link) { download(QString::fromStdString(link)); }

  // Serves a share page for a work and returns its link.
  std::string serve_work(const std::string& path, const std::string& title,
                         const std::string& media_path = "/media.mp3") {
    server_.route(path, Response::ok(share_page(server_.url(media_path), title), "text/html"));
    return server_.url(path);
  }

  // What the run directory holds besides the test program, sorted.
  std::vector<std::string> songs() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(run_directory_)) {
      const std::string name = entry.path().filename().string();
      if (name != "app_test") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string song(const std::string& utf8_name) const {
    return read_file(run_directory_ / utf8_name);
  }

  std::filesystem::path run_directory_;
  TestServer server_;
  MessageBoxAnswerer answerer_;
  QPointer<MainWindow> window_;
  QLineEdit* edit_box_ = nullptr;
  QPushButton* button_ = nullptr;
  std::string media_;
  int initialisations_ = 0;
};

TEST_F(DownloadCommand, SavesTheMediaUnderTheTitleAndSaysSo) {
  const Text title = gbk_literal(u8"我的歌");
  download(serve_work("/share/abc", title));

  EXPECT_EQ(songs(), std::vector<std::string>{utf8(u8"我的歌.mp3")});
  EXPECT_TRUE(song(utf8(u8"我的歌.mp3")) == media_);
  ASSERT_EQ(answerer_.shown().size(), 1u);
  EXPECT_EQ(answerer_.shown()[0].text, QStringLiteral("我的歌下载成功"));
  EXPECT_EQ(answerer_.shown()[0].caption, QStringLiteral("信息："));
  EXPECT_TRUE(edit_box_->text().isEmpty());

  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].path, "/share/abc");
  EXPECT_EQ(requests[1].path, "/media.mp3");
  EXPECT_EQ(requests[1].version, "HTTP/1.0");
}

TEST_F(DownloadCommand, ALinkThatLeadsToNoWorkIsRejected) {
  server_.route("/deleted", Response::ok("<html><body>work deleted</body></html>", "text/html"));
  server_.route("/missing", Response::status(404, "Not Found", "vkey"));
  struct Case {
    const char* name;
    std::string link;
  };
  const Case cases[] = {
      {"empty box", ""},
      {"page without vkey", server_.url("/deleted")},
      {"unreachable server", unreachable_url("/share")},
      {"not a link", "just some words"},
      {"scheme only", "http://"},
      {"unsupported scheme", "ftp://127.0.0.1/share"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t shown_before = answerer_.shown().size();
    download(c.link);
    ASSERT_EQ(answerer_.shown().size(), shown_before + 1);
    EXPECT_EQ(answerer_.shown().back().text, rejected_link);
    EXPECT_TRUE(edit_box_->text().isEmpty());
    EXPECT_TRUE(songs().empty());
  }
}

TEST_F(DownloadCommand, APageWithoutTitleSavesDotMp3) {
  server_.route("/untitled",
                Response::ok("{\"vkey\":\"1\",\"playurl\":\"" + server_.url("/media.mp3") +
                                 "\",\"playurl_video\":\"\"}",
                             "text/html"));
  download(server_.url("/untitled"));
  EXPECT_EQ(songs(), std::vector<std::string>{".mp3"});
  EXPECT_TRUE(song(".mp3") == media_);
  EXPECT_EQ(answerer_.texts(), std::vector<QString>{QStringLiteral("下载成功")});
}

TEST_F(DownloadCommand, DownloadingTheSameWorkAgainReplacesTheFile) {
  const std::string link = serve_work("/share/again", "Again");
  download(link);
  const std::string second = media_bytes(1'000, 99);
  server_.route("/media.mp3", Response::ok(second, "audio/mpeg"));
  download(link);
  EXPECT_EQ(songs(), std::vector<std::string>{"Again.mp3"});
  EXPECT_EQ(song("Again.mp3"), second);
  EXPECT_EQ(answerer_.texts(), (std::vector<QString>{QStringLiteral("Again下载成功"),
                                                     QStringLiteral("Again下载成功")}));
}

TEST_F(DownloadCommand, AFailedMediaDownloadKeepsTheEarlierSong) {
  Response dropped = Response::ok(media_, "audio/mpeg");
  dropped.drop_after_body_bytes = 10'000;
  server_.route("/media/404", Response::status(404, "Not Found", "<html>not found</html>"));
  server_.route("/media/500", Response::status(500, "Internal Server Error", "oops"));
  server_.route("/media/dropped", dropped);
  server_.route("/media/empty", Response::ok("", "audio/mpeg"));
  struct Case {
    const char* name;
    std::string page;
  };
  const Case cases[] = {
      {"no media address", "<div class=\"play_name\">Kept</div> vkey"},
      {"error status 404", share_page(server_.url("/media/404"), "Kept")},
      {"error status 500", share_page(server_.url("/media/500"), "Kept")},
      {"body cut short", share_page(server_.url("/media/dropped"), "Kept")},
      {"empty body", share_page(server_.url("/media/empty"), "Kept")},
      {"media server unreachable", share_page(unreachable_url("/media.mp3"), "Kept")},
  };
  write_test_file(run_directory_ / "Kept.mp3", "the earlier song");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.route("/share/kept", Response::ok(c.page, "text/html"));
    download(server_.url("/share/kept"));
    EXPECT_EQ(answerer_.texts().back(), failed_download);
    EXPECT_EQ(songs(), std::vector<std::string>{"Kept.mp3"});
    EXPECT_EQ(song("Kept.mp3"), "the earlier song");
    EXPECT_TRUE(edit_box_->text().isEmpty());
  }
  EXPECT_EQ(answerer_.shown().size(), std::size(cases));
}

TEST_F(DownloadCommand, AFailedWriteSaysWhereAndKeepsWhatWasThere) {
  std::filesystem::create_directory(run_directory_ / "Taken.mp3");
  write_test_file(run_directory_ / "Taken.mp3" / "inside", "kept");
  download(serve_work("/share/taken", "Taken"));
  const QString path = QString::fromStdString((run_directory_ / "Taken.mp3").string());
  EXPECT_EQ(answerer_.texts(), std::vector<QString>{QStringLiteral("歌曲保存失败：") + path});
  EXPECT_EQ(songs(), std::vector<std::string>{"Taken.mp3"});
  EXPECT_EQ(read_file(run_directory_ / "Taken.mp3" / "inside"), "kept");
}

TEST_F(DownloadCommand, EveryTitleBecomesOneFileInTheRunDirectory) {
  struct Case {
    const char* name;
    Text title;
    std::string file_name;
  };
  const Case cases[] = {
      {"separators", "../a/b", ".._a_b.mp3"},
      {"control characters", "x\ty\x1f", "x_y_.mp3"},
      {"chinese", gbk_literal(u8"月亮代表我的心"), utf8(u8"月亮代表我的心.mp3")},
      {"emoji", system_text(u8"晴天🌞"), utf8(u8"晴天🌞.mp3")},
      {"300 bytes", Text(300, 't'), std::string(251, 't') + ".mp3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    download(serve_work("/share/title", c.title));
    EXPECT_EQ(songs(), std::vector<std::string>{c.file_name});
    EXPECT_TRUE(song(c.file_name) == media_);
    EXPECT_EQ(answerer_.texts().back(), success_message(c.title));
    std::filesystem::remove(run_directory_ / c.file_name);
  }
}

// The usual share page today: UTF-8, declared in a meta tag. The page is recoded on its way
// in, so the title reaches the file name and the message with every character intact.
TEST_F(DownloadCommand, AUtf8PageKeepsItsTitleIntact) {
  const std::string title = utf8(u8"晴天🌞与月亮");
  const std::string page = "<html><head><meta charset=\"utf-8\"></head><body>" +
                           share_page(server_.url("/media.mp3"), title);
  server_.route("/share/utf8", Response::ok(page, "text/html; charset=utf-8"));
  download(server_.url("/share/utf8"));

  EXPECT_EQ(songs(), std::vector<std::string>{utf8(u8"晴天🌞与月亮.mp3")});
  EXPECT_TRUE(song(utf8(u8"晴天🌞与月亮.mp3")) == media_);
  ASSERT_EQ(answerer_.shown().size(), 1u);
  EXPECT_EQ(answerer_.shown()[0].text, QStringLiteral("晴天🌞与月亮下载成功"));
}

TEST_F(DownloadCommand, TheLinkIsSentAsTyped) {
  serve_work("/share/spaced", "Spaced");
  download(QStringLiteral("  ") + QString::fromStdString(server_.url("/share/spaced")) +
           QStringLiteral(" "));
  // Surrounding blanks are not removed, and such an address is no usable link.
  EXPECT_EQ(server_.request_count(), 0u);
  EXPECT_EQ(answerer_.texts(), std::vector<QString>{rejected_link});
  EXPECT_TRUE(songs().empty());
}

TEST_F(DownloadCommand, AClickDuringASlowRequestRunsANestedDownloadFirst) {
  Response slow = Response::ok(share_page(server_.url("/media.mp3"), "Outer"), "text/html");
  slow.delay_before_body = std::chrono::milliseconds(300);
  server_.route("/share/outer", slow);
  const std::string inner_link = serve_work("/share/inner", "Inner");
  QTimer::singleShot(50, button_, [this, inner_link] {
    edit_box_->setText(QString::fromStdString(inner_link));
    QTest::mouseClick(button_, Qt::LeftButton);
  });

  download(server_.url("/share/outer"));

  EXPECT_EQ(answerer_.texts(), (std::vector<QString>{QStringLiteral("Inner下载成功"),
                                                     QStringLiteral("Outer下载成功")}));
  EXPECT_EQ(songs(), (std::vector<std::string>{"Inner.mp3", "Outer.mp3"}));
  std::vector<std::string> paths;
  for (const auto& request : server_.requests()) paths.push_back(request.path);
  EXPECT_EQ(paths,
            (std::vector<std::string>{"/share/outer", "/share/inner", "/media.mp3", "/media.mp3"}));
  EXPECT_TRUE(edit_box_->text().isEmpty());
}

TEST_F(DownloadCommand, ClosingTheWindowDuringARequestStillSavesTheSong) {
  Response slow = Response::ok(share_page(server_.url("/media.mp3"), "Closed"), "text/html");
  slow.delay_before_body = std::chrono::milliseconds(300);
  server_.route("/share/slow", slow);
  struct Case {
    const char* name;
    std::function<void(QPointer<MainWindow>&)> close;
  };
  const Case cases[] = {
      {"closed with Esc",
       [](QPointer<MainWindow>& window) { QTest::keyClick(window.data(), Qt::Key_Escape); }},
      {"destroyed", [](QPointer<MainWindow>& window) { delete window.data(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!window_) {
      window_ = new MainWindow;
      window_->show();
      edit_box_ = window_->findChild<QLineEdit*>(QStringLiteral("编辑框1"));
      button_ = window_->findChild<QPushButton*>(QStringLiteral("按钮1"));
    }
    QTimer::singleShot(50, qApp, [this, &c] { c.close(window_); });
    edit_box_->setText(QString::fromStdString(server_.url("/share/slow")));
    button_->click();  // the window may go away inside: no mouse event of its own on the stack

    EXPECT_TRUE(song("Closed.mp3") == media_);
    EXPECT_TRUE(answerer_.shown().empty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window_.isNull());
    std::filesystem::remove(run_directory_ / "Closed.mp3");
  }
}

}  // namespace
