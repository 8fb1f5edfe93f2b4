#include "browser/uTagsBar.h"

#include "controls/uSkin.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace {

QPixmap SkinPixmap(const QString &resName) {
  return QPixmap::fromImage(SkinPicture(resName + QStringLiteral(".png")).Image());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
TCtrBtn::TCtrBtn(QWidget *parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
}

void TCtrBtn::SetResName(const QString &name) {
  FResName = name;
  ShowFace(name);
  setFixedSize(FFace.size());
}

void TCtrBtn::ShowFace(const QString &name) {
  FFace = name.isEmpty() ? QPixmap() : SkinPixmap(name);
  update();
}

void TCtrBtn::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, FFace);
}

void TCtrBtn::enterEvent(QEnterEvent *event) {
  if (!FMResName.isEmpty())
    ShowFace(FMResName);
  QAbstractButton::enterEvent(event);
}

void TCtrBtn::leaveEvent(QEvent *event) {
  ShowFace(FResName);
  QAbstractButton::leaveEvent(event);
}

// ---------------------------------------------------------------------------------------------
void TSpacing::Set(int &field, int value) {
  if (field == value)
    return;
  field = value;
  if (FOnChange)
    FOnChange();
}

// ---------------------------------------------------------------------------------------------
TTagsBar::TTagsBar(QWidget *parent)
    : QWidget(parent), FTabBg(SkinPixmap(QStringLiteral("TABBG"))), FTabUnBg(SkinPixmap(QStringLiteral("TABUNBG"))),
      FCloseBtn(new TCtrBtn(this)), FAddTabBtn(new TCtrBtn(this)), FTabHeight(FTabBg.height()),
      FDefaultNewTabName(QStringLiteral("新建选项卡")) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFixedHeight(FTabBg.height());
  FSpacing.SetOnChange([this] { Relayout(); });

  FCloseBtn->SetResName(QStringLiteral("C4"));
  FCloseBtn->SetMResName(QStringLiteral("C3"));
  FCloseBtn->setToolTip(QStringLiteral("关闭当前页"));
  FCloseBtn->hide();
  connect(FCloseBtn, &TCtrBtn::clicked, this, [this] { DelTab(FTabIndex); });

  FAddTabBtn->SetResName(QStringLiteral("ADDTABBG"));
  FAddTabBtn->SetMResName(QStringLiteral("ADDTABMBG"));
  FAddTabBtn->setToolTip(QStringLiteral("新建空白页"));
  FAddTabBtn->hide();
  connect(FAddTabBtn, &TCtrBtn::clicked, this, [this] { NewTab(FDefaultNewTabName, true); });
}

int TTagsBar::NewTab(const QString &s, bool Action) {
  QString address = s;
  if (s == FDefaultNewTabName) {
    address = QStringLiteral("about:blank");
    const int blank = int(FTabs.indexOf(FDefaultNewTabName));
    if (blank >= 0) {
      SetTabIndex(blank);
      return blank;
    }
  }
  FTabs.append(s);
  const int index = int(FTabs.size()) - 1;
  Relayout();
  if (FOnTabNew)
    FOnTabNew(index, address, Action);
  if (Action)
    SetTabIndex(index);
  return index;
}

void TTagsBar::DelTab(int NewIndex) {
  if (FTabs.size() < 2)
    return;
  const int deleted = NewIndex == -1 ? FTabIndex : NewIndex;
  if (deleted < 0 || deleted >= FTabs.size())
    return;
  FTabs.removeAt(deleted);
  // The current index keeps its number unless it now lies past the end; no change event. A
  // tab deleted before the current one moves the current tab down, and its index with it.
  if (deleted < FTabIndex)
    --FTabIndex;
  else if (FTabIndex >= FTabs.size())
    FTabIndex = int(FTabs.size()) - 1;
  Relayout();
  if (FOnTabClose)
    FOnTabClose(deleted, FTabIndex);
}

void TTagsBar::SetTabName(int TabIndex, const QString &Name) {
  if (TabIndex < 0 || TabIndex >= FTabs.size() || FTabs[TabIndex] == Name)
    return;
  FTabs[TabIndex] = Name;
  update();
}

QString TTagsBar::GetTabName(int TabIndex) const {
  if (TabIndex < 0 || TabIndex >= FTabs.size())
    return QString();
  return FTabs[TabIndex];
}

void TTagsBar::SetTabIndex(int index) {
  if (index == FTabIndex || index < -1 || index >= FTabs.size())
    return;
  if (FOnChange)
    FOnChange(index);
  FTabIndex = index;
  Relayout();
}

void TTagsBar::SetTabWidth(int value) {
  value = std::clamp(value, FTabMinWidth, FTabMaxWidth);
  if (value == FTabWidth)
    return;
  FTabWidth = value;
  Relayout();
}

void TTagsBar::SetTabHeight(int value) {
  if (value == FTabHeight)
    return;
  FTabHeight = value;
  Relayout();
}

void TTagsBar::SetImages(std::vector<QPixmap> images) {
  FImages = std::move(images);
  update();
}

// How many tabs fit beside one another, leaving room for the new-tab button.
int TTagsBar::VisibleCapacity() const {
  const int room = width() - StartMargin - 10 - FAddTabBtn->width();
  return std::max(1, room / FTabWidth);
}

void TTagsBar::KeepCurrentVisible() {
  const int capacity = VisibleCapacity();
  const int count = int(FTabs.size());
  FFirstIndex = std::clamp(FFirstIndex, 0, std::max(0, count - capacity));
  if (FTabIndex >= 0) {
    if (FTabIndex < FFirstIndex)
      FFirstIndex = FTabIndex;
    else if (FTabIndex >= FFirstIndex + capacity)
      FFirstIndex = FTabIndex - capacity + 1;
  }
}

QRect TTagsBar::ItemRect(int index) const {
  if (index < FFirstIndex || index >= FTabs.size() || index >= FFirstIndex + VisibleCapacity())
    return QRect();
  return QRect(StartMargin + (index - FFirstIndex) * FTabWidth, 0, FTabWidth, FTabHeight);
}

int TTagsBar::ItemAtPos(const QPoint &pos) const {
  for (int i = FFirstIndex; i < FTabs.size(); ++i) {
    const QRect rect = ItemRect(i);
    if (rect.isEmpty())
      break;
    if (rect.contains(pos))
      return i;
  }
  return -1;
}

QRect TTagsBar::DrawnRect(int index) const {
  QRect rect = ItemRect(index);
  if (rect.isEmpty())
    return rect;
  rect.setLeft(rect.left() - TabOverlap);
  rect.setTop(0);
  rect.setBottom(rect.bottom() + 1);
  return rect;
}

QRect TTagsBar::TextRect(int index) const {
  const QRect rect = DrawnRect(index);
  if (rect.isEmpty())
    return rect;
  int left = rect.left() + FSpacing.IcoToText();
  if (!FImages.empty() && FImages.size() >= size_t(FTabs.size()))
    left = rect.left() + FSpacing.LeftToIco() + FImages[size_t(index)].width() + FSpacing.IcoToText();
  int right = rect.right() + 1 - FSpacing.TextToCloseBtn();
  if (index == FTabIndex && FTabs.size() >= 2)
    right = rect.right() + 1 - (FCloseBtn->width() + FSpacing.TextToCloseBtn() + FSpacing.CloseBtnToRight());
  return QRect(left, rect.top(), std::max(0, right - left), rect.height());
}

QString TTagsBar::ShownName(int index) const {
  if (index < 0 || index >= FTabs.size())
    return QString();
  const QRect text = TextRect(index);
  const QString name = FTabs[index];
  if (text.isEmpty())
    return name;
  return fontMetrics().elidedText(name, Qt::ElideRight, text.width());
}

// Places the close and new-tab buttons and repaints.
void TTagsBar::Relayout() {
  KeepCurrentVisible();
  const int count = int(FTabs.size());
  const QRect current = DrawnRect(FTabIndex);
  if (count >= 2 && !current.isEmpty()) {
    FCloseBtn->move(current.right() + 1 - FSpacing.CloseBtnToRight() - FCloseBtn->width(),
                    current.top() + (current.height() - FCloseBtn->height()) / 2 + 1);
    FCloseBtn->show();
  } else {
    FCloseBtn->hide();
  }
  if (count > 0) {
    const int last = std::min(count, FFirstIndex + VisibleCapacity()) - 1;
    const QRect lastRect = ItemRect(last);
    FAddTabBtn->move(lastRect.right() + 1 + 10, (FTabHeight - FAddTabBtn->height()) / 2);
    FAddTabBtn->show();
  } else {
    FAddTabBtn->hide();
  }
  update();
}

void TTagsBar::paintEvent(QPaintEvent *) {
  QPixmap buffer(size());
  buffer.fill(BackgroundColor());
  QPainter painter(&buffer);
  painter.setFont(font());
  const bool withImages = !FImages.empty() && FImages.size() >= size_t(FTabs.size());
  for (int i = FFirstIndex; i < FTabs.size(); ++i) {
    const QRect rect = DrawnRect(i);
    if (rect.isEmpty())
      break;
    painter.drawPixmap(rect, i == FTabIndex ? FTabBg : FTabUnBg);
    if (withImages) {
      const QPixmap &image = FImages[size_t(i)];
      painter.drawPixmap(rect.left() + FSpacing.LeftToIco(), rect.top() + (rect.height() - image.height()) / 2, image);
    }
    painter.drawText(TextRect(i), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ShownName(i));
  }
  painter.end();
  QPainter(this).drawPixmap(0, 0, buffer);
}

void TTagsBar::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  Relayout();
}

void TTagsBar::mousePressEvent(QMouseEvent *event) {
  const int index = ItemAtPos(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index >= 0)
    SetTabIndex(index);
  QWidget::mousePressEvent(event);
}

void TTagsBar::mouseDoubleClickEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton)
    return;
  if (ItemAtPos(event->position().toPoint()) >= 0)
    DelTab(FTabIndex);
  else
    NewTab(FDefaultNewTabName, true);
}

bool TTagsBar::event(QEvent *event) {
  if (event->type() == QEvent::ToolTip) {
    // Over a tab whose name is cut, the hint shows the whole name.
    auto *help = static_cast<QHelpEvent *>(event);
    const int index = ItemAtPos(help->pos());
    if (index >= 0 && ShownName(index) != FTabs[index])
      QToolTip::showText(help->globalPos(), FTabs[index], this, ItemRect(index));
    else
      QToolTip::hideText();
    return true;
  }
  return QWidget::event(event);
}
