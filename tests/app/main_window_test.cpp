// The window as the user meets it: layout, texts, frame, keyboard and the button's click.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "tests/app/message_box_answerer.h"
#include "tests/support/test_server.h"

namespace {

using test_support::Response;
using test_support::TestServer;

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override { open_window(); }
  void TearDown() override { delete window_.data(); }

  void open_window() {
    window_ = new MainWindow;  // deletes itself when closed
    window_->show();
    QApplication::setActiveWindow(window_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    edit_box_ = window_->findChild<QLineEdit*>(QStringLiteral("编辑框1"));
    button_ = window_->findChild<QPushButton*>(QStringLiteral("按钮1"));
    ASSERT_NE(edit_box_, nullptr);
    ASSERT_NE(button_, nullptr);
  }

  // Runs the deferred deletion of a closed window.
  static void let_closed_windows_go() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QPointer<MainWindow> window_;
  QLineEdit* edit_box_ = nullptr;
  QPushButton* button_ = nullptr;
};

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThem) {
  struct Case {
    const char* name;
    QRect geometry;
    QString text;
  };
  const Case cases[] = {
      {"标签1", {16, 8, 96, 24}, QStringLiteral("全民K歌分享链接：")},
      {"编辑框1", {16, 32, 368, 40}, QString()},
      {"按钮1", {136, 80, 96, 40}, QStringLiteral("下载歌曲")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto* control = window_->findChild<QWidget*>(QString::fromUtf8(c.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), c.geometry);
    EXPECT_EQ(control->property("text").toString(), c.text);
  }
}

TEST_F(MainWindowTest, IsAFixedCaptionedWindowCentredByItsOuterSize) {
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("by:Tolvane"));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QRect outer = window_->frameGeometry();
  EXPECT_EQ(outer.size(), QSize(414, 153));
  EXPECT_EQ(outer.topLeft(), QPoint((screen.width() - 414) / 2, (screen.height() - 153) / 2));
  if (screen.size() == QSize(800, 600)) {
    EXPECT_EQ(outer.topLeft(), QPoint(193, 223));
  }
  EXPECT_EQ(window_->minimumSize(), window_->maximumSize());

  const Qt::WindowFlags flags = window_->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(window_->parentWidget(), nullptr);
}

TEST_F(MainWindowTest, LooksLikeAButtonFacedDialog) {
  const QColor button_face = window_->palette().color(QPalette::Button);
  EXPECT_EQ(window_->palette().color(QPalette::Window), button_face);
  EXPECT_TRUE(window_->autoFillBackground());

  const auto* label = window_->findChild<QLabel*>(QStringLiteral("标签1"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->font().pixelSize(), 12);
  EXPECT_EQ(label->font().weight(), QFont::Normal);
  EXPECT_FALSE(label->font().italic() || label->font().underline() || label->font().strikeOut());
  EXPECT_TRUE(label->font().families().isEmpty());
  EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
  EXPECT_FALSE(label->wordWrap());
  EXPECT_EQ(label->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(label->palette().color(QPalette::Window), button_face);
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
  EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);

  EXPECT_TRUE(edit_box_->hasFrame());
  EXPECT_FALSE(edit_box_->isReadOnly());
  EXPECT_EQ(edit_box_->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(edit_box_->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(edit_box_->palette().color(QPalette::Text), QColor(Qt::black));
  EXPECT_GT(edit_box_->maxLength(), 1'000'000);

  EXPECT_FALSE(button_->autoDefault());
  EXPECT_FALSE(button_->isDefault());
}

TEST_F(MainWindowTest, FocusStartsInTheEditBoxAndTabMovesBetweenTheTwo) {
  EXPECT_EQ(QApplication::focusWidget(), edit_box_);
  QTest::keyClick(window_, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), button_);
  QTest::keyClick(window_, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), edit_box_);
  QTest::keyClick(window_, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), button_);
  QTest::keyClick(window_, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), edit_box_);
}

TEST_F(MainWindowTest, EscClosesAndDestroysTheWindowFromEitherControl) {
  for (const bool on_button : {false, true}) {
    SCOPED_TRACE(on_button ? "focus on the button" : "focus in the edit box");
    if (!window_) open_window();
    QWidget* focused = on_button ? static_cast<QWidget*>(button_) : edit_box_;
    focused->setFocus();
    QTest::keyClicks(edit_box_, "typed");
    QTest::keyClick(focused, Qt::Key_Escape);
    EXPECT_FALSE(window_ && window_->isVisible());
    let_closed_windows_go();
    EXPECT_TRUE(window_.isNull());
  }
}

TEST_F(MainWindowTest, EnterPressesNothing) {
  TestServer server;
  server.route("/share", Response::ok("vkey"));
  const MessageBoxAnswerer answerer;
  edit_box_->setText(QString::fromStdString(server.url("/share")));
  for (QWidget* focused : {static_cast<QWidget*>(edit_box_), static_cast<QWidget*>(button_)}) {
    focused->setFocus();
    QTest::keyClick(focused, Qt::Key_Return);
    QTest::keyClick(focused, Qt::Key_Enter, Qt::KeypadModifier);
  }
  EXPECT_EQ(server.request_count(), 0u);
  EXPECT_TRUE(answerer.shown().empty());
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, AClickOrSpaceOnTheButtonRunsTheDownload) {
  TestServer server;
  server.route("/share", Response::ok("<html>no work here</html>", "text/html"));
  const MessageBoxAnswerer answerer;

  edit_box_->setText(QString::fromStdString(server.url("/share")));
  QTest::mouseClick(button_, Qt::LeftButton);
  EXPECT_EQ(server.request_count(), 1u);
  EXPECT_EQ(answerer.texts(),
            std::vector<QString>{QStringLiteral("分享链接不正确，或者作品已删除。")});
  EXPECT_TRUE(edit_box_->text().isEmpty());

  edit_box_->setText(QString::fromStdString(server.url("/share")));
  button_->setFocus();
  QTest::keyClick(button_, Qt::Key_Space);
  EXPECT_EQ(server.request_count(), 2u);
  EXPECT_EQ(answerer.shown().size(), 2u);
  EXPECT_TRUE(edit_box_->text().isEmpty());
}

}  // namespace
