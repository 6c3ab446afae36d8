#include "controls/TKvLabel.h"
#include "controls/TKvURLLabel.h"
#include "platform/Shell.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace controls;

class Labels : public testing::Test {
protected:
  void SetUp() override { SetColorScheme(ColorScheme::Classic); }
  void TearDown() override { platform::SetShellOpener({}); }
};

// A label that counts its paints and keeps the caption each one showed.
class CountingLabel : public TKvLabel {
public:
  using TKvLabel::TKvLabel;
  int paints = 0;
  QString painted;

protected:
  void paintEvent(QPaintEvent* event) override {
    ++paints;
    painted = Caption();
    TKvLabel::paintEvent(event);
  }
};

TEST_F(Labels, ALabelCaptionSetThousandsOfTimesIsPaintedAtTheDisplaysPaceEndingOnTheLast) {
  QWidget window;
  window.resize(200, 50);
  auto* label = new CountingLabel(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::qWait(50);
  label->paints = 0;
  QElapsedTimer elapsed;
  elapsed.start();
  for (int i = 1; i <= 20000; ++i) {
    label->SetCaption(QString::number(i) + QStringLiteral(" Kb"));
    if (i % 50 == 0)
      QCoreApplication::processEvents();
  }
  const qint64 ms = elapsed.elapsed();
  ASSERT_TRUE(QTest::qWaitFor([&] { return label->painted == QStringLiteral("20000 Kb"); }, 1000));
  // About one paint per 16 ms (besides the repaints of the four growths in width), not one
  // per caption, and the newest caption always reaches the screen.
  EXPECT_LE(label->paints, ms / TKvLabel::MinPaintInterval.count() + 12) << ms << " ms";
  EXPECT_GE(label->paints, 1);
  const int paints = label->paints;
  QTest::qWait(100);
  EXPECT_EQ(label->paints, paints) << "no paint without a change";
}

TEST_F(Labels, AURLLabelOpensItsTargetAndTurnsVisited) {
  std::vector<std::string> opened;
  bool succeed = true;
  platform::SetShellOpener([&](const std::string& target) {
    opened.push_back(target);
    return succeed;
  });
  struct Case {
    QString url, caption;
    std::vector<std::string> opened;
    bool visited;
  };
  const Case cases[] = {
      {"http://host/programlar/radyo/kolvarin.txt",
       "caption",
       {"http://host/programlar/radyo/kolvarin.txt"},
       true},
      {"", "http://host/page", {"http://host/page"}, true},
      {"  http://host/x  ", "c", {"  http://host/x  "}, true},
      {"", "   ", {}, false},
      {"   ", "", {}, false},
  };
  for (const Case& c : cases) {
    opened.clear();
    TKvURLLabel label;
    int clicks = 0;
    label.OnClick = [&](TKvLabel*) { ++clicks; };
    label.SetURL(c.url);
    label.SetCaption(c.caption);
    label.Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(opened, c.opened) << c.url.toStdString();
    EXPECT_EQ(label.Visited(), c.visited) << c.url.toStdString();
    EXPECT_EQ(label.FontColor(), c.visited ? clPurple : clHighlight);
  }
  succeed = false;
  TKvURLLabel failing;
  failing.SetURL(QStringLiteral("http://host/page.htm"));
  failing.Click();
  EXPECT_FALSE(failing.Visited());
  EXPECT_EQ(failing.FontColor(), clHighlight);
  failing.SetVisited(true);
  EXPECT_EQ(failing.FontColor(), clPurple);
  failing.SetVisited(false);
  EXPECT_EQ(failing.FontColor(), clHighlight);
}

TEST_F(Labels, AURLLabelSizesItselfToItsText) {
  TKvURLLabel label;
  const QSize empty = label.size();
  label.SetCaption(QStringLiteral("http://www.kolvarin.example/programlar/radyo/kolvarin.txt"));
  EXPECT_GT(label.width(), empty.width() * 10);
  EXPECT_EQ(label.height(), empty.height());
  EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
}

} // namespace
