// Renders the skin without a display: every picture of the skin and every skinned control in
// each of its states, as PNG files, plus one sheet of all controls and sample windows.
//
//   pemblo_gallery [output folder]      (default: ./skin-gallery)
#include "tools/gallery/Gallery.h"

#include "controls/uFonts.h"
#include "controls/uLblGroupBox.h"
#include "controls/uMemoEx.h"
#include "controls/uPanelEx.h"
#include "controls/uProgressBarEx.h"
#include "controls/uSkin.h"
#include "controls/uSkinForm.h"
#include "controls/uSpinEditEx.h"
#include "controls/uSysMenuButton.h"
#include "platform/os/UiLanguage.h"
#include "platform/pictures/GifPlayer.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <cstdio>
#include <vector>

namespace {

void White(QWidget &w) {
  QPalette pal = w.palette();
  pal.setColor(QPalette::WindowText, Qt::white);
  w.setPalette(pal);
}

void Pictures() {
  QDir(GalleryFolder().filePath("pictures")).removeRecursively();
  GalleryFolder().mkpath("pictures");
  for (const QString &name : QDir(":/skin").entryList(QDir::Files, QDir::Name)) {
    const QString base = "pictures/" + QFileInfo(name).completeBaseName();
    if (name.endsWith(".gif")) {
      const TGifAnimation animation = TGifAnimation::FromFile(SkinPath(name));
      for (size_t i = 0; i < animation.Frames().size(); ++i)
        Save(QString("%1_frame%2").arg(base).arg(i), animation.Frames()[i].Image, false);
    } else {
      Save(base, SkinPicture(name).Image(), false);
    }
  }
}

void Buttons() {
  struct TStrip {
    const char *Picture;
    int Width, Height;
    const char *Caption;
  };
  const TStrip strips[] = {{"btn42x21.png", 42, 21, "确定"},
                           {"btn69x21.png", 69, 21, "保存日志"},
                           {"btn88x21.png", 88, 21, "查看取消记录"},
                           {"cardmenu_btn.png", 113, 29, "      查看违约记录"}};
  const char *states[] = {"normal", "over", "pressed", "disabled"};
  for (const auto &s : strips) {
    for (int state = 0; state < 4; ++state) {
      TPngButton button;
      button.resize(s.Width, s.Height);
      button.SetPicture(SkinPicture(s.Picture));
      button.SetTextAlign(taCenter);
      button.SetCaption(QString::fromUtf8(s.Caption));
      button.setFont(Font("Tahoma", s.Height > 21 ? 11 : 12));
      if (s.Height > 21)
        White(button);
      if (state == 3)
        button.setEnabled(false);
      else
        button.SetState(TPngButtonState(state));
      Save(QString("button_%1_%2").arg(QFileInfo(s.Picture).completeBaseName(), states[state]), Render(button));
    }
  }
  // A caption too long for its button ends in an ellipsis.
  TPngButton longCaption;
  longCaption.resize(42, 21);
  longCaption.SetPicture(SkinPicture("btn42x21.png"));
  longCaption.SetTextAlign(taCenter);
  longCaption.setFont(Font("Tahoma", 12));
  longCaption.SetCaption("这是很长的标题");
  Save("button_long_caption", Render(longCaption));

  struct TSys {
    const char *Picture;
    int Width;
    TSysMenuButtonType Type;
  };
  for (const TSys s : {TSys{"sysclose.png", 11, smbtClose}, TSys{"sysmin.png", 13, smbtMin}}) {
    for (int state = 0; state < 3; ++state) {
      TSysMenuButton button;
      button.SetButtonType(s.Type);
      button.resize(s.Width, 11);
      button.SetShowCaption(false);
      button.SetPicture(SkinPicture(s.Picture));
      button.SetState(TPngButtonState(state));
      Save(QString("sysbutton_%1_%2").arg(s.Type == smbtClose ? "close" : "min", states[state]), Render(button));
    }
  }
}

void SmallControls() {
  for (int selected = -1; selected < 3; ++selected) {
    QWidget back;
    back.resize(100, 70);
    back.setAutoFillBackground(true);
    TLblGroupBox box(&back);
    box.setGeometry(0, 2, 100, 66);
    box.setFont(Font("Tahoma", 14));
    box.SetItemWidth(99);
    box.SetItemHeight(22);
    box.SetTransparent(true);
    box.SetTriangleColor(QColor(240, 240, 240));
    box.SetSelectedColor(QColor(222, 167, 146));
    box.SetItems({"日志设置", "黑  名  单", "限制程序"});
    box.SetItemIndex(selected);
    Save(QString("sectionlist_selected_%1").arg(selected), Render(back));
  }

  TSpinEditEx spin;
  spin.setFont(Font("Tahoma", 11));
  spin.setRange(1, 60);
  spin.setValue(5);
  spin.SetBorderColor(QColor(192, 192, 192));
  spin.resize(91, 22);
  spin.show();  // places the buttons and the text field
  Save("spinedit", Render(spin));
  spin.hide();

  TMemoEx memo;
  memo.resize(279, 138);
  memo.SetBorderColor(QColor(192, 192, 192));
  memo.setFont(Font("Tahoma", 12));
  memo.setPlainText("孩子今天表现很好，取消一张黄牌。");
  memo.show();
  Save("memo", Render(memo));
  memo.hide();

  for (int value = 0; value <= 3; ++value) {
    TProgressBarEx bar;
    bar.resize(61, 7);
    bar.SetCellBg(SkinPicture("card_bg.png"));
    bar.SetCellFg(SkinPicture("card_fg.png"));
    bar.SetValue(value);
    Save(QString("cardbar_value_%1").arg(value), Render(bar));
  }

  TPanelEx bare;  // without a picture: nothing at all
  bare.resize(40, 20);
  Save("panel_without_picture", Render(bare));

  TGifPlayer player;
  player.resize(84, 49);
  player.SetAnimation(TGifAnimation::FromFile(SkinPath("loading.gif")));
  player.Start(Qt::white);
  Save("loading_player", Render(player));
  player.Stop();
}

// Sample windows: the background picture on a skinned form with its close button, caption and
// a few controls where the windows have them, cut to their shape.
struct TWindow {
  const char *Name, *Picture, *Caption;
  int CaptionX, CaptionY, CloseX, CloseY;
  bool Buttons;
};

void Windows() {
  const TWindow windows[] = {
      {"window_manage", "manage_bg.png", "Sunvale--家长管理", 32, 3, 448, 6, false},
      {"window_addapp", "add_dialog_bg.png", "添加限制程序", 16, 9, 625, 9, true},
      {"window_history", "history_bg.png", "查看违约记录", 10, 5, 540, 9, true},
      {"window_cancel", "cancel_bg.png", "取消黄牌", 10, 5, 303, 9, true},
      {"window_cancelrecords", "cancelrecord_bg.png", "查看取消黄牌记录", 10, 5, 384, 9, true},
      {"window_inputurl", "inputurl_bg.png", "网址输入", 18, 9, 304, 14, true},
      {"window_external", "external_bg.png", "", 0, 0, 507, 8, false},
      {"window_expand", "expand_bg.png", "", 0, 0, -1, -1, false},
      {"window_cardmenu", "cardmenu_bg.png", "", 0, 0, -1, -1, false},
  };
  for (const auto &w : windows) {
    const TPicture background = SkinPicture(w.Picture);
    TSkinForm form;
    form.resize(background.Width(), background.Height());
    TPanelEx panel(&form);
    panel.SetBackGround(background);
    form.ApplyShape(background);
    QLabel caption(QString::fromUtf8(w.Caption), &panel);
    caption.setFont(Font("微软雅黑", 16, true));
    White(caption);
    caption.move(w.CaptionX, w.CaptionY);
    caption.adjustSize();
    TSysMenuButton close(&panel);
    close.SetButtonType(smbtClose);
    close.SetShowCaption(false);
    close.SetPicture(SkinPicture("sysclose.png"));
    close.setGeometry(w.CloseX, w.CloseY, 11, 11);
    close.setVisible(w.CloseX >= 0);
    TPngButton ok(&panel), cancel(&panel);
    for (auto [button, text, x] :
         {std::tuple{&ok, "确定", background.Width() - 110}, std::tuple{&cancel, "取消", background.Width() - 60}}) {
      button->SetPicture(SkinPicture("btn42x21.png"));
      button->SetTextAlign(taCenter);
      button->setFont(Font("Tahoma", 12));
      button->SetCaption(QString::fromUtf8(text));
      button->setGeometry(x, background.Height() - 29, 42, 21);
      button->setVisible(w.Buttons);
    }
    QLabel title(&panel);
    if (QString(w.Name) == "window_external") {
      title.setPixmap(QPixmap::fromImage(SkinPicture("external_title.png").Image()));
      title.setGeometry(16, 8, 106, 23);
    }
    Save(w.Name, Render(form));
  }

  // The card menu with its two entries.
  TSkinForm menu;
  menu.resize(113, 58);
  TPanelEx menuPanel(&menu);
  menuPanel.SetBackGround(SkinPicture("cardmenu_bg.png"));
  menu.ApplyShape(menuPanel.BackGround());
  TPngButton look(&menuPanel), cancel(&menuPanel);
  int top = 0;
  for (auto [button, text, icon] : {std::tuple{&look, "      查看违约记录", "cardmenu_look.png"},
                                    std::tuple{&cancel, "      取消违约记录", "cardmenu_cancel.png"}}) {
    button->setGeometry(0, top, 113, 29);
    button->SetPicture(SkinPicture("cardmenu_btn.png"));
    button->SetTextAlign(taCenter);
    button->setFont(Font("Tahoma", 11));
    White(*button);
    button->SetCaption(QString::fromUtf8(text));
    auto *img = new QLabel(&menuPanel);
    img->setPixmap(QPixmap::fromImage(SkinPicture(icon).Image()));
    img->setGeometry(5, top + 9, 12, 12);
    top += 29;
  }
  look.SetState(pbsXT);
  Save("window_cardmenu_open", Render(menu));
}

}  // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Pages that show web content (the viewer's) need the web engine, which shares its drawing
  // context with the application's: that must be said before the application exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  InstallChineseUiLanguage();
  InstallFontSubstitutes();
  SetGalleryFolder(QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("skin-gallery")));
  if (!GalleryFolder().mkpath(".")) {
    std::fprintf(stderr, "cannot create %s\n", qPrintable(GalleryFolder().path()));
    return 1;
  }
  try {
    Pictures();
    Buttons();
    SmallControls();
    Windows();
    for (const TGalleryPage &page : GalleryPages())
      page.Draw();
    SaveSheet();
  } catch (const std::exception &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%s\n", qPrintable(GalleryFolder().absolutePath()));
  return 0;
}
