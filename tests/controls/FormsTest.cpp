// Skinned forms: shape, placement, the drag from a panel and the system buttons.
#include "controls/uFonts.h"
#include "controls/uPanelEx.h"
#include "controls/uSkin.h"
#include "controls/uSkinForm.h"
#include "controls/uSysMenuButton.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A 40 x 30 picture whose 4 x 4 corners are fully transparent and whose left edge is half
// transparent: only alpha 0 makes a hole.
TPicture ShapedPicture() {
  QImage image(40, 30, QImage::Format_ARGB32);
  image.fill(qRgba(0, 128, 255, 255));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      image.setPixel(x, y, 0);
      image.setPixel(39 - x, 29 - y, 0);
    }
  for (int y = 10; y < 20; ++y)
    image.setPixel(0, y, qRgba(0, 128, 255, 1));
  return TPicture(image);
}

void Show(QWidget &w) {
  w.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
}

}  // namespace

TEST(SkinForm, WindowShapeIsCutFromFullyTransparentPixels) {
  TSkinForm form;
  form.resize(40, 30);
  form.ApplyShape(ShapedPicture());
  const QRegion mask = form.mask();
  struct TCase {
    QPoint At;
    bool Inside;
  };
  const TCase cases[] = {{{0, 0}, false},   {{3, 3}, false},  {{4, 0}, true},  {{39, 29}, false},
                         {{36, 26}, false}, {{35, 29}, true}, {{0, 15}, true}, {{20, 15}, true}};
  for (const auto &c : cases)
    EXPECT_EQ(mask.contains(c.At), c.Inside) << c.At.x() << "," << c.At.y();

  // The shape follows the form's size as the stretched background does.
  Show(form);
  form.resize(80, 60);
  EXPECT_FALSE(form.mask().contains(QPoint(7, 7)));
  EXPECT_TRUE(form.mask().contains(QPoint(8, 0)));
  form.ApplyShape(TPicture());
  EXPECT_TRUE(form.mask().isEmpty());

  // The form shows the key colour wherever nothing covers it.
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(128, 0, 0));
  EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
}

TEST(SkinForm, TaskBarButtonAndPlacement) {
  TSkinForm tool(nullptr, false);
  EXPECT_EQ(tool.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
  TSkinForm normal;
  EXPECT_EQ(normal.windowFlags() & Qt::WindowType_Mask, Qt::Window);
  normal.SetTaskBarButton(false);
  EXPECT_EQ(normal.windowFlags() & Qt::WindowType_Mask, Qt::Tool);

  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  TSkinForm onScreen;
  onScreen.resize(200, 100);
  Show(onScreen);
  EXPECT_EQ(onScreen.geometry().center(), screen.center());

  QWidget owner;
  owner.setGeometry(50, 60, 400, 300);
  Show(owner);
  TSkinForm dialog(&owner, false);
  dialog.SetPosition(TFormPosition::OwnerFormCenter);
  dialog.resize(100, 50);
  Show(dialog);
  EXPECT_EQ(dialog.geometry().center(), owner.frameGeometry().center());

  TSkinForm orphan;  // centred on its owner, but it has none: the screen
  orphan.SetPosition(TFormPosition::OwnerFormCenter);
  orphan.resize(100, 50);
  Show(orphan);
  EXPECT_EQ(orphan.geometry().center(), screen.center());
}

TEST(PanelEx, DragsOnlyAFormItLiesDirectlyOn) {
  struct TCase {
    bool Nested;
    bool Moves;
  };
  for (const TCase c : {TCase{false, true}, TCase{true, false}}) {
    TSkinForm form;
    form.SetPosition(TFormPosition::Designed);
    form.setGeometry(100, 100, 200, 150);
    TPanelEx outer(&form);
    TPanelEx inner(&outer);
    inner.SetFillsParent(false);
    inner.setGeometry(10, 10, 50, 50);
    TPanelEx *target = c.Nested ? &inner : &outer;
    Show(form);
    const QPoint before = form.pos();
    QTest::mousePress(target, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(target, QPoint(50, 40));
    QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(50, 40));
    EXPECT_EQ(form.pos() - before, c.Moves ? QPoint(30, 20) : QPoint(0, 0)) << "nested " << c.Nested;
  }
  // Switched off, even a direct panel leaves the form where it is.
  TSkinForm form;
  form.SetPosition(TFormPosition::Designed);
  form.setGeometry(100, 100, 200, 150);
  TPanelEx panel(&form);
  panel.SetDragMove(false);
  Show(form);
  QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(20, 20));
  QTest::mouseMove(&panel, QPoint(50, 40));
  QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(50, 40));
  EXPECT_EQ(form.pos(), QPoint(100, 100));
}

TEST(PanelEx, FillsItsParentAndPaintsOnlyWithAPicture) {
  QWidget parent;
  parent.resize(60, 40);
  TPanelEx panel(&parent);
  EXPECT_EQ(panel.geometry(), parent.rect());
  Show(parent);
  parent.resize(80, 50);
  EXPECT_EQ(panel.geometry(), parent.rect());

  QImage canvas(80, 50, QImage::Format_ARGB32);
  canvas.fill(Qt::transparent);
  panel.SetCaption("标题");
  panel.render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 80; ++x)
      ASSERT_EQ(qAlpha(canvas.pixel(x, y)), 0) << "a panel without picture painted at " << x << "," << y;

  QImage small(2, 2, QImage::Format_ARGB32);
  small.fill(qRgb(0, 200, 0));
  panel.SetBackGround(TPicture(small));
  panel.SetShowCaption(false);
  canvas.fill(Qt::transparent);
  panel.render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_EQ(canvas.pixel(79, 49), qRgb(0, 200, 0));  // stretched over the whole panel
  EXPECT_EQ(canvas.pixel(6, 8), qRgb(0, 200, 0));
  panel.SetShowCaption(true);
  panel.render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);
  bool caption = false;
  for (int y = 3; y < 20 && !caption; ++y)
    for (int x = 5; x < 40 && !caption; ++x)
      caption = canvas.pixel(x, y) != qRgb(0, 200, 0);
  EXPECT_TRUE(caption);
}

TEST(SysMenuButton, ActsOnTheFirstFormUpTheParentChainAfterItsClick) {
  struct TCase {
    bool InnerForm;
    TSysMenuButtonType Type;
  };
  const TCase cases[] = {{false, smbtClose}, {true, smbtClose}, {false, smbtMin}};
  for (const auto &c : cases) {
    TSkinForm outer;
    outer.resize(200, 150);
    TPanelEx outerPanel(&outer);
    TSkinForm inner(&outerPanel);  // a form embedded in a panel of another form
    inner.setWindowFlags(Qt::Widget);
    inner.setGeometry(20, 20, 120, 90);
    TPanelEx innerPanel(&inner);
    TSysMenuButton button(c.InnerForm ? &innerPanel : &outerPanel);
    button.SetButtonType(c.Type);
    button.SetPicture(SkinPicture("sysclose.png"));
    button.setGeometry(c.InnerForm ? 100 : 180, 5, 11, 11);
    Show(outer);
    ASSERT_TRUE(inner.isVisible());

    bool visibleAtClick = false;
    QObject::connect(&button, &TPngButton::clicked,
                     [&] { visibleAtClick = (c.InnerForm ? inner : outer).isVisible() && !outer.isMinimized(); });
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(visibleAtClick) << "the click runs before the queued command";
    QApplication::processEvents();
    if (c.Type == smbtMin) {
      EXPECT_TRUE(outer.windowState() & Qt::WindowMinimized);
    } else {
      // The inner form's button closes only the inner form; the outer one's the outer.
      EXPECT_EQ(outer.isVisible(), c.InnerForm);
      if (c.InnerForm) {
        EXPECT_TRUE(inner.isHidden());
      }
    }
  }
}

TEST(Fonts, DesignedFontsMapToInstalledOnes) {
  InstallFontSubstitutes();
  struct TCase {
    const char *Designed;
    const char *Installed;
  };
  const TCase cases[] = {{"微软雅黑", "WenQuanYi Zen Hei"}, {"Tahoma", "DejaVu Sans"}};
  for (const auto &c : cases) {
    QFont font(QString::fromUtf8(c.Designed));
    font.setPixelSize(16);
    EXPECT_EQ(QFontInfo(font).family(), c.Installed) << c.Designed;
  }
  // Chinese text in Tahoma is drawn with real glyphs, not empty boxes: two different
  // characters give different pictures.
  QFont tahoma("Tahoma");
  tahoma.setPixelSize(14);
  auto draw = [&](const QString &text) {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(tahoma);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, text);
    return image;
  };
  EXPECT_NE(draw("家"), draw("长"));
}
